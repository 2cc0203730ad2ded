// The main window, as far as the start-up needs it: it takes over the box the login opened,
// shows its path, announces it to other copies of the program and remembers it as the last file;
// the file menu opens or creates another box. The folder tree, the entry lists and the other
// commands come with the full main window.
#pragma once

#include "app/BaseFrm.h"
#include "services/OpenFileLock.h"

#include <QMainWindow>

class QLabel;

class TMainForm : public TBaseFormOf<QMainWindow> {
    Q_OBJECT
public:
    // Takes over the box that is open in DbFileMgr.
    explicit TMainForm(QWidget* Parent = nullptr);
    ~TMainForm() override;

    // After every successful open: caption, "LastFile", the announcement to other copies.
    void DoFileOpened();

private:
    void NewFileActionExecute();
    void OpenFileActionExecute();
    void RegisterOpenFile();
    void UnregisterOpenFile();

    QLabel* FFileLabel;
    TOpenFileMarker FOpenFileMarker;
};
