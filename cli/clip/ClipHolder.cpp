// zembrix-cli-clip SECONDS FIELD ENTRY, the secret on standard input.
// The part of `zembrix-cli clip` that needs the desktop: it puts the text on the clipboard,
// marked secret, and stays until the clipboard is cleared after SECONDS or something else was
// copied, because on the desktop the clipboard's content lives in the program that put it there.
// A program of its own so that no other command of the tool loads the desktop's libraries.
// Exit codes: 0 done, 2 bad arguments.
#include "dataproc/Wipe.h"
#include "services/qt/SecretClipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QTimer>

#include <cstdlib>
#include <iostream>
#include <iterator>
#include <string>

int main(int argc, char** argv)
{
    if (argc != 4) {
        std::cerr << "usage: zembrix-cli-clip SECONDS FIELD ENTRY (the text on standard input)" << std::endl;
        return 2;
    }
    const int seconds = std::atoi(argv[1]);
    if (seconds < 1) {
        std::cerr << "zembrix-cli-clip: SECONDS must be at least 1" << std::endl;
        return 2;
    }
    const std::string field = argv[2];
    const std::string entry = argv[3];
    std::string text((std::istreambuf_iterator<char>(std::cin)), std::istreambuf_iterator<char>());
    QString secret = QString::fromStdString(text);
    WipeString(text);

    int qtArgc = 1;
    QGuiApplication app(qtArgc, argv);
    TSecretClipboard clipboard;
    clipboard.SetClearDelay(seconds * 1000);
    clipboard.CopySecret(secret);
    std::cerr << "zembrix-cli: the " << field << " of " << entry << " is on the clipboard for " << seconds << " s"
              << std::endl;

    // Done once the secret is cleared, or as soon as something else took its place.
    bool replaced = false;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (!clipboard.HasPendingSecret())
            QCoreApplication::quit();
    });
    QObject::connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, [&] {
        // Looked at once the change is over: our own clearing changes the clipboard too.
        QTimer::singleShot(0, [&] {
            if (clipboard.HasPendingSecret() && QGuiApplication::clipboard()->text() != secret) {
                replaced = true;
                QCoreApplication::quit();
            }
        });
    });
    poll.start(200);
    app.exec();
    SecureZero(secret.data(), static_cast<std::size_t>(secret.size()) * sizeof(QChar));
    std::cerr << "zembrix-cli: " << (replaced ? "something else was copied since; the clipboard is left as it is"
                                              : "the clipboard is cleared")
              << std::endl;
    return 0;
}
