#include "services/qt/LeaveChecker.h"

#include "dataproc/Exception.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTest>
#include <QTimer>
#include <QWheelEvent>
#include <QWidget>
#include <gtest/gtest.h>

#include <memory>

namespace {

class LeaveCheckerTest : public ::testing::Test {
protected:
    LeaveCheckerTest()
    {
        FWindow.resize(200, 100);
        FWindow.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&FWindow));
        NewChecker(1000);
    }

    void NewChecker(uint32_t Start)
    {
        FChecker.reset();
        FNow = Start;
        FChecker = std::make_unique<TLeaveChecker>(nullptr, [this] { return FNow; });
        FChecker->SetInterval(3000);
        FChecker->SetOnLeave([this](TLeaveChecker* Sender) {
            EXPECT_EQ(Sender, FChecker.get());
            ++FLeaves;
            FLeaveTimes.push_back(FNow);
        });
        FChecker->SetOnBack([this](TLeaveChecker*) { ++FBacks; });
        FLeaves = FBacks = 0;
        FLeaveTimes.clear();
    }

    // Advances the clock by Ms and lets the timer tick.
    void Tick(uint32_t Ms = 1000)
    {
        FNow += Ms;
        FChecker->TimerTimer();
    }

    void MoveMouse()
    {
        static int x = 10;
        x = x == 10 ? 20 : 10;
        QTest::mouseMove(FWindow.windowHandle(), QPoint(x, 10));
    }

    QWidget FWindow;
    uint32_t FNow = 0;
    std::unique_ptr<TLeaveChecker> FChecker;
    int FLeaves = 0;
    int FBacks = 0;
    std::vector<uint32_t> FLeaveTimes;
};

TEST_F(LeaveCheckerTest, LeavesOnceAfterTheIntervalAndComesBackOnActivity)
{
    Tick(); // 2000
    Tick(); // 3000
    Tick(); // 4000: exactly 3000 ms idle is not more than the interval
    EXPECT_EQ(FLeaves, 0);
    Tick(); // 5000
    EXPECT_EQ(FLeaves, 1);
    EXPECT_TRUE(FChecker->IsLeave());
    for (int i = 0; i < 600; ++i)
        Tick();
    EXPECT_EQ(FLeaves, 1);
    EXPECT_EQ(FBacks, 0);

    MoveMouse();
    EXPECT_EQ(FBacks, 1);
    EXPECT_FALSE(FChecker->IsLeave());
    MoveMouse();
    EXPECT_EQ(FBacks, 1);

    // The idle period restarts at the last tick.
    const uint32_t lastTick = FNow;
    for (int i = 0; i < 4; ++i)
        Tick();
    EXPECT_EQ(FLeaves, 2);
    EXPECT_EQ(FLeaveTimes.back(), lastTick + 4000);
}

TEST_F(LeaveCheckerTest, ActivityBetweenTwoTicksCountsFromTheFirst)
{
    // Dated by the clock, the later activity would move the leave one tick on.
    for (uint32_t offset : {10u, 990u}) {
        NewChecker(1000);
        FChecker->SetInterval(3500);
        Tick(); // 2000
        FNow += offset;
        QTest::keyClick(&FWindow, Qt::Key_A);
        FNow -= offset;
        for (int i = 0; i < 5; ++i)
            Tick();
        ASSERT_EQ(FLeaves, 1) << offset;
        EXPECT_EQ(FLeaveTimes.front(), 6000u) << offset;
    }
}

TEST_F(LeaveCheckerTest, KeysAndMovesAreActivityClicksAndWheelAreNot)
{
    const QPointF pos(15, 15);
    const QPointF global = FWindow.mapToGlobal(pos.toPoint());
    auto mouse = [&](QEvent::Type type) {
        return std::make_unique<QMouseEvent>(type, pos, global, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    };
    std::vector<std::unique_ptr<QEvent>> notActivity;
    notActivity.push_back(mouse(QEvent::MouseButtonPress));
    notActivity.push_back(mouse(QEvent::MouseButtonRelease));
    notActivity.push_back(mouse(QEvent::MouseButtonDblClick));
    notActivity.push_back(std::make_unique<QWheelEvent>(pos, global, QPoint(), QPoint(0, 120), Qt::NoButton,
                                                        Qt::NoModifier, Qt::NoScrollPhase, false));
    std::vector<std::unique_ptr<QEvent>> activity;
    activity.push_back(std::make_unique<QKeyEvent>(QEvent::KeyPress, Qt::Key_B, Qt::NoModifier, "b"));
    activity.push_back(std::make_unique<QKeyEvent>(QEvent::KeyRelease, Qt::Key_B, Qt::NoModifier, "b"));
    activity.push_back(std::make_unique<QMouseEvent>(QEvent::MouseMove, pos, global, Qt::NoButton, Qt::NoButton,
                                                     Qt::NoModifier));

    for (int i = 0; i < 5; ++i)
        Tick();
    ASSERT_TRUE(FChecker->IsLeave());
    for (auto& event : notActivity)
        QApplication::sendEvent(&FWindow, event.get());
    EXPECT_EQ(FBacks, 0);

    for (std::size_t i = 0; i < activity.size(); ++i) {
        for (int t = 0; t < 5; ++t)
            Tick();
        ASSERT_TRUE(FChecker->IsLeave());
        QApplication::sendEvent(&FWindow, activity[i].get());
        EXPECT_EQ(FBacks, static_cast<int>(i) + 1) << "event " << i;
    }
}

TEST_F(LeaveCheckerTest, IdleTimeSurvivesTheTickCounterWrap)
{
    NewChecker(0xFFFFFC18u); // 1000 ms before the wrap
    Tick();
    Tick();
    Tick();
    EXPECT_EQ(FLeaves, 0);
    Tick(); // 3000 after the wrap: 4000 ms idle
    EXPECT_EQ(FLeaves, 1);
    EXPECT_EQ(FLeaveTimes.front(), 3000u);
}

TEST_F(LeaveCheckerTest, DisabledStopsTicksButStillSeesActivity)
{
    QTimer* timer = FChecker->findChild<QTimer*>();
    ASSERT_NE(timer, nullptr);
    EXPECT_FALSE(FChecker->Enabled());
    FChecker->SetEnabled(true);
    EXPECT_TRUE(timer->isActive());
    EXPECT_EQ(timer->interval(), 1000);

    // The real timer drives the ticks.
    FNow += 10000;
    EXPECT_TRUE(QTest::qWaitFor([this] { return FLeaves == 1; }, 3000));

    FChecker->SetEnabled(false);
    EXPECT_FALSE(timer->isActive());
    EXPECT_TRUE(FChecker->IsLeave());
    MoveMouse();
    EXPECT_EQ(FBacks, 1);
}

TEST_F(LeaveCheckerTest, IntervalHasAFloorOfThreeSeconds)
{
    const std::pair<int, int> cases[] = {{1000, 3000}, {0, 3000}, {-5, 3000}, {3000, 3000}, {900000, 900000}};
    for (const auto& [in, stored] : cases) {
        FChecker->SetInterval(in);
        EXPECT_EQ(FChecker->Interval(), stored) << in;
    }
}

TEST_F(LeaveCheckerTest, OnlyOneDetectorAtATime)
{
    try {
        TLeaveChecker second;
        FAIL() << "no exception";
    } catch (const Exception& e) {
        EXPECT_STREQ(e.what(), "LeaveChecker component already exists.");
    }
    FChecker.reset();
    TLeaveChecker again;
    EXPECT_EQ(again.Interval(), 300000);
    EXPECT_FALSE(again.Enabled());
}

} // namespace
