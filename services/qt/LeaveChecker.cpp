#include "services/qt/LeaveChecker.h"

#include "dataproc/Exception.h"
#include "services/TickCount.h"

#include <QCoreApplication>
#include <QEvent>
#include <QTimer>

namespace {

TLeaveChecker* GLeaveChecker = nullptr;

constexpr int kMinInterval = 3000;
constexpr int kTimerInterval = 1000;

} // namespace

TLeaveChecker::TLeaveChecker(QObject* AOwner, TTickSource Clock)
    : QObject(AOwner)
{
    if (GLeaveChecker != nullptr)
        throw Exception("LeaveChecker component already exists.");
    GLeaveChecker = this;
    FClock = Clock ? std::move(Clock) : TTickSource(&TickCount);
    if (QCoreApplication* app = QCoreApplication::instance())
        app->installEventFilter(this);
    FTimer = new QTimer(this);
    FTimer->setInterval(kTimerInterval);
    connect(FTimer, &QTimer::timeout, this, &TLeaveChecker::TimerTimer);
    FWorkTickCount = FClock();
    FCurTickCount = FWorkTickCount;
}

TLeaveChecker::~TLeaveChecker()
{
    if (QCoreApplication* app = QCoreApplication::instance())
        app->removeEventFilter(this);
    GLeaveChecker = nullptr;
}

void TLeaveChecker::SetInterval(int Value)
{
    FInterval = Value < kMinInterval ? kMinInterval : Value;
}

bool TLeaveChecker::Enabled() const
{
    return FTimer->isActive();
}

void TLeaveChecker::SetEnabled(bool Value)
{
    if (Value)
        FTimer->start();
    else
        FTimer->stop();
}

void TLeaveChecker::TimerTimer()
{
    FCurTickCount = FClock();
    if (!FIsLeave && static_cast<uint32_t>(FCurTickCount - FWorkTickCount) > static_cast<uint32_t>(FInterval)) {
        FIsLeave = true;
        if (FOnLeave)
            FOnLeave(this);
    }
}

bool TLeaveChecker::eventFilter(QObject* Watched, QEvent* Event)
{
    switch (Event->type()) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::InputMethod: // text typed through an input method
    case QEvent::MouseMove:
        FWorkTickCount = FCurTickCount;
        if (FIsLeave) {
            FIsLeave = false;
            if (FOnBack)
                FOnBack(this);
        }
        break;
    default:
        break;
    }
    return QObject::eventFilter(Watched, Event);
}
