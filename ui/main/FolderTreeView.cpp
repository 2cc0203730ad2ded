#include "ui/main/FolderTreeView.h"

#include <QDragMoveEvent>
#include <QDropEvent>
#include <QPainter>

TFolderTreeView::TFolderTreeView(QWidget* Parent) : QTreeView(Parent)
{
}

bool TFolderTreeView::AcceptsDropAt(const QPoint& Pos, const QMimeData* Data) const
{
    const QModelIndex target = indexAt(Pos);
    return target.isValid() && FOnDragOver && FOnDragOver(target, Data);
}

bool TFolderTreeView::DropAt(const QPoint& Pos, const QMimeData* Data)
{
    if (!AcceptsDropAt(Pos, Data))
        return false;
    if (FOnDragDrop)
        FOnDragDrop(indexAt(Pos), Data, viewport()->mapToGlobal(Pos));
    return true;
}

void TFolderTreeView::SetDropTarget(const QModelIndex& Target)
{
    if (FDropTarget == Target)
        return;
    FDropTarget = Target;
    viewport()->update();
}

void TFolderTreeView::dragEnterEvent(QDragEnterEvent* Event)
{
    // Judged node by node as the mouse moves.
    Event->acceptProposedAction();
}

void TFolderTreeView::dragMoveEvent(QDragMoveEvent* Event)
{
    const QPoint pos = Event->position().toPoint();
    if (AcceptsDropAt(pos, Event->mimeData())) {
        Event->setDropAction(Qt::MoveAction);
        Event->accept(visualRect(indexAt(pos)));
        SetDropTarget(indexAt(pos));
    } else {
        Event->ignore();
        SetDropTarget(QModelIndex());
    }
}

void TFolderTreeView::dragLeaveEvent(QDragLeaveEvent* Event)
{
    SetDropTarget(QModelIndex());
    Event->accept();
}

void TFolderTreeView::dropEvent(QDropEvent* Event)
{
    SetDropTarget(QModelIndex());
    if (!AcceptsDropAt(Event->position().toPoint(), Event->mimeData())) {
        Event->ignore();
        return;
    }
    // The window moves what was dropped itself; the sources' models remove no rows.
    Event->setDropAction(Qt::MoveAction);
    Event->accept();
    DropAt(Event->position().toPoint(), Event->mimeData());
}

void TFolderTreeView::drawRow(QPainter* Painter, const QStyleOptionViewItem& Option, const QModelIndex& Index) const
{
    QTreeView::drawRow(Painter, Option, Index);
    if (!FDropTarget.isValid() || Index != FDropTarget)
        return;
    Painter->save();
    Painter->setPen(QPen(palette().color(QPalette::Highlight), 1));
    Painter->setBrush(Qt::NoBrush);
    Painter->drawRect(visualRect(Index).adjusted(0, 0, -1, -1));
    Painter->restore();
}
