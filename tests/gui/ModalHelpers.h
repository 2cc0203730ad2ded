// Driving modal windows from a test: act on a dialog once its modal loop runs, and answer the
// program's message boxes through its message function.
#pragma once

#include "services/qt/MessageBox.h"

#include <QApplication>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <vector>

// Runs Action on the modal window once it is up.
inline void WhenModalShown(std::function<void(QWidget*)> Action)
{
    QTimer::singleShot(0, [Action] {
        QWidget* modal = nullptr;
        if (!QTest::qWaitFor([&modal] { return (modal = QApplication::activeModalWidget()) != nullptr; }, 5000))
            ADD_FAILURE() << "no modal window came up";
        Action(modal); // with none, the action's checks fail and the test hangs no longer than this
    });
}

// Records every message box and answers it: with the next planned answer, else with its
// default button (OK when it has none). OnMessage, when set, runs at each box (for looking at
// the dialog behind it at that moment).
class TMessageRecorder {
public:
    TMessageRecorder()
    {
        FPrevious = SetMessageBoxHandler([this](const TMessageBoxRequest& r) {
            FRequests.push_back(r);
            if (FOnMessage)
                FOnMessage(r);
            if (!FAnswers.empty()) {
                const auto answer = FAnswers.front();
                FAnswers.pop_front();
                return answer;
            }
            return r.DefaultButton != QMessageBox::NoButton ? r.DefaultButton : QMessageBox::Ok;
        });
    }
    ~TMessageRecorder() { SetMessageBoxHandler(FPrevious); }
    TMessageRecorder(const TMessageRecorder&) = delete;
    TMessageRecorder& operator=(const TMessageRecorder&) = delete;

    void Answer(QMessageBox::StandardButton Button) { FAnswers.push_back(Button); }
    void SetOnMessage(std::function<void(const TMessageBoxRequest&)> Proc) { FOnMessage = std::move(Proc); }
    const std::vector<TMessageBoxRequest>& Requests() const { return FRequests; }
    QStringList Texts() const
    {
        QStringList texts;
        for (const auto& r : FRequests)
            texts << r.Text;
        return texts;
    }
    void Clear() { FRequests.clear(); }

private:
    std::vector<TMessageBoxRequest> FRequests;
    std::deque<QMessageBox::StandardButton> FAnswers;
    std::function<void(const TMessageBoxRequest&)> FOnMessage;
    TMessageBoxHandler FPrevious;
};
