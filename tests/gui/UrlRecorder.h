// Stands in for the desktop: records every web, mail and file address the program hands over
// instead of opening it. Installed for the object's lifetime.
#pragma once

#include <QDesktopServices>
#include <QList>
#include <QObject>
#include <QUrl>

#include <functional>

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
    // Runs at each address as it is handed over.
    std::function<void(const QUrl&)> OnOpen;

public slots:
    void Open(const QUrl& Url)
    {
        Urls.append(Url);
        if (OnOpen)
            OnOpen(Url);
    }
};
