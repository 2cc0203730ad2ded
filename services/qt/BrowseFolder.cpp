#include "services/qt/BrowseFolder.h"

#include <QDir>
#include <QFileDialog>

namespace {

bool IsInside(const QString& Path, const QString& Root)
{
    const QString path = QDir::cleanPath(QDir(Path).absolutePath());
    const QString root = QDir::cleanPath(QDir(Root).absolutePath());
    return path == root || path.startsWith(root.endsWith(QLatin1Char('/')) ? root : root + QLatin1Char('/'));
}

} // namespace

bool BrowseForFolder(QWidget* Owner, const QString& Title, const QString& Root, QString& Folder)
{
    QString start = Folder;
    if (!Root.isEmpty() && (start.isEmpty() || !IsInside(start, Root)))
        start = Root;
    QFileDialog dialog(Owner, Title, start);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly, true);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setWindowModality(Qt::ApplicationModal);
    if (!Root.isEmpty()) {
        // Only the dialog of our own toolkit lets us keep the user inside Root.
        dialog.setOption(QFileDialog::DontUseNativeDialog, true);
        QObject::connect(&dialog, &QFileDialog::directoryEntered, &dialog, [&dialog, &Root](const QString& Dir) {
            if (!IsInside(Dir, Root))
                dialog.setDirectory(Root);
        });
    }
    if (dialog.exec() != QDialog::Accepted)
        return false;
    const QStringList chosen = dialog.selectedFiles();
    if (chosen.isEmpty() || (!Root.isEmpty() && !IsInside(chosen.first(), Root)))
        return false;
    Folder = QDir::toNativeSeparators(chosen.first());
    return true;
}
