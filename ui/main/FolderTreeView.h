// The tree view of the folder tree. Drags over it and drops on it are judged and carried out by
// the window (TreeViewDragOver, TreeViewDragDrop); the view only finds the node under the mouse
// and outlines it while a drop there would be taken.
#pragma once

#include <QPersistentModelIndex>
#include <QTreeView>

#include <functional>

class QMimeData;

class TFolderTreeView : public QTreeView {
    Q_OBJECT
public:
    // Whether Data may be dropped on Target (invalid: no node under the mouse).
    using TDragOverProc = std::function<bool(const QModelIndex& Target, const QMimeData* Data)>;
    // Data was dropped on Target at GlobalPos (screen coordinates).
    using TDragDropProc = std::function<void(const QModelIndex& Target, const QMimeData* Data, const QPoint& GlobalPos)>;

    explicit TFolderTreeView(QWidget* Parent = nullptr);

    void SetOnDragOver(TDragOverProc Value) { FOnDragOver = std::move(Value); }
    void SetOnDragDrop(TDragDropProc Value) { FOnDragDrop = std::move(Value); }

    // Whether Data may be dropped at Pos (viewport coordinates), as a drag there asks.
    bool AcceptsDropAt(const QPoint& Pos, const QMimeData* Data) const;
    // Drops Data at Pos as a drop there does; false when it is not taken.
    bool DropAt(const QPoint& Pos, const QMimeData* Data);

protected:
    void dragEnterEvent(QDragEnterEvent* Event) override;
    void dragMoveEvent(QDragMoveEvent* Event) override;
    void dragLeaveEvent(QDragLeaveEvent* Event) override;
    void dropEvent(QDropEvent* Event) override;
    void drawRow(QPainter* Painter, const QStyleOptionViewItem& Option, const QModelIndex& Index) const override;

private:
    void SetDropTarget(const QModelIndex& Target);

    TDragOverProc FOnDragOver;
    TDragDropProc FOnDragDrop;
    QPersistentModelIndex FDropTarget;
};
