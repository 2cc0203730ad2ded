// Locking and the notification area on the real window: the lock command, minimizing with and
// without a password, idle locking with a clock the test moves, the desktop's session lock, the
// balloon shown once, the desktop without a notification area, stay on top and transparency,
// and the window's bounds kept across runs.
#include "gui/MainFormFixture.h"
#include "services/qt/LeaveChecker.h"
#include "services/qt/SecretClipboard.h"
#include "services/qt/SessionLockWatcher.h"
#include "ui/components/Splitter.h"

#include <QClipboard>
#include <QDBusMessage>
#include <QProcess>
#include <QScreen>
#include <QSplitterHandle>
#include <QStackedWidget>

namespace {

class MainLockTest : public TMainFormFixture {
protected:
    MainLockTest() { TYarroTrayIcon::OverrideAvailable(true); }

    TYarroTrayIcon* Tray() const { return FForm->findChild<TYarroTrayIcon*>("YarroTrayIcon"); }
    QAction* TrayShowItem() const { return Action("TrayPopShowItem"); }
    // A click on the tray icon, answering the unlock dialog with Password when one comes up
    // ("" cancels it); answers whether a dialog came up.
    bool ClickTray(const QString& Password)
    {
        bool asked = false;
        QTimer timer;
        timer.setSingleShot(true);
        QObject::connect(&timer, &QTimer::timeout, [&] {
            QWidget* modal = nullptr;
            if (!QTest::qWaitFor([&modal] { return (modal = QApplication::activeModalWidget()) != nullptr; }, 2000) ||
                modal->objectName() != "MinLockForm")
                return;
            asked = true;
            if (Password.isEmpty()) {
                Click(modal, "CancelButton");
            } else {
                Type(modal, "PasswordEdit", Password);
                Click(modal, "OkButton");
            }
        });
        timer.start(0);
        emit Tray()->Click();
        timer.stop();
        return asked;
    }
    bool Shown() const { return FForm->isVisible() && FForm->isEnabled() && !FForm->AppMinimized(); }
    bool Hidden() const { return !FForm->isVisible() && !FForm->isEnabled() && FForm->AppMinimized(); }
};

TEST_F(MainLockTest, LockCommandAndUnlockWithTheRightPassword)
{
    OpenForm(NewFilledBox());
    AppOptionsMgr().SetValues(AppOpt::MinLock, false);
    EXPECT_FALSE(TrayShowItem()->isEnabled());
    KeyToWindow(Qt::Key_F4);
    EXPECT_TRUE(Hidden());
    EXPECT_TRUE(FForm->ForceMinLock());
    EXPECT_TRUE(TrayShowItem()->isEnabled());

    FMessages.Clear();
    EXPECT_TRUE(ClickTray("Secret"));
    EXPECT_EQ(FMessages.Texts(), QStringList{"对不起，您输入的登录密码不正确。"});
    EXPECT_TRUE(Hidden());
    EXPECT_TRUE(ClickTray("")); // cancelled: stays locked
    EXPECT_TRUE(Hidden());
    EXPECT_TRUE(FForm->ForceMinLock());
    EXPECT_TRUE(ClickTray("secret"));
    EXPECT_TRUE(Shown());
    EXPECT_FALSE(FForm->ForceMinLock());
    EXPECT_FALSE(TrayShowItem()->isEnabled());
    EXPECT_FALSE(ClickTray("secret")) << "a click while shown does nothing";
}

TEST_F(MainLockTest, MinimizingAsksForThePasswordOnlyWhenMinLockIsOn)
{
    OpenForm(NewFilledBox());
    for (const bool minLock : {false, true}) {
        AppOptionsMgr().SetValues(AppOpt::MinLock, minLock);
        KeyToWindow(Qt::Key_Escape); // EscToMin is on by default
        ASSERT_TRUE(Hidden()) << minLock;
        EXPECT_FALSE(FForm->ForceMinLock());
        EXPECT_EQ(ClickTray("secret"), minLock);
        EXPECT_TRUE(Shown()) << minLock;
    }
    // The title bar's minimize hides into the tray as well.
    AppOptionsMgr().SetValues(AppOpt::MinLock, false);
    FForm->showMinimized();
    EXPECT_TRUE(QTest::qWaitFor([this] { return Hidden(); }, 2000));
    TrayShowItem()->trigger();
    EXPECT_TRUE(Shown());
    EXPECT_FALSE(FForm->isMinimized());

    AppOptionsMgr().SetValues(AppOpt::EscToMin, false);
    KeyToWindow(Qt::Key_Escape);
    EXPECT_TRUE(Shown());
}

TEST_F(MainLockTest, TheBalloonIsShownOnce)
{
    OpenForm(NewFilledBox());
    AppOptionsMgr().SetValues(AppOpt::MinLock, false);
    ASSERT_TRUE(AppOptionsMgr().ReadBoolean(AppOpt::PromptMinToTray));
    FForm->MinimizeToTray();
    EXPECT_EQ(Tray()->BalloonCount(), 1);
    EXPECT_EQ(Tray()->LastBalloonTitle(), "提示");
    EXPECT_EQ(Tray()->LastBalloonText(), "点击此处图标即可再次打开密码箱窗口。");
    EXPECT_FALSE(AppOptionsMgr().ReadBoolean(AppOpt::PromptMinToTray));
    ClickTray("");
    FForm->MinimizeToTray();
    EXPECT_EQ(Tray()->BalloonCount(), 1);
    AppOptionsMgr().SetValues(AppOpt::PromptMinToTray, true);
}

TEST_F(MainLockTest, IdleTimeLocksOnlyWithAutoLock)
{
    OpenForm(NewFilledBox());
    AppOptionsMgr().SetValues(AppOpt::MinLock, false);
    AppOptionsMgr().SetValues(AppOpt::AutoLockMinutes, 5);
    FForm->ApplyOptions();
    auto* checker = FForm->findChild<TLeaveChecker*>();
    ASSERT_NE(checker, nullptr);
    EXPECT_EQ(checker->Interval(), 300000);
    EXPECT_TRUE(checker->Enabled());

    for (const bool autoLock : {false, true}) {
        AppOptionsMgr().SetValues(AppOpt::AutoLock, autoLock);
        QTest::keyClick(List(), Qt::Key_Down); // activity, dated by the last tick
        FClock += 300000;
        checker->TimerTimer();
        EXPECT_TRUE(Shown()) << "exactly five minutes are not more than five";
        FClock += 1;
        checker->TimerTimer();
        EXPECT_EQ(FForm->AppMinimized(), autoLock);
        EXPECT_EQ(FForm->ForceMinLock(), autoLock);
        if (autoLock) {
            EXPECT_TRUE(ClickTray("secret")) << "the restore asks for the password";
        }
        QTest::keyClick(List(), Qt::Key_Down); // back
    }
    AppOptionsMgr().SetValues(AppOpt::AutoLock, false);
}

TEST_F(MainLockTest, SessionLockLocksAndClearsACopiedPassword)
{
    OpenForm(NewFilledBox());
    TSecretClipboard::Shared().CopySecret("kopiert");
    auto* watcher = FForm->findChild<TSessionLockWatcher*>();
    ASSERT_NE(watcher, nullptr);
    emit watcher->Locked();
    EXPECT_TRUE(Hidden());
    EXPECT_TRUE(FForm->ForceMinLock());
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "");
    EXPECT_TRUE(ClickTray("secret"));
    EXPECT_TRUE(Shown());
}

