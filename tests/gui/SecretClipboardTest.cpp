#include "services/qt/SecretClipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <gtest/gtest.h>

#include <memory>

namespace {

class SecretClipboardTest : public ::testing::Test {
protected:
    SecretClipboardTest()
    {
        QGuiApplication::clipboard()->clear();
        FBoard = std::make_unique<TSecretClipboard>(nullptr, [this] { return FNow; });
    }

    // Advances the clock by Ms and lets the timer tick.
    void Tick(uint32_t Ms)
    {
        FNow += Ms;
        FBoard->TimerTimer();
    }

    static QString ClipboardText() { return QGuiApplication::clipboard()->text(); }

    uint32_t FNow = 0xFFFFF000u; // close to the wrap, which must do no harm
    std::unique_ptr<TSecretClipboard> FBoard;
};

TEST_F(SecretClipboardTest, SecretIsMarkedAndClearedAfterTheDelay)
{
    FBoard->CopySecret(QStringLiteral("s3cret密码"));
    const QMimeData* Data = QGuiApplication::clipboard()->mimeData();
    ASSERT_NE(Data, nullptr);
    EXPECT_EQ(Data->text(), QStringLiteral("s3cret密码"));
    EXPECT_EQ(Data->data("x-kde-passwordManagerHint"), QByteArray("secret"));

    Tick(19999);
    EXPECT_EQ(ClipboardText(), QStringLiteral("s3cret密码"));
    EXPECT_TRUE(FBoard->HasPendingSecret());
    Tick(1);
    EXPECT_TRUE(ClipboardText().isEmpty());
    EXPECT_FALSE(FBoard->HasPendingSecret());
}

TEST_F(SecretClipboardTest, WhatTheUserCopiedSinceIsLeftAlone)
{
    FBoard->CopySecret(QStringLiteral("pw"));
    QGuiApplication::clipboard()->setText(QStringLiteral("the user's own text"));
    Tick(20000);
    EXPECT_EQ(ClipboardText(), QStringLiteral("the user's own text"));
    EXPECT_FALSE(FBoard->HasPendingSecret());
}

TEST_F(SecretClipboardTest, ANewerSecretRestartsTheDelay)
{
    FBoard->CopySecret(QStringLiteral("first"));
    Tick(15000);
    FBoard->CopySecret(QStringLiteral("second"));
    Tick(15000);
    EXPECT_EQ(ClipboardText(), QStringLiteral("second"));
    Tick(5000);
    EXPECT_TRUE(ClipboardText().isEmpty());
}

TEST_F(SecretClipboardTest, PlainTextIsNotMarkedAndStays)
{
    FBoard->CopySecret(QStringLiteral("pw"));
    FBoard->CopyPlain(QStringLiteral("https://example.org"));
    EXPECT_FALSE(QGuiApplication::clipboard()->mimeData()->hasFormat("x-kde-passwordManagerHint"));
    EXPECT_FALSE(FBoard->HasPendingSecret());
    Tick(60000);
    EXPECT_EQ(ClipboardText(), QStringLiteral("https://example.org"));
}

TEST_F(SecretClipboardTest, PendingSecretClearedAtOnceOnRequest)
{
    FBoard->SetClearDelay(5); // stored as the one-second minimum
    EXPECT_EQ(FBoard->ClearDelay(), 1000);
    FBoard->CopySecret(QStringLiteral("pw"));
    FBoard->ClearPendingSecret();
    EXPECT_TRUE(ClipboardText().isEmpty());

    QGuiApplication::clipboard()->setText(QStringLiteral("other"));
    FBoard->ClearPendingSecret(); // nothing of ours is pending: the user's text stays
    EXPECT_EQ(ClipboardText(), QStringLiteral("other"));
    FBoard->Clear();
    EXPECT_TRUE(ClipboardText().isEmpty());
}

} // namespace
