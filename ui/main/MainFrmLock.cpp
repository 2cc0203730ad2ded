// Locking and the notification area: the window never minimizes to the taskbar but hides into
// the tray, and a lock (the lock command, the idle time, the desktop's session lock) hides it the
// same way with the password due before it shows again. Where the desktop has no notification
// area the window minimizes normally instead, its content covered while a password is due, so
// it can always be brought back. Also: stay on top, transparency for pinned editors, and the
// window's bounds and tree width kept across runs.
#include "ui/main/MainFrm.h"

#include "app/AppObjects.h"
#include "boxdata/SearchCache.h"
#include "services/AppOptMgr.h"
#include "services/qt/LeaveChecker.h"
#include "services/qt/SecretClipboard.h"
#include "services/qt/WindowUtils.h"
#include "ui/components/Splitter.h"
#include "ui/components/TrayIcon.h"
#include "ui/dialogs/MinLockFrm.h"

#include <QAction>
#include <QGuiApplication>
#include <QScreen>
#include <QStackedWidget>
#include <QTimer>

namespace {

constexpr int kDefaultWidth = 640;
constexpr int kDefaultHeight = 480;
constexpr int kDefaultContentWidth = 150;
constexpr int kBalloonSeconds = 10;

bool Option(const char* Name)
{
    return AppOptionsMgr().ReadBoolean(Name);
}

// Bounds moved (not resized) so that they lie on the screen's work area where they fit.
QRect FitOnScreen(QRect Bounds, const QRect& WorkArea)
{
    const int left = std::max(WorkArea.left(), std::min(Bounds.left(), WorkArea.right() + 1 - Bounds.width()));
    const int top = std::max(WorkArea.top(), std::min(Bounds.top(), WorkArea.bottom() + 1 - Bounds.height()));
    Bounds.moveTo(left, top);
    return Bounds;
}

} // namespace

void TMainForm::MinimizeToTray()
{
    if (FForceMinLock || Option(AppOpt::MinLock))
        FSearchCache->Clear(); // nothing of the box stays decoded behind the lock
    if (FAppMinimized)
        return;
    FAppMinimized = true;
    const bool tray = TYarroTrayIcon::Available();
    if (tray) {
        hide();
    } else {
        SetLockCover(FForceMinLock || Option(AppOpt::MinLock));
        if (!isMinimized())
            showMinimized();
    }
    setEnabled(false);
    TrayPopShowItem->setEnabled(true);
    if (tray && Option(AppOpt::PromptMinToTray)) {
        YarroTrayIcon->ShowBalloon(QStringLiteral("提示"), QStringLiteral("点击此处图标即可再次打开密码箱窗口。"), biInfo,
                                   kBalloonSeconds);
        AppOptionsMgr().SetValues(AppOpt::PromptMinToTray, false);
    }
}

void TMainForm::RestoreFromTray()
{
    // Cleared first: the state changes below must not be taken for another restore request.
    FAppMinimized = false;
    FForceMinLock = false;
    TrayPopShowItem->setEnabled(false);
    SetLockCover(false);
    if (isMinimized())
        setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    raise();
    activateWindow();
    setEnabled(true);
}

bool TMainForm::CheckUnlock()
{
    if (FForceMinLock || Option(AppOpt::MinLock))
        return ShowMinLockForm();
    return true;
}

void TMainForm::LockApplication()
{
    FForceMinLock = true;
    FSearchCache->Clear(); // nothing of the box stays decoded behind the lock
    // A password copied a moment ago does not wait on the clipboard of a locked program.
    TSecretClipboard::Shared().ClearPendingSecret();
    if (FAppMinimized)
        SetLockCover(!TYarroTrayIcon::Available());
    else
        MinimizeApplication();
}

void TMainForm::MinimizeApplication()
{
    MinimizeToTray();
}

void TMainForm::LeaveCheckerLeave()
{
    if (Option(AppOpt::AutoLock) && !FAppMinimized)
        LockApplication();
}

void TMainForm::MinLockActionExecute()
{
    LockApplication();
}

void TMainForm::MinimizeActionExecute()
{
    if (Option(AppOpt::EscToMin))
        MinimizeApplication();
}

void TMainForm::StayOnTopActionExecute()
{
    SetStayOnTop(StayOnTopAction->isChecked());
}

