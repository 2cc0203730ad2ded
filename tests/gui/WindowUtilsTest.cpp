#include "services/qt/WindowUtils.h"

#include <QDialog>
#include <QGuiApplication>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <gtest/gtest.h>

namespace {

TEST(WindowUtilsTest, TopmostKeepsPlaceSizeAndVisibility)
{
    QWidget form;
    form.setGeometry(120, 80, 300, 200);
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    const QRect before = form.geometry();

    SetWindowTopmost(&form, true);
    EXPECT_TRUE(form.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(form.geometry(), before);

    SetWindowTopmost(&form, false);
    EXPECT_FALSE(form.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(form.geometry(), before);

    QWidget hidden;
    SetWindowTopmost(&hidden, true);
    EXPECT_TRUE(hidden.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_FALSE(hidden.isVisible());
}

TEST(WindowUtilsTest, AModalDialogStaysOpenWhilePinned)
{
    QDialog dialog;
    bool visibleAfterPin = false;
    bool visibleAfterUnpin = false;
    QTimer::singleShot(0, &dialog, [&] {
        SetWindowTopmost(&dialog, true);
        QTest::qWait(20);
        visibleAfterPin = dialog.isVisible();
        SetWindowTopmost(&dialog, false);
        QTest::qWait(20);
        visibleAfterUnpin = dialog.isVisible();
        dialog.done(7);
    });
    EXPECT_EQ(dialog.exec(), 7);
    EXPECT_TRUE(visibleAfterPin);
    EXPECT_TRUE(visibleAfterUnpin);
    EXPECT_FALSE(dialog.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
}

TEST(WindowUtilsTest, WaitCursorIsNotNested)
{
    ShowWaitCursor();
    ShowWaitCursor();
    ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
    RestoreCursor();
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    {
        TWaitCursor busy;
        EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
    }
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

} // namespace
