// The rows of the search result pane: the category of each hit and its title, each row with its
// own copy of the hit.
#pragma once

#include "boxdata/ZembraTypes.h"

#include <QAbstractTableModel>
#include <QIcon>
#include <QString>

#include <vector>

struct TSearchResultRow {
    QString Category; // the first column
    TSearchResultItem Item;
};

class TSearchResultModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit TSearchResultModel(QObject* Parent = nullptr);

    // Replaces every row at once: the category, then the hit's caption.
    void SetRows(std::vector<TSearchResultRow> Rows);
    // The hit of Row; raises nothing (a row out of range gives an empty hit).
    TSearchResultItem Item(int Row) const;

    int rowCount(const QModelIndex& Parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& Parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& Index, int Role = Qt::DisplayRole) const override;
    QVariant headerData(int Section, Qt::Orientation Orientation, int Role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& Index) const override;

private:
    std::vector<TSearchResultRow> FRows;
    QIcon FDetailIcon;
};
