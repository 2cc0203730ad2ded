// What the dialog tests share: a temporary folder with password boxes made on demand, the
// message recorder, and a clean state of the password box and the options around each test.
#pragma once

#include "app/AppObjects.h"
#include "app/Application.h"
#include "boxdata/DbFileMgr.h"
#include "gui/ModalHelpers.h"
#include "services/AppOptMgr.h"
#include "services/TempDir.h"

#include <QLineEdit>
#include <QPushButton>
#include <gtest/gtest.h>

class TShellFixture : public ::testing::Test {
protected:
    TShellFixture()
    {
        DbFileMgr.CloseDatabase();
        SetStartArguments({});
        AppOptionsMgr().Load(); // the defaults, then what earlier tests saved
    }
    ~TShellFixture() override { DbFileMgr.CloseDatabase(); }

    // A new box in the test's folder; with Question, a recovery question and Answer.
    std::string NewBox(const std::string& Name, const std::string& Password, const std::string& Question = "",
                       const std::string& Answer = "")
    {
        const std::string file = FDir / Name;
        EXPECT_TRUE(DbFileMgr.CreateDatabase(file, Password, true, !Question.empty(), Question, Answer));
        return file;
    }

public:
    // Form helpers, also for drivers outside the fixtures.
    static QString Q(const std::string& Text) { return QString::fromStdString(Text); }

    template <typename T = QWidget>
    static T* Child(QWidget* Form, const char* Name)
    {
        T* child = Form->findChild<T*>(QString::fromLatin1(Name));
        EXPECT_NE(child, nullptr) << Name;
        return child;
    }
    static void Click(QWidget* Form, const char* Name) { Child<QPushButton>(Form, Name)->click(); }
    // Types Text into Widget key by key; characters without a key of their own (Chinese) come as
    // the text of a key event, as an input method delivers them.
    static void KeyClicks(QWidget* Widget, const QString& Text)
    {
        for (const QChar c : Text) {
            if (c.unicode() < 0x80)
                QTest::keyClick(Widget, c.toLatin1());
            else
                QTest::sendKeyEvent(QTest::Click, Widget, Qt::Key_unknown, QString(c), Qt::NoModifier);
        }
    }
    static void Type(QWidget* Form, const char* Name, const QString& Text)
    {
        auto* edit = Child<QLineEdit>(Form, Name);
        edit->clear();
        KeyClicks(edit, Text);
    }
    // The control that has (or gets, when its window is active) the focus in Form.
    static QString FocusIn(QWidget* Form) { return Form->focusWidget() ? Form->focusWidget()->objectName() : QString(); }

protected:

    TTempDir FDir;
    TMessageRecorder FMessages;
};
