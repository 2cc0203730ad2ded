// Tells the main window at once when another program replaces, moves or deletes its box's file:
// synchronising tools rename a new file over it, file managers move or delete it. The window then
// offers its way out (open the new file, save what it holds as a copy, close) before the user
// types a change that could not be stored.
//
// The file and its folder are watched (a rename over the file, a move and a deletion all show as
// a change of the folder); on every sign of change the probe, normally the data layer's
// FileFate, says whether the path still names the open file. OnFileLost is raised once per loss;
// when the path names the open file again (the file was moved back), the next loss is raised
// again. Watching a file whose folder cannot be watched only loses the early warning: the data
// layer still refuses every change. Nothing here raises. Threads: the user-interface thread.
#pragma once

#include "dataproc/FileAnchor.h"

#include <QFileSystemWatcher>
#include <QObject>
#include <QString>

#include <functional>

class TBoxFileWatcher : public QObject {
    Q_OBJECT
public:
    using TFateProbe = std::function<TFileFate()>;
    using TFileLostEvent = std::function<void(TBoxFileWatcher* Sender, TFileFate Fate)>;

    explicit TBoxFileWatcher(QObject* AOwner = nullptr);

    // Watches FileName with Probe, in place of what was watched before; nothing is reported yet.
    void Watch(const QString& FileName, TFateProbe Probe);
    // Watches nothing.
    void Stop();
    const QString& FileName() const { return FFileName; }

    // Asks the probe now (the window also calls it when the data layer refused a change, so the
    // choices come up even before the watcher's own news) and raises OnFileLost for a loss not
    // reported yet. Answers the fate (ffSame while nothing is watched).
    TFileFate Check();
    void SetOnFileLost(TFileLostEvent Value) { FOnFileLost = std::move(Value); }

private:
    void WatchPaths();

    QFileSystemWatcher FWatcher;
    QString FFileName;
    TFateProbe FProbe;
    bool FReported = false;
    TFileLostEvent FOnFileLost;
};
