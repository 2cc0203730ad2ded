// Answers the program's file dialogs with planned names, for tests.
#pragma once

#include "services/qt/FileDialogs.h"

#include <deque>
#include <string>
#include <vector>

// Answers file dialogs with the planned names, in order; records the requests.
class TFileDialogAnswers {
public:
    TFileDialogAnswers()
    {
        FPrevious = SetFileDialogHandler([this](const TFileDialogRequest& r, QString& FileName) {
            Requests.push_back(r);
            if (FAnswers.empty())
                return false;
            FileName = FAnswers.front();
            FAnswers.pop_front();
            return !FileName.isEmpty();
        });
    }
    ~TFileDialogAnswers() { SetFileDialogHandler(FPrevious); }
    TFileDialogAnswers(const TFileDialogAnswers&) = delete;
    TFileDialogAnswers& operator=(const TFileDialogAnswers&) = delete;

    // The next dialog chooses FileName ("" cancels it).
    void Answer(const std::string& FileName) { FAnswers.push_back(QString::fromStdString(FileName)); }
    std::vector<TFileDialogRequest> Requests;

private:
    std::deque<QString> FAnswers;
    TFileDialogHandler FPrevious;
};
