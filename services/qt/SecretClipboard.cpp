#include "services/qt/SecretClipboard.h"

#include "dataproc/Wipe.h"
#include "services/RunCommand.h"
#include "services/TickCount.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QTimer>

namespace {

const char* const kSecretHintFormat = "x-kde-passwordManagerHint";

void WipeQString(QString& Text)
{
    if (!Text.isEmpty() && !Text.isDetached())
        Text.detach();
    SecureZero(Text.data(), static_cast<std::size_t>(Text.size()) * sizeof(QChar));
    Text.clear();
}

QMimeData* NewMimeData(const QString& Text, bool Secret)
{
    auto* Data = new QMimeData;
    Data->setText(Text);
    if (Secret)
        Data->setData(kSecretHintFormat, QByteArrayLiteral("secret"));
    return Data;
}

// The selection exists on X11 and some Wayland desktops only.
bool HasSelection()
{
    return QGuiApplication::clipboard()->supportsSelection();
}

bool IsWayland()
{
    return QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

} // namespace

TSecretClipboard::TSecretClipboard(QObject* AOwner, TTickSource Clock)
    : QObject(AOwner), FClock(Clock ? std::move(Clock) : TTickSource(&TickCount))
{
    FTimer = new QTimer(this);
    FTimer->setInterval(1000);
    connect(FTimer, &QTimer::timeout, this, [this] { TimerTimer(); });
}

TSecretClipboard::~TSecretClipboard()
{
    WipeQString(FSecret);
}

TSecretClipboard& TSecretClipboard::Shared()
{
    static TSecretClipboard* Instance = nullptr;
    if (!Instance)
        Instance = new TSecretClipboard(QCoreApplication::instance());
    return *Instance;
}

void TSecretClipboard::CopySecret(const QString& Text)
{
    QClipboard* Board = QGuiApplication::clipboard();
    Board->setMimeData(NewMimeData(Text, true), QClipboard::Clipboard);
    if (HasSelection())
        Board->setMimeData(NewMimeData(Text, true), QClipboard::Selection);
    WipeQString(FSecret);
    FSecret = Text;
    FSecret.detach();
    FCopiedAt = FClock();
    FPending = true;
    FTimer->start();
}

void TSecretClipboard::CopyPlain(const QString& Text)
{
    QClipboard* Board = QGuiApplication::clipboard();
    Board->setMimeData(NewMimeData(Text, false), QClipboard::Clipboard);
    if (HasSelection())
        Board->setMimeData(NewMimeData(Text, false), QClipboard::Selection);
    // Whatever secret was pending is no longer on the clipboard.
    ForgetSecret();
}

void TSecretClipboard::Clear()
{
    ClearAndCheck();
    ForgetSecret();
}

void TSecretClipboard::ClearPendingSecret()
{
    if (FPending && ClipboardHoldsSecret())
        ClearAndCheck();
    ForgetSecret();
}

void TSecretClipboard::SetClearDelay(int Ms)
{
    FClearDelay = Ms < 1000 ? 1000 : Ms;
}

void TSecretClipboard::SetClock(TTickSource Clock)
{
    FClock = Clock ? std::move(Clock) : TTickSource(&TickCount);
}

void TSecretClipboard::TimerTimer()
{
    if (!FPending) {
        FTimer->stop();
        return;
    }
    // Unsigned differences survive the tick count's wrap.
    if (static_cast<uint32_t>(FClock() - FCopiedAt) < static_cast<uint32_t>(FClearDelay))
        return;
    ClearPendingSecret();
}

bool TSecretClipboard::ClipboardHoldsSecret() const
{
    QClipboard* Board = QGuiApplication::clipboard();
    if (Board->text(QClipboard::Clipboard) == FSecret)
        return true;
    return HasSelection() && Board->text(QClipboard::Selection) == FSecret;
}

void TSecretClipboard::ClearAndCheck()
{
    QClipboard* Board = QGuiApplication::clipboard();
    Board->clear(QClipboard::Clipboard);
    if (HasSelection())
        Board->clear(QClipboard::Selection);
    if (!FPending || !ClipboardHoldsSecret())
        return;
    // The desktop refused us (an unfocused window under Wayland): ask its own tool.
    bool Cleared = false;
    if (IsWayland() && FindInPath("wl-copy")) {
        Cleared = RunCommand({"wl-copy", "--clear"}) == 0;
        RunCommand({"wl-copy", "--primary", "--clear"});
    }
    if (!Cleared && !FFailureReported) {
        FFailureReported = true;
        if (FOnClearFailed)
            FOnClearFailed();
    }
}

void TSecretClipboard::ForgetSecret()
{
    WipeQString(FSecret);
    FPending = false;
    FTimer->stop();
}
