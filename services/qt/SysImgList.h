// Icons for file names, shared by every list that shows files: the icon of a file's type comes
// from the MIME database and the icon theme. Each distinct icon is stored once and known by its
// index; the index found for an extension (compared without case) is cached.
#pragma once

#include <QHash>
#include <QIcon>
#include <QList>
#include <QMimeDatabase>
#include <QString>

class TSysImageList {
public:
    static constexpr int SmallIconSize = 16;
    static constexpr int LargeIconSize = 32;
    // The cache key of names without an extension.
    static inline const QString UnknownExtKey = QStringLiteral(".UnknownExt");

    TSysImageList() = default;

    // The icon of files named like Ext: its extension is everything from the last "." of its
    // last path component, or ".UnknownExt" when there is none. Looks at no file.
    int GetIconIndexFromExt(const QString& Ext);
    // The icon of the real file or folder at Path, judged by name and content; not cached.
    int GetIconIndexFromPath(const QString& Path);
    int GetFolderIconIndex(bool OpenFolder);

    // The icon at Index (all sizes; SmallIconSize and LargeIconSize are the list's two);
    // a null icon for an index out of range.
    QIcon Icon(int Index) const;
    int Count() const { return static_cast<int>(FIcons.size()); }
    // Number of keys (extensions and folder tags) cached.
    int CacheCount() const { return static_cast<int>(FFileExtMap.size()); }

    // The cache key for Ext.
    static QString ExtKey(const QString& Ext);

private:
    int IndexForMimeType(const QMimeType& MimeType);
    int IndexForFolder(bool OpenFolder);
    // The index of the icon known by Name, adding Icon under it first when it is new.
    int AddIcon(const QString& Name, const QIcon& Icon);

    QList<QIcon> FIcons;
    QHash<QString, int> FIconNames;  // icon name → index
    QHash<QString, int> FFileExtMap; // lower-case key → index
    QMimeDatabase FMimeDb;
};
