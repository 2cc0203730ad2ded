#include "services/qt/FileDialogs.h"

#include <QFileDialog>
#include <QFileInfo>

namespace {

TFileDialogHandler& Handler()
{
    static TFileDialogHandler handler;
    return handler;
}

bool RunFileDialog(const TFileDialogRequest& Request, QString& FileName)
{
    if (Handler())
        return Handler()(Request, FileName);
    QFileDialog dialog(Request.Parent, Request.Title, QString(), Request.Filter);
    dialog.setAcceptMode(Request.Kind == fdOpen ? QFileDialog::AcceptOpen : QFileDialog::AcceptSave);
    dialog.setFileMode(Request.Kind == fdOpen ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    if (!Request.FileName.isEmpty()) {
        const QFileInfo proposed(Request.FileName);
        if (proposed.isDir()) {
            dialog.setDirectory(proposed.absoluteFilePath());
        } else {
            if (proposed.dir().exists())
                dialog.setDirectory(proposed.absolutePath());
            dialog.selectFile(proposed.fileName());
        }
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return false;
    FileName = QFileInfo(dialog.selectedFiles().first()).absoluteFilePath();
    return true;
}

} // namespace

bool ChooseOpenFile(QWidget* Parent, const QString& Title, const QString& Filter, QString& FileName)
{
    return RunFileDialog({fdOpen, Parent, Title, Filter, FileName}, FileName);
}

bool ChooseSaveFile(QWidget* Parent, const QString& Title, const QString& Filter, QString& FileName)
{
    return RunFileDialog({fdSave, Parent, Title, Filter, FileName}, FileName);
}

TFileDialogHandler SetFileDialogHandler(TFileDialogHandler Handler_)
{
    TFileDialogHandler previous = std::move(Handler());
    Handler() = std::move(Handler_);
    return previous;
}