// The desktop's own signals on a bus of the test's own: each way of saying "locked" is heard.
TEST(SessionLockWatcherTest, HearsTheDesktopsSignals)
{
    QProcess daemon;
    daemon.start("dbus-daemon", {"--session", "--nofork", "--print-address"});
    if (!daemon.waitForStarted(5000) || !daemon.waitForReadyRead(5000))
        GTEST_SKIP() << "no dbus-daemon to run a private bus";
    const QString address = QString::fromUtf8(daemon.readLine()).trimmed();
    {
        QDBusConnection bus = QDBusConnection::connectToBus(address, "watched");
        QDBusConnection sender = QDBusConnection::connectToBus(address, "sender");
        ASSERT_TRUE(bus.isConnected());
        TSessionLockWatcher watcher(nullptr, bus, bus);
        int locked = 0;
        QObject::connect(&watcher, &TSessionLockWatcher::Locked, [&] { ++locked; });
        auto send = [&](const QString& Path, const QString& Interface, const QString& Name, const QVariantList& Args) {
            QDBusMessage signal = QDBusMessage::createSignal(Path, Interface, Name);
            signal.setArguments(Args);
            sender.send(signal);
            QTest::qWait(100);
        };
        const QVariantMap sessionInactive{{"SessionIsActive", false}};
        send("/org/freedesktop/ScreenSaver", "org.freedesktop.ScreenSaver", "ActiveChanged", {true});
        send("/org/freedesktop/ScreenSaver", "org.freedesktop.ScreenSaver", "ActiveChanged", {false});
        send("/ScreenSaver", "org.gnome.ScreenSaver", "ActiveChanged", {true});
        send("/org/freedesktop/login1", "org.freedesktop.login1.Manager", "PrepareForSleep", {true});
        send("/org/freedesktop/login1", "org.freedesktop.login1.Manager", "PrepareForSleep", {false});
        send("/org/gnome/SessionManager", "org.freedesktop.DBus.Properties", "PropertiesChanged",
             {"org.gnome.SessionManager", sessionInactive, QStringList()});
        EXPECT_EQ(locked, 4);
    }
    QDBusConnection::disconnectFromBus("watched");
    QDBusConnection::disconnectFromBus("sender");
    daemon.kill();
    daemon.waitForFinished();
}

