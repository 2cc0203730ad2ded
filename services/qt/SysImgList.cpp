#include "services/qt/SysImgList.h"

#include <QApplication>
#include <QFileInfo>
#include <QStyle>

namespace {

const QString kOpenFolderKey = QStringLiteral("*OpenFolder*");
const QString kCloseFolderKey = QStringLiteral("*CloseFolder*");

} // namespace

QString TSysImageList::ExtKey(const QString& Ext)
{
    const QString name = Ext.mid(Ext.lastIndexOf(QLatin1Char('/')) + 1);
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return dot < 0 ? UnknownExtKey : name.mid(dot);
}

int TSysImageList::AddIcon(const QString& Name, const QIcon& Icon)
{
    const auto it = FIconNames.constFind(Name);
    if (it != FIconNames.constEnd())
        return it.value();
    FIcons.append(Icon);
    const int index = static_cast<int>(FIcons.size()) - 1;
    FIconNames.insert(Name, index);
    return index;
}

int TSysImageList::IndexForMimeType(const QMimeType& MimeType)
{
    for (const QString& name : {MimeType.iconName(), MimeType.genericIconName()}) {
        if (!name.isEmpty() && QIcon::hasThemeIcon(name))
            return AddIcon(name, QIcon::fromTheme(name));
    }
    // No theme icon for the type: the style's plain file icon.
    return AddIcon(QStringLiteral("*File*"), QApplication::style()->standardIcon(QStyle::SP_FileIcon));
}

int TSysImageList::IndexForFolder(bool OpenFolder)
{
    const QString name = OpenFolder ? QStringLiteral("folder-open") : QStringLiteral("folder");
    if (QIcon::hasThemeIcon(name))
        return AddIcon(name, QIcon::fromTheme(name));
    return AddIcon(QLatin1Char('*') + name + QLatin1Char('*'),
                   QApplication::style()->standardIcon(OpenFolder ? QStyle::SP_DirOpenIcon : QStyle::SP_DirClosedIcon));
}

int TSysImageList::GetIconIndexFromExt(const QString& Ext)
{
    const QString key = ExtKey(Ext);
    const QString folded = key.toLower();
    const auto it = FFileExtMap.constFind(folded);
    if (it != FFileExtMap.constEnd())
        return it.value();
    const QMimeType type = key == UnknownExtKey ? FMimeDb.mimeTypeForName(QStringLiteral("application/octet-stream"))
                                                : FMimeDb.mimeTypeForFile(QStringLiteral("x") + folded,
                                                                          QMimeDatabase::MatchExtension);
    const int index = IndexForMimeType(type);
    FFileExtMap.insert(folded, index);
    return index;
}

int TSysImageList::GetIconIndexFromPath(const QString& Path)
{
    const QFileInfo info(Path);
    if (info.isDir())
        return IndexForFolder(false);
    return IndexForMimeType(FMimeDb.mimeTypeForFile(info));
}

int TSysImageList::GetFolderIconIndex(bool OpenFolder)
{
    const QString& key = OpenFolder ? kOpenFolderKey : kCloseFolderKey;
    const auto it = FFileExtMap.constFind(key);
    if (it != FFileExtMap.constEnd())
        return it.value();
    const int index = IndexForFolder(OpenFolder);
    FFileExtMap.insert(key, index);
    return index;
}

QIcon TSysImageList::Icon(int Index) const
{
    return Index >= 0 && Index < FIcons.size() ? FIcons[Index] : QIcon();
}
