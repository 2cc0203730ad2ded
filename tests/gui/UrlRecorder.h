// Stands in for the desktop in tests: records every address the program hands over to be
// opened (web pages, mail, files) instead of opening it.
#pragma once

#include <QDesktopServices>
#include <QList>
#include <QObject>
#include <QUrl>

class TUrlRecorder : public QObject {
    Q_OBJECT
public:
    TUrlRecorder()
    {
        for (const char* scheme : {"mailto", "http", "https", "file"})
            QDesktopServices::setUrlHandler(scheme, this, "Open");
    }
    ~TUrlRecorder() override
    {
        for (const char* scheme : {"mailto", "http", "https", "file"})
            QDesktopServices::unsetUrlHandler(scheme);
    }
    QList<QUrl> Urls;

public slots:
    void Open(const QUrl& Url) { Urls.append(Url); }
};
