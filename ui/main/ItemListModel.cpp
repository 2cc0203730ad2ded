#include "ui/main/ItemListModel.h"

#include "app/AppObjects.h"
#include "app/SysDM.h"
#include "services/AppOptMgr.h"
#include "ui/main/DragPayload.h"
#include "ui/main/ItemList.h"

#include <QMimeData>
#include <QTextDocument>

namespace {

constexpr int kBodyShown = 100;
constexpr int kTipShown = 200;

QString Q(const std::string& Utf8)
{
    return QString::fromStdString(Utf8);
}

} // namespace

std::vector<TListColumn> ListColumnsOf(TZembraType Kind)
{
    switch (Kind) {
    case ztNetItem: return {{"标题", 150}, {"用户名", 145}, {"密码", 145}};
    case ztBankItem: return {{"开户行", 205}, {"类别", 80}, {"账号/卡号", 160}, {"密码", 120}};
    case ztCommItem: return {{"标题", 150}, {"内容", 295}};
    default: return {};
    }
}

QString ShortenedBody(const QString& Body)
{
    QString shown = Body.size() > kBodyShown ? Body.left(kBodyShown) + QStringLiteral("...") : Body;
    for (QChar& c : shown)
        if (c.unicode() < 0x20)
            c = QLatin1Char(' ');
    return shown;
}

QString ItemInfoTip(const QString& Comments)
{
    if (Comments.isEmpty())
        return QString();
    const QString text = Comments.size() > kTipShown ? Comments.left(kTipShown) + QStringLiteral("...") : Comments;
    return QStringLiteral("备注:\u3000\u3000\u3000\n") + text;
}

QString PasswordCellText(const QString& Password, bool Mask)
{
    return Mask ? QString(Password.size(), QLatin1Char('*')) : Password;
}

TItemListModel::TItemListModel(QObject* Parent) : QAbstractTableModel(Parent)
{
    FDetailIcon = SharedImages().Icon(QStringLiteral("Detail"));
}

void TItemListModel::SetKind(TZembraType Kind)
{
    if (Kind == FKind)
        return;
    beginResetModel();
    FKind = Kind;
    FRowCount = 0;
    FColumns = ListColumnsOf(Kind);
    endResetModel();
}

int TItemListModel::ColumnTag(int Column) const
{
    if (Column < 0 || Column >= static_cast<int>(FColumns.size()))
        return 0;
    return FColumns[Column].Tag;
}

void TItemListModel::SetColumnTag(int Column, int Tag)
{
    if (Column >= 0 && Column < static_cast<int>(FColumns.size()))
        FColumns[Column].Tag = Tag;
}

void TItemListModel::SetRowCount(int Count)
{
    beginResetModel();
    FRowCount = Count;
    endResetModel();
}

void TItemListModel::Repaint()
{
    if (FRowCount > 0 && !FColumns.empty())
        emit dataChanged(index(0, 0), index(FRowCount - 1, static_cast<int>(FColumns.size()) - 1));
}

int TItemListModel::rowCount(const QModelIndex& Parent) const
{
    return Parent.isValid() ? 0 : FRowCount;
}

int TItemListModel::columnCount(const QModelIndex& Parent) const
{
    return Parent.isValid() ? 0 : static_cast<int>(FColumns.size());
}

QString TItemListModel::CellText(int Row, int Column) const
{
    if (FItemList == nullptr || Row < 0 || Row >= FItemList->Count())
        return QString();
    const auto mask = [] { return AppOptionsMgr().ReadBoolean(AppOpt::MaskPassword); };
    switch (FKind) {
    case ztNetItem: {
        const TZmbNetItem& item = static_cast<const TNetItemList*>(FItemList)->Items(Row);
        switch (Column) {
        case 0: return Q(item.Caption);
        case 1: return Q(item.UserName);
        case 2: return PasswordCellText(Q(item.Password), mask());
        default: return QString();
        }
    }
    case ztBankItem: {
        const TZmbBankItem& item = static_cast<const TBankItemList*>(FItemList)->Items(Row);
        switch (Column) {
        case 0: return Q(item.BankName);
        case 1: return Q(item.AccType);
        case 2: return Q(item.Account);
        case 3: return PasswordCellText(Q(item.Password), mask());
        default: return QString();
        }
    }
    case ztCommItem: {
        const TZmbCommItem& item = static_cast<const TCommItemList*>(FItemList)->Items(Row);
        switch (Column) {
        case 0: return Q(item.Caption);
        case 1: return ShortenedBody(Q(item.Comments));
        default: return QString();
        }
    }
    default: return QString();
    }
}

QString TItemListModel::InfoTip(int Row) const
{
    if (FItemList == nullptr || Row < 0 || Row >= FItemList->Count())
        return QString();
    switch (FKind) {
    case ztNetItem: return ItemInfoTip(Q(static_cast<const TNetItemList*>(FItemList)->Items(Row).Comments));
    case ztBankItem: return ItemInfoTip(Q(static_cast<const TBankItemList*>(FItemList)->Items(Row).Comments));
    case ztCommItem: return ItemInfoTip(Q(static_cast<const TCommItemList*>(FItemList)->Items(Row).Comments));
    default: return QString();
    }
}

QVariant TItemListModel::data(const QModelIndex& Index, int Role) const
{
    if (!Index.isValid())
        return QVariant();
    switch (Role) {
    case Qt::DisplayRole: return CellText(Index.row(), Index.column());
    case Qt::DecorationRole: return Index.column() == 0 ? QVariant(FDetailIcon) : QVariant();
    case Qt::ToolTipRole: {
        // Shown as plain text whatever the comments hold.
        const QString tip = InfoTip(Index.row());
        return tip.isEmpty() ? QVariant() : QVariant(Qt::convertFromPlainText(tip, Qt::WhiteSpaceNormal));
    }
    default: return QVariant();
    }
}

QVariant TItemListModel::headerData(int Section, Qt::Orientation Orientation, int Role) const
{
    if (Orientation == Qt::Horizontal && Role == Qt::DisplayRole && Section >= 0 &&
        Section < static_cast<int>(FColumns.size()))
        return FColumns[Section].Caption;
    return QVariant();
}

Qt::ItemFlags TItemListModel::flags(const QModelIndex& Index) const
{
    if (!Index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled | Qt::ItemNeverHasChildren;
}

QStringList TItemListModel::mimeTypes() const
{
    return {kEntriesDragFormat};
}

QMimeData* TItemListModel::mimeData(const QModelIndexList& Indexes) const
{
    // The drop takes the list's selection at that moment; the drag says only what kind it is.
    if (Indexes.isEmpty() || FKind == ztNone)
        return nullptr;
    return NewEntriesDrag(FKind);
}
