// A splitter whose handles report a double click (the main window puts the tree pane back to
// its default width that way).
#pragma once

#include <QSplitter>

class TYarroSplitter : public QSplitter {
    Q_OBJECT
public:
    explicit TYarroSplitter(Qt::Orientation Orientation, QWidget* Parent = nullptr);

signals:
    // The handle in front of the widget at Index was double-clicked.
    void HandleDblClick(int Index);

protected:
    QSplitterHandle* createHandle() override;
};