void TMainForm::SetStayOnTop(bool Value)
{
    StayOnTopAction->setChecked(Value);
    SetWindowTopmost(this, Value);
}

bool TMainForm::StayOnTopChecked() const
{
    return StayOnTopAction->isChecked();
}

void TMainForm::SetTransparent(bool Value)
{
    setWindowOpacity(Value ? 0.0 : 1.0);
}

void TMainForm::ApplicationEventsMinimize()
{
    // Once the minimize is over: hiding the window in the middle of it would be undone by it.
    QTimer::singleShot(0, this, [this] {
        if (isMinimized())
            MinimizeToTray();
    });
}

void TMainForm::ApplicationEventsRestore()
{
    if (!FAppMinimized || FUnlockPending)
        return;
    // The desktop restored the minimized window (no notification area): the password first,
    // asked once the state changes are over (desktops report them late, and more than once).
    FUnlockPending = true;
    QTimer::singleShot(0, this, [this] {
        FUnlockPending = false;
        if (!FAppMinimized || isMinimized())
            return;
        setEnabled(true); // the unlock dialog belongs to this window
        if (CheckUnlock()) {
            RestoreFromTray();
        } else {
            setEnabled(false);
            showMinimized();
        }
    });
}

void TMainForm::YarroTrayIconClick()
{
    if (TrayPopShowItem->isEnabled())
        TrayPopShowItemClick();
}

void TMainForm::TrayPopShowItemClick()
{
    if (CheckUnlock())
        RestoreFromTray();
}

void TMainForm::SetLockCover(bool Value)
{
    CentralStack->setCurrentIndex(Value ? 1 : 0);
}

void TMainForm::SplitterDblClick()
{
    const int total = Splitter->width() - Splitter->handleWidth();
    const int width = ScaleValue(kDefaultContentWidth);
    Splitter->setSizes({width, std::max(total - width, 1)});
}

void TMainForm::LoadWindowState()
{
    QScreen* primary = QGuiApplication::primaryScreen();
    const QRect screen = primary->geometry();
    const int width = ScaleValue(kDefaultWidth);
    const int height = ScaleValue(kDefaultHeight);
    const QRect defaults(screen.left() + (screen.width() - width) / 2, screen.top() + (screen.height() - height) / 2,
                         width, height);
    TAppOptionsMgr& options = AppOptionsMgr();
    QRect bounds = defaults;
    int contentWidth = ScaleValue(kDefaultContentWidth);
    if (Option(AppOpt::SaveWinSize)) {
        int left = options.ReadInteger(AppOpt::WinLeft);
        int top = options.ReadInteger(AppOpt::WinTop);
        int right = options.ReadInteger(AppOpt::WinRight);
        int bottom = options.ReadInteger(AppOpt::WinBottom);
        if (int64_t{right} - left > screen.width() || int64_t{bottom} - top > screen.height())
            left = top = right = bottom = 0;
        if (left < right && top < bottom)
            bounds = QRect(left, top, right - left, bottom - top);
        QScreen* on = QGuiApplication::screenAt(bounds.center());
        bounds = FitOnScreen(bounds, (on != nullptr ? on : primary)->availableGeometry());
        if (options.ReadInteger(AppOpt::ContentWidth) > 0)
            contentWidth = options.ReadInteger(AppOpt::ContentWidth);
    }
    setGeometry(bounds);
    Splitter->setSizes({contentWidth, std::max(bounds.width() - contentWidth, 1)});
}

void TMainForm::SaveWindowState()
{
    // A maximized window comes back as a normal one filling the work area.
    QScreen* on = screen() != nullptr ? screen() : QGuiApplication::primaryScreen();
    const QRect bounds = isMaximized() ? on->availableGeometry() : normalGeometry();
    TAppOptionsMgr& options = AppOptionsMgr();
    options.SetValues(AppOpt::WinLeft, int32_t{bounds.left()});
    options.SetValues(AppOpt::WinTop, int32_t{bounds.top()});
    options.SetValues(AppOpt::WinRight, int32_t{bounds.left() + bounds.width()});
    options.SetValues(AppOpt::WinBottom, int32_t{bounds.top() + bounds.height()});
    options.SetValues(AppOpt::ContentWidth, int32_t{Splitter->sizes().value(0)});
}
