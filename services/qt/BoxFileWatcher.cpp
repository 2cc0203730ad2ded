#include "services/qt/BoxFileWatcher.h"

#include <QFileInfo>

TBoxFileWatcher::TBoxFileWatcher(QObject* AOwner) : QObject(AOwner)
{
    connect(&FWatcher, &QFileSystemWatcher::fileChanged, this, [this] { Check(); });
    connect(&FWatcher, &QFileSystemWatcher::directoryChanged, this, [this] { Check(); });
}

void TBoxFileWatcher::Watch(const QString& FileName, TFateProbe Probe)
{
    Stop();
    FFileName = FileName;
    FProbe = std::move(Probe);
    WatchPaths();
}

void TBoxFileWatcher::Stop()
{
    if (!FWatcher.files().isEmpty())
        FWatcher.removePaths(FWatcher.files());
    if (!FWatcher.directories().isEmpty())
        FWatcher.removePaths(FWatcher.directories());
    FFileName.clear();
    FProbe = nullptr;
    FReported = false;
}

void TBoxFileWatcher::WatchPaths()
{
    // The system forgets a watched file once its name goes; whatever the path names now is
    // watched again, so that a later swap is seen too.
    if (!FWatcher.files().contains(FFileName) && QFileInfo::exists(FFileName))
        FWatcher.addPath(FFileName);
    const QString folder = QFileInfo(FFileName).absolutePath();
    if (!FWatcher.directories().contains(folder) && QFileInfo(folder).isDir())
        FWatcher.addPath(folder);
}

TFileFate TBoxFileWatcher::Check()
{
    if (!FProbe)
        return ffSame;
    WatchPaths();
    const TFileFate fate = FProbe();
    if (fate == ffSame) {
        FReported = false;
        return fate;
    }
    if (!FReported) {
        FReported = true;
        if (FOnFileLost)
            FOnFileLost(this, fate);
    }
    return fate;
}
