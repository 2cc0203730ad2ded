#include "ui/dialogs/ProgressFrm.h"

#include "boxdata/DbFileMgr.h"
#include "services/Global.h"

#include <QProgressDialog>

namespace {

// Disconnects the progress reports on every way out.
struct TProgressReports {
    explicit TProgressReports(QProgressDialog& Dialog)
    {
        // A modal progress dialog handles the waiting events itself on every new value.
        DbFileMgr.SetOnProgress([&Dialog](int PercentDone) { Dialog.setValue(PercentDone); });
    }
    ~TProgressReports() { DbFileMgr.SetOnProgress(nullptr); }
    TProgressReports(const TProgressReports&) = delete;
    TProgressReports& operator=(const TProgressReports&) = delete;
};

} // namespace

bool RunWithProgressForm(QWidget* Owner, const QString& Text, const std::function<bool()>& Work)
{
    QProgressDialog dialog(Text, QString(), 0, 100, Owner);
    dialog.setObjectName(QStringLiteral("ProgressForm"));
    dialog.setWindowTitle(QString::fromUtf8(kAppTitle));
    dialog.setWindowModality(Qt::WindowModal);
    dialog.setMinimumDuration(0);
    dialog.setAutoClose(false);
    dialog.setAutoReset(false);
    dialog.setMinimumWidth(320);
    dialog.setValue(0);
    TProgressReports reports(dialog);
    const bool result = Work();
    dialog.setValue(100);
    return result;
}
