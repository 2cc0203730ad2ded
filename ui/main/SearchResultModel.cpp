#include "ui/main/SearchResultModel.h"

#include "app/SysDM.h"

TSearchResultModel::TSearchResultModel(QObject* Parent) : QAbstractTableModel(Parent)
{
    FDetailIcon = SharedImages().Icon(QStringLiteral("Detail"));
}

void TSearchResultModel::SetRows(std::vector<TSearchResultRow> Rows)
{
    beginResetModel();
    FRows = std::move(Rows);
    endResetModel();
}

TSearchResultItem TSearchResultModel::Item(int Row) const
{
    if (Row < 0 || Row >= static_cast<int>(FRows.size()))
        return TSearchResultItem();
    return FRows[Row].Item;
}

int TSearchResultModel::rowCount(const QModelIndex& Parent) const
{
    return Parent.isValid() ? 0 : static_cast<int>(FRows.size());
}

int TSearchResultModel::columnCount(const QModelIndex& Parent) const
{
    return Parent.isValid() ? 0 : 2;
}

QVariant TSearchResultModel::data(const QModelIndex& Index, int Role) const
{
    if (!Index.isValid() || Index.row() >= static_cast<int>(FRows.size()))
        return QVariant();
    const TSearchResultRow& row = FRows[Index.row()];
    if (Role == Qt::DisplayRole)
        return Index.column() == 0 ? row.Category : QString::fromStdString(row.Item.Caption);
    if (Role == Qt::DecorationRole && Index.column() == 0)
        return FDetailIcon;
    return QVariant();
}

QVariant TSearchResultModel::headerData(int Section, Qt::Orientation Orientation, int Role) const
{
    if (Orientation != Qt::Horizontal || Role != Qt::DisplayRole)
        return QVariant();
    return Section == 0 ? QStringLiteral("类别") : QStringLiteral("标题");
}

Qt::ItemFlags TSearchResultModel::flags(const QModelIndex& Index) const
{
    return Index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren : Qt::NoItemFlags;
}