TEST_F(MainLockTest, WithoutANotificationAreaTheWindowMinimizesAndCanComeBack)
{
    TYarroTrayIcon::OverrideAvailable(false);
    OpenForm(NewFilledBox());
    auto* stack = Child<QStackedWidget>(FForm.get(), "CentralStack");
    Action("MinLockAction")->trigger();
    EXPECT_TRUE(FForm->isVisible()) << "never hidden with no way back";
    EXPECT_TRUE(FForm->isMinimized());
    EXPECT_TRUE(FForm->AppMinimized());
    EXPECT_EQ(stack->currentWidget()->objectName(), "LockCover");
    EXPECT_EQ(Tray()->BalloonCount(), 0);

    // The desktop restores it: the password first; a wrong one minimizes it again.
    for (const QString& password : {QString("wrong"), QString("secret")}) {
        FForm->showNormal(); // the dialog comes once the state change is over
        WhenModalShown([password](QWidget* form) {
            Type(form, "PasswordEdit", password);
            Click(form, "OkButton");
        });
        QTest::qWait(100);
    }
    EXPECT_FALSE(FForm->isMinimized());
    EXPECT_FALSE(FForm->AppMinimized());
    EXPECT_TRUE(FForm->isEnabled());
    EXPECT_EQ(stack->currentWidget()->objectName(), "ContentPage");
    EXPECT_EQ(FMessages.Texts(), QStringList{"对不起，您输入的登录密码不正确。"});

    // A plain minimize minimizes the same way; the password is due only with "MinLock".
    for (const bool minLock : {false, true}) {
        SCOPED_TRACE(minLock);
        AppOptionsMgr().SetValues(AppOpt::MinLock, minLock);
        Action("MinimizeAction")->trigger();
        EXPECT_TRUE(FForm->isVisible());
        EXPECT_TRUE(FForm->isMinimized());
        EXPECT_EQ(stack->currentWidget()->objectName(), minLock ? "LockCover" : "ContentPage");
        bool asked = false;
        FForm->showNormal(); // the dialog comes once the state change is over
        if (minLock)
            WhenModalShown([&asked](QWidget* form) {
                asked = true;
                Type(form, "PasswordEdit", "secret");
                Click(form, "OkButton");
            });
        QTest::qWait(100);
        EXPECT_EQ(asked, minLock);
        EXPECT_FALSE(FForm->isMinimized());
        EXPECT_FALSE(FForm->AppMinimized());
        EXPECT_EQ(stack->currentWidget()->objectName(), "ContentPage");
    }
}

