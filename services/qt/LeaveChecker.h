// Notices when the user stops working with the program ("leaves") and when the user comes back.
//
// Activity is keyboard input to, or mouse movement over, the program's own windows, seen through
// an application-wide event filter; clicks and the wheel alone are not activity. A timer ticks
// every second; the first tick that finds more than Interval milliseconds since the last activity
// raises OnLeave, once, and the next activity raises OnBack. Activity is dated with the tick count
// of the last timer tick, so all activity between two ticks starts the idle period at the same
// moment. Tick counts are unsigned 32-bit milliseconds; their differences survive the wrap.
//
// At most one detector exists at a time.
#pragma once

#include <QObject>

#include <cstdint>
#include <functional>

class QTimer;

class TLeaveChecker : public QObject {
    Q_OBJECT
public:
    using TTickSource = std::function<uint32_t()>;
    using TNotifyEvent = std::function<void(TLeaveChecker* Sender)>;

    // Disabled, Interval 300000. Clock defaults to the system's millisecond tick count.
    // Raises "LeaveChecker component already exists." while another detector lives.
    explicit TLeaveChecker(QObject* AOwner = nullptr, TTickSource Clock = TTickSource());
    ~TLeaveChecker() override;

    int Interval() const { return FInterval; }
    // Values below 3000 store 3000.
    void SetInterval(int Value);
    bool Enabled() const;
    // Starts or stops the timer; the state and the activity record are kept.
    void SetEnabled(bool Value);
    bool IsLeave() const { return FIsLeave; }

    void SetOnLeave(TNotifyEvent Value) { FOnLeave = std::move(Value); }
    void SetOnBack(TNotifyEvent Value) { FOnBack = std::move(Value); }

    // The timer's tick.
    void TimerTimer();

protected:
    bool eventFilter(QObject* Watched, QEvent* Event) override;

private:
    TTickSource FClock;
    QTimer* FTimer = nullptr;
    uint32_t FWorkTickCount = 0;
    uint32_t FCurTickCount = 0;
    int FInterval = 300000;
    bool FIsLeave = false;
    TNotifyEvent FOnLeave;
    TNotifyEvent FOnBack;
};
