// The progress dialog of the long box operations (compaction, password change): it follows the
// rebuild's progress reports while the operation runs.
#pragma once

#include <QString>

#include <functional>

class QWidget;

// Runs Work while a modal progress dialog owned by Owner shows Text and the percentage the
// password box reports (DbFileMgr's OnProgress). Answers Work's result; what Work raises passes
// on after the dialog is gone and the progress reports are disconnected.
bool RunWithProgressForm(QWidget* Owner, const QString& Text, const std::function<bool()>& Work);