TEST_F(MainLockTest, StayOnTopAndTransparency)
{
    OpenForm(NewFilledBox());
    EXPECT_FALSE(FForm->StayOnTopChecked());
    KeyToWindow(Qt::Key_F6);
    EXPECT_TRUE(FForm->StayOnTopChecked());
    EXPECT_TRUE(FForm->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_TRUE(FForm->isVisible());
    FForm->SetStayOnTop(false);
    EXPECT_FALSE(Action("StayOnTopAction")->isChecked());
    EXPECT_FALSE(FForm->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    FForm->SetTransparent(true);
    EXPECT_EQ(FForm->windowOpacity(), 0.0);
    FForm->SetTransparent(false);
    EXPECT_EQ(FForm->windowOpacity(), 1.0);

    // A pinned editor: the window goes transparent and on top while it is open, opaque again
    // when it closes, still on top; the next editor starts pinned.
    SelectFolder(4);
    double opacityWhilePinned = -1;
    WhenModalShown([&](QWidget* editor) {
        editor->findChild<QAction*>("StayOnTopAction")->trigger();
        opacityWhilePinned = FForm->windowOpacity();
        Click(editor, "CancelButton");
    });
    Action("AddItemAction")->trigger();
    EXPECT_EQ(opacityWhilePinned, 0.0);
    EXPECT_EQ(FForm->windowOpacity(), 1.0);
    EXPECT_TRUE(FForm->StayOnTopChecked());
    bool startsPinned = false;
    WhenModalShown([&](QWidget* editor) {
        startsPinned = editor->findChild<QAction*>("StayOnTopAction")->isChecked();
        Click(editor, "CancelButton");
    });
    Action("AddItemAction")->trigger();
    EXPECT_TRUE(startsPinned);
}

TEST_F(MainLockTest, BoundsAndTreeWidthAcrossRuns)
{
    const std::string box = NewFilledBox();
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    const QRect centred((screen.width() - 640) / 2, (screen.height() - 480) / 2, 640, 480);
    struct {
        bool Save;
        int Left, Top, Right, Bottom, ContentWidth;
        QRect Expected;
        int Tree;
    } const cases[] = {
        {false, 10, 20, 410, 320, 200, centred, 150},
        {true, 10, 20, 410, 320, 200, QRect(10, 20, 400, 300), 200},
        {true, 0, 0, 5000, 5000, 0, centred, 150},
        {true, 300, 300, 200, 400, -5, centred, 150},
    };
    for (const auto& c : cases) {
        TAppOptionsMgr& o = AppOptionsMgr();
        o.SetValues(AppOpt::SaveWinSize, c.Save);
        o.SetValues(AppOpt::WinLeft, c.Left);
        o.SetValues(AppOpt::WinTop, c.Top);
        o.SetValues(AppOpt::WinRight, c.Right);
        o.SetValues(AppOpt::WinBottom, c.Bottom);
        o.SetValues(AppOpt::ContentWidth, c.ContentWidth);
        OpenForm(box);
        EXPECT_EQ(FForm->geometry(), c.Expected) << c.Left << "," << c.Right;
        EXPECT_EQ(Child<QWidget>(FForm.get(), "ContentPanel")->width(), c.Tree);
        FForm.reset();
        // Saved on exit whatever "SaveWinSize" says.
        EXPECT_EQ(o.ReadInteger(AppOpt::WinLeft), c.Expected.left());
        EXPECT_EQ(o.ReadInteger(AppOpt::WinRight), c.Expected.left() + c.Expected.width());
        EXPECT_EQ(o.ReadInteger(AppOpt::ContentWidth), c.Tree);
    }

    // A maximized window comes back as a normal one covering the work area; a double click on
    // the splitter gives the tree its default width.
    OpenForm(box);
    auto* splitter = Child<TYarroSplitter>(FForm.get(), "Splitter");
    splitter->setSizes({260, 300});
    QTest::mouseDClick(splitter->handle(1), Qt::LeftButton);
    EXPECT_EQ(splitter->sizes().value(0), 150);
    FForm->showMaximized();
    FForm.reset();
    const QRect work = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_EQ(AppOptionsMgr().ReadInteger(AppOpt::WinLeft), work.left());
    EXPECT_EQ(AppOptionsMgr().ReadInteger(AppOpt::WinBottom), work.top() + work.height());
    AppOptionsMgr().SetValues(AppOpt::SaveWinSize, false);
}

} // namespace
