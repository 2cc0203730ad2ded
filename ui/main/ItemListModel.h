// The entry list's rows as the list view sees them. The model holds no entries of its own: it is
// told the number of rows and draws each cell from the window's entry list when the view asks
// (ListViewData). Columns follow the kind of the listed entries; each keeps the direction of its
// next sort in its tag (0 ascending, 1 descending).
#pragma once

#include "boxdata/ZembraTypes.h"

#include <QAbstractTableModel>
#include <QIcon>
#include <QString>

#include <vector>

class TItemList;

struct TListColumn {
    QString Caption;
    int Width = 0; // design pixels
    int Tag = 0;   // the next sort by this column: 0 smInc, 1 smDesc
};

// The columns of a kind (none for ztNone), tags 0.
std::vector<TListColumn> ListColumnsOf(TZembraType Kind);

// A body as its column shows it: more than 100 characters are cut to 100 and "..." follows;
// then every character below U+0020 becomes a space.
QString ShortenedBody(const QString& Body);
// The row's tool tip from its comments: "" for none, else "备注:", three ideographic spaces,
// a line break and the comments, cut to 200 characters followed by "..." when longer.
QString ItemInfoTip(const QString& Comments);
// A password as its column shows it: with Mask, one "*" per character.
QString PasswordCellText(const QString& Password, bool Mask);

class TItemListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit TItemListModel(QObject* Parent = nullptr);

    // The records the rows are drawn from (not owned; null: the rows are drawn empty). Set it
    // before the row count.
    void SetItemList(const TItemList* List) { FItemList = List; }
    TZembraType Kind() const { return FKind; }
    // UpdateListColumns: the columns of Kind with their tags reset and no rows; nothing
    // changes when Kind's columns are shown already.
    void SetKind(TZembraType Kind);
    const std::vector<TListColumn>& Columns() const { return FColumns; }
    // Raises nothing; an index out of range is ignored (tag 0 read).
    int ColumnTag(int Column) const;
    void SetColumnTag(int Column, int Tag);

    // The number of rows the view shows; the view forgets its selection when it changes.
    void SetRowCount(int Count);
    // Every row drawn again (the records or the password mask changed).
    void Repaint();

    int rowCount(const QModelIndex& Parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& Parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& Index, int Role = Qt::DisplayRole) const override;
    QVariant headerData(int Section, Qt::Orientation Orientation, int Role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& Index) const override;
    QStringList mimeTypes() const override;
    QMimeData* mimeData(const QModelIndexList& Indexes) const override;
    Qt::DropActions supportedDragActions() const override { return Qt::MoveAction; }

    // The text of a cell; the password column reads the option "MaskPassword" each time.
    QString CellText(int Row, int Column) const;
    // The tool tip of a row (ListViewInfoTip).
    QString InfoTip(int Row) const;

private:
    const TItemList* FItemList = nullptr;
    TZembraType FKind = ztNone;
    std::vector<TListColumn> FColumns;
    int FRowCount = 0;
    QIcon FDetailIcon;
};
