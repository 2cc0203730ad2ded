// clip FILE ENTRY [--field password|user|account] [--timeout S]
// Puts one field of an entry on the clipboard the way the desktop program copies a password:
// marked secret for clipboard managers, and cleared after the timeout when the clipboard still
// holds it. The box is closed again before the wait; the tool waits until then (or until
// something else is copied), because on the desktop the clipboard's content lives in the
// program that put it there.
#include "cli/BoxSession.h"
#include "cli/CliError.h"
#include "cli/CommandTable.h"
#include "cli/EntryLookup.h"
#include "cli/FolderTree.h"
#include "services/qt/SecretClipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QTimer>

#include <cstdlib>
#include <string>
#include <iostream>
#include <memory>
#include <stdlib.h>

namespace {

struct TClipOptions {
    std::string File;
    std::string Entry;
    std::string Field = "password";
    int Timeout = TSecretClipboard::DefaultClearDelay / 1000;
};

bool EnvSet(const char* Name)
{
    const char* value = std::getenv(Name);
    return value != nullptr && *value != '\0';
}

// Whether a graphical session is there to hold a clipboard. Where X11 is reachable (also under
// Wayland, through its X11 server) it is used: a program without a window of its own may not
// set the Wayland clipboard.
bool PrepareDisplay()
{
    if (EnvSet("QT_QPA_PLATFORM")) {
        const std::string platform = std::getenv("QT_QPA_PLATFORM");
        if (platform.rfind("xcb", 0) == 0)
            return EnvSet("DISPLAY");
        if (platform.rfind("wayland", 0) == 0)
            return EnvSet("WAYLAND_DISPLAY");
        return true;
    }
    if (EnvSet("DISPLAY")) {
        ::setenv("QT_QPA_PLATFORM", "xcb", 1);
        return true;
    }
    return EnvSet("WAYLAND_DISPLAY");
}

// The field's text; a usage error when the entry's kind has no such field.
TSecretString ReadField(const TClipOptions& O)
{
    TBoxSession session(O.File, opRead);
    TDbFileMgr& box = session.Box();
    const TEntryRef Ref = ResolveEntry(box, TFolderTree(box), O.Entry, O.File);
    const auto missing = [&] { RaiseFileError(ecRejected, O.File, "no entry " + O.Entry); };
    const auto noField = [&] { RaiseUsage("--field: " + std::string(KindName(Ref.Kind)) + " entries have no " + O.Field); };
    if (Ref.Kind == ztNetItem) {
        TZmbNetItem item;
        if (!box.GetNetItem(Ref.ID, item))
            missing();
        if (O.Field == "password")
            return item.Password;
        if (O.Field == "user")
            return TSecretString(item.UserName);
        noField();
    }
    if (Ref.Kind == ztBankItem) {
        TZmbBankItem item;
        if (!box.GetBankItem(Ref.ID, item))
            missing();
        if (O.Field == "password")
            return item.Password;
        if (O.Field == "user")
            return TSecretString(item.UserName);
        return TSecretString(item.Account);
    }
    TZmbCommItem item;
    if (!box.GetCommItem(Ref.ID, item))
        missing();
    noField();
    return TSecretString();
}

int RunClip(const TClipOptions& O)
{
    if (O.Timeout < 1)
        RaiseUsage("--timeout: at least 1 second");
    if (!PrepareDisplay())
        throw ECliError(ecRejected, "no display: the clipboard needs a desktop session (neither DISPLAY nor "
                                    "WAYLAND_DISPLAY is set); nothing was copied");
    const TSecretString text = ReadField(O);

    static int argc = 1;
    static char name[] = "zembrix-cli";
    static char* argv[] = {name, nullptr};
    QGuiApplication app(argc, argv);
    TSecretClipboard clipboard;
    clipboard.SetClearDelay(O.Timeout * 1000);
    clipboard.CopySecret(QString::fromStdString(text.str()));
    std::cerr << "zembrix-cli: the " << O.Field << " of " << O.Entry << " is on the clipboard for " << O.Timeout
              << " s" << std::endl;

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
            if (clipboard.HasPendingSecret() &&
                QGuiApplication::clipboard()->text() != QString::fromStdString(text.str())) {
                replaced = true;
                QCoreApplication::quit();
            }
        });
    });
    poll.start(200);
    app.exec();
    std::cerr << "zembrix-cli: " << (replaced ? "something else was copied since; the clipboard is left as it is"
                                              : "the clipboard is cleared")
              << std::endl;
    return ecSuccess;
}

} // namespace

void AddClipCommand(CLI::App& App, TCommandTable& Table)
{
    auto o = std::make_shared<TClipOptions>();
    CLI::App* c = App.add_subcommand(
        "clip", "Put a password, user name or account number on the clipboard, marked secret, and clear it after the "
                "timeout if it is still there; waits until then");
    c->add_option("FILE", o->File, "The box")->required();
    c->add_option("ENTRY", o->Entry, "A web or bank entry: KIND:ID, FOLDER/TITLE or a unique title")->required();
    c->add_option("--field", o->Field, "password (the default), user, or account (bank entries)")
        ->check(CLI::IsMember({"password", "user", "account"}));
    c->add_option("--timeout", o->Timeout, "Seconds until the clipboard is cleared (default 20)");
    c->footer("Without a desktop session (DISPLAY and WAYLAND_DISPLAY unset) nothing is read or copied and the "
              "exit code is 1.");
    Table.Add(c, [o] { return RunClip(*o); }, &o->File);
}
