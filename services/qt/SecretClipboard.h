// Copies secrets (passwords, user names, account numbers) to the clipboard so that they do not
// stay there: the text is offered with the hint "x-kde-passwordManagerHint" = "secret", which
// clipboard managers honour by not keeping it, and it is cleared after a delay (20 s by default)
// when the clipboard still holds it. Clearing covers the clipboard and the selection.
//
// Under Wayland a window without focus may not change the clipboard (GNOME), so clearing there
// falls back on `wl-copy --clear` when it is installed; when nothing can clear it, OnClearFailed
// is called once per process so the program can say so.
//
// The delay is checked by a one-second timer against a tick source that tests replace.
// Everything here runs on the user-interface thread; no method raises.
#pragma once

#include <QObject>
#include <QString>

#include <cstdint>
#include <functional>

class QTimer;

class TSecretClipboard : public QObject {
    Q_OBJECT
public:
    using TTickSource = std::function<uint32_t()>;
    using TClearFailedEvent = std::function<void()>;

    static constexpr int DefaultClearDelay = 20000;

    // Clock defaults to the system's millisecond tick count.
    explicit TSecretClipboard(QObject* AOwner = nullptr, TTickSource Clock = TTickSource());
    ~TSecretClipboard() override;

    // The instance the windows share; created on first use, owned by the application object.
    static TSecretClipboard& Shared();

    // Puts Text on the clipboard and the selection, marked secret; clears both after ClearDelay
    // milliseconds if they still hold it. A later copy replaces the pending one.
    void CopySecret(const QString& Text);
    // Puts Text there as ordinary text (links, e-mail addresses); nothing is cleared later.
    void CopyPlain(const QString& Text);
    // Empties the clipboard and the selection whatever they hold.
    void Clear();
    // Clears now if a secret of ours is still there (on lock and exit), and forgets it.
    void ClearPendingSecret();

    int ClearDelay() const { return FClearDelay; }
    // Values below 1000 store 1000.
    void SetClearDelay(int Ms);
    // A secret of ours waits to be cleared.
    bool HasPendingSecret() const { return FPending; }
    void SetOnClearFailed(TClearFailedEvent Value) { FOnClearFailed = std::move(Value); }
    // The clock the delay is measured by; empty: the system's millisecond tick count.
    void SetClock(TTickSource Clock);

    // The timer's tick: clears the pending secret when its time has come.
    void TimerTimer();

private:
    bool ClipboardHoldsSecret() const;
    void ClearAndCheck();
    void ForgetSecret();

    TTickSource FClock;
    QTimer* FTimer = nullptr;
    QString FSecret;
    uint32_t FCopiedAt = 0;
    int FClearDelay = DefaultClearDelay;
    bool FPending = false;
    bool FFailureReported = false;
    TClearFailedEvent FOnClearFailed;
};
