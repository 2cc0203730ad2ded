#include "app/ImageCollection.h"

#include <QPainter>
#include <QSvgRenderer>

#include <cmath>

namespace {

// The sizes the collection holds ready; an icon scales the nearest one for any other.
constexpr int kIconSizes[] = {16, 24, 32, 48, 64, 96, 128};

} // namespace

const QStringList& TImageCollection::Names()
{
    static const QStringList names = {"AppIcon",  "Add",       "Delete", "Detail", "Folder", "Lock",
                                      "Pin",      "Category",  "FolderAdd", "Copy", "Gear",   "Goto"};
    return names;
}

QString TImageCollection::ResourcePath(const QString& Name)
{
    return QStringLiteral(":/images/") + Name + QStringLiteral(".svg");
}

QPixmap TImageCollection::Render(const QString& Name, QSize Size)
{
    QSvgRenderer renderer(ResourcePath(Name));
    if (!renderer.isValid() || Size.isEmpty())
        return QPixmap();
    QPixmap pixmap(Size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    renderer.render(&painter);
    return pixmap;
}

QIcon TImageCollection::Icon(const QString& Name)
{
    if (!Contains(Name))
        return QIcon();
    auto found = FIcons.constFind(Name);
    if (found != FIcons.constEnd())
        return *found;
    QIcon icon;
    for (int size : kIconSizes)
        icon.addPixmap(Render(Name, QSize(size, size)));
    FIcons.insert(Name, icon);
    return icon;
}

QPixmap TImageCollection::Pixmap(const QString& Name, int Size, qreal DevicePixelRatio)
{
    if (!Contains(Name))
        return QPixmap();
    const int device = static_cast<int>(std::lround(Size * DevicePixelRatio));
    QPixmap pixmap = Render(Name, QSize(device, device));
    pixmap.setDevicePixelRatio(DevicePixelRatio);
    return pixmap;
}
