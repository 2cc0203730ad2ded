#include "services/qt/WindowUtils.h"

#include <QGuiApplication>
#include <QTest>
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
