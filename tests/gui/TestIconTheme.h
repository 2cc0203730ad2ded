// A small icon theme of our own with icons for PDF, PNG and plain-text files and for folders, so that
// icon tests do not depend on what the machine has installed. Installed for the object's lifetime.
#pragma once

#include "services/TempDir.h"

#include <QDir>
#include <QIcon>
#include <QImage>

class TTestIconTheme {
public:
    TTestIconTheme()
    {
        const QString root = QString::fromStdString(FDir.Path().string());
        const QString theme = root + "/ZmbTest";
        QDir().mkpath(theme + "/16x16/mimetypes");
        QDir().mkpath(theme + "/16x16/places");
        WriteAll((FDir.Path() / "ZmbTest/index.theme").string(),
                 "[Icon Theme]\nName=ZmbTest\nDirectories=16x16/mimetypes,16x16/places\n"
                 "[16x16/mimetypes]\nSize=16\nContext=MimeTypes\nType=Fixed\n"
                 "[16x16/places]\nSize=16\nContext=Places\nType=Fixed\n");
        for (const char* name : {"mimetypes/application-pdf", "mimetypes/image-png", "mimetypes/text-plain", "places/folder",
                                 "places/folder-open"}) {
            QImage image(16, 16, QImage::Format_ARGB32);
            image.fill(Qt::blue);
            image.save(theme + "/16x16/" + name + ".png");
        }
        FOldPaths = QIcon::themeSearchPaths();
        FOldTheme = QIcon::themeName();
        QIcon::setThemeSearchPaths({root});
        QIcon::setThemeName("ZmbTest");
    }
    ~TTestIconTheme()
    {
        QIcon::setThemeSearchPaths(FOldPaths);
        QIcon::setThemeName(FOldTheme);
    }
    TTestIconTheme(const TTestIconTheme&) = delete;
    TTestIconTheme& operator=(const TTestIconTheme&) = delete;

private:
    TTempDir FDir;
    QStringList FOldPaths;
    QString FOldTheme;
};
