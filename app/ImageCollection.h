// The pictures every window shares, known by name. Each is an SVG drawing of ours, turned into
// an icon with a pixmap for every size a window asks for, so it stays sharp at any scaling.
#pragma once

#include <QHash>
#include <QIcon>
#include <QPixmap>
#include <QString>
#include <QStringList>

class TImageCollection {
public:
    // "AppIcon", "Add", "Delete", "Detail", "Folder", "Lock", "Pin", "Category", "FolderAdd",
    // "Copy", "Gear", "Goto", in this order.
    static const QStringList& Names();

    bool Contains(const QString& Name) const { return Names().contains(Name); }
    // The picture as an icon (null for a name not in the collection).
    QIcon Icon(const QString& Name);
    // The picture at Size × Size logical pixels for a screen of DevicePixelRatio.
    QPixmap Pixmap(const QString& Name, int Size, qreal DevicePixelRatio = 1.0);

    // The resource path of a picture's drawing; pictures outside the collection (the banner)
    // are found the same way.
    static QString ResourcePath(const QString& Name);
    // A drawing rendered at Size device pixels (no collection needed).
    static QPixmap Render(const QString& Name, QSize Size);

private:
    QHash<QString, QIcon> FIcons;
};
