#include "ui/dialogs/CommItemFrm.h"

#include "app/AppObjects.h"
#include "app/Application.h"
#include "dataproc/MemoryStream.h"
#include "services/PathUtils.h"
#include "services/PrivateFiles.h"
#include "services/qt/EmptyFieldError.h"
#include "services/qt/FileDialogs.h"
#include "services/qt/MessageBox.h"
#include "services/qt/ShellLaunch.h"
#include "services/qt/SysImgList.h"
#include "ui/dialogs/AttachList.h"
#include "ui/dialogs/DialogParts.h"
#include "ui/dialogs/EditorHost.h"

#include <QAction>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSplitter>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

const QString kAllFilesFilter = QStringLiteral("所有文件(*)");

QAction* NewMenuItem(QMenu* Menu, const char* Name, const QString& Caption)
{
    QAction* item = Menu->addAction(Caption);
    item->setObjectName(QString::fromLatin1(Name));
    return item;
}

} // namespace

TCommItemForm::TCommItemForm(QWidget* Parent) : TItemBaseForm(Parent)
{
    setObjectName(QStringLiteral("CommItemForm"));
    CaptionEdit = new QLineEdit(this);
    CaptionEdit->setObjectName(QStringLiteral("CaptionEdit"));
    CommentsMemo = NewCommentsMemo();

    AttachListView = new QListWidget(this);
    AttachListView->setObjectName(QStringLiteral("AttachListView"));
    AttachListView->setViewMode(QListView::IconMode);
    AttachListView->setIconSize(QSize(TSysImageList::LargeIconSize, TSysImageList::LargeIconSize));
    AttachListView->setMovement(QListView::Static);
    AttachListView->setResizeMode(QListView::Adjust);
    AttachListView->setWrapping(true);
    AttachListView->setWordWrap(true);
    AttachListView->setTextElideMode(Qt::ElideMiddle);
    const int cell = AttachListView->fontMetrics().horizontalAdvance(QStringLiteral("附件名称附件")) + 8;
    AttachListView->setGridSize(QSize(cell, TSysImageList::LargeIconSize + 2 * AttachListView->fontMetrics().height() + 8));
    AttachListView->setSelectionMode(QAbstractItemView::SingleSelection);
    AttachListView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    AttachListView->setContextMenuPolicy(Qt::CustomContextMenu);
    // The selection stays visible while another control has the focus.
    QPalette p = AttachListView->palette();
    p.setColor(QPalette::Inactive, QPalette::Highlight, p.color(QPalette::Active, QPalette::Highlight));
    p.setColor(QPalette::Inactive, QPalette::HighlightedText, p.color(QPalette::Active, QPalette::HighlightedText));
    AttachListView->setPalette(p);

    Splitter = new QSplitter(Qt::Vertical, this);
    Splitter->setObjectName(QStringLiteral("Splitter"));
    Splitter->setChildrenCollapsible(false);
    Splitter->setOpaqueResize(true);
    Splitter->addWidget(CommentsMemo);
    Splitter->addWidget(AttachListView);
    Splitter->setStretchFactor(0, 1);
    Splitter->setStretchFactor(1, 0);
    // At first the view shows one row of attachments with two lines of name, without a scroll bar.
    Splitter->setSizes({300, AttachListView->gridSize().height() + 2 * AttachListView->frameWidth() + 4});

    AttachPopupMenu = new QMenu(this);
    AttachPopupMenu->setObjectName(QStringLiteral("AttachPopupMenu"));
    QAction* openItem = NewMenuItem(AttachPopupMenu, "OpenAttachItem", QStringLiteral("打开附件(&O)..."));
    AttachPopupMenu->setDefaultAction(openItem);
    QAction* saveItem = NewMenuItem(AttachPopupMenu, "SaveAttachItem", QStringLiteral("另存为(&S)..."));
    AttachPopupMenu->addSeparator();
    QAction* addItem = NewMenuItem(AttachPopupMenu, "AddAttachItem", QStringLiteral("添加附件(&A)..."));
    QAction* deleteItem = NewMenuItem(AttachPopupMenu, "DeleteAttachItem", QStringLiteral("删除附件(&D)"));
    QAction* renameItem = NewMenuItem(AttachPopupMenu, "RenameAttachItem", QStringLiteral("附件改名(&R)"));
    // Del and F2 act on attachments only while the view has the focus: Del in the title deletes text.
    deleteItem->setShortcut(QKeySequence::Delete);
    renameItem->setShortcut(Qt::Key_F2);
    for (QAction* item : {deleteItem, renameItem}) {
        item->setShortcutContext(Qt::WidgetShortcut);
        AttachListView->addAction(item);
    }
    connect(openItem, &QAction::triggered, this, [this] { Guarded([this] { OpenAttachItemClick(); }); });
    connect(saveItem, &QAction::triggered, this, [this] { Guarded([this] { SaveAttachItemClick(); }); });
    connect(addItem, &QAction::triggered, this, [this] { Guarded([this] { AddAttachButtonClick(); }); });
    connect(deleteItem, &QAction::triggered, this, &TCommItemForm::DeleteAttachItemClick);
    connect(renameItem, &QAction::triggered, this, &TCommItemForm::RenameAttachItemClick);
    connect(AttachListView, &QListWidget::customContextMenuRequested, this,
            [this](const QPoint& At) { AttachPopupMenu->popup(AttachListView->viewport()->mapToGlobal(At)); });
    connect(AttachListView, &QListWidget::itemActivated, this,
            [this] { Guarded([this] { OpenAttachItemClick(); }); });
    connect(AttachListView, &QListWidget::itemChanged, this, &TCommItemForm::AttachListViewEdited);

    AddAttachButton = NewButton(this, "AddAttachButton", QStringLiteral("添加附件..."));
    connect(AddAttachButton, &QPushButton::clicked, this, [this] { Guarded([this] { AddAttachButtonClick(); }); });
    // Enter in the text starts a new line, so OK is no default button here.
    OkButton->setDefault(false);

    auto* top = new QHBoxLayout;
    top->addWidget(NewLabel(this, QStringLiteral("标题:"), CaptionEdit));
    top->addWidget(CaptionEdit, 1);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->addLayout(top);
    layout->addWidget(Splitter, 1);
    layout->addLayout(NewBottomRow(AddAttachButton));

    SetTabOrder({CaptionEdit, CommentsMemo, AttachListView, PinButton, AddAttachButton, OkButton, CancelButton});
    resize(460, 420);
    InitItemForm();
}

template <typename TAction>
void TCommItemForm::Guarded(TAction Action)
{
    try {
        Action();
    } catch (const std::exception& e) {
        ShowException(e);
    }
}

void TCommItemForm::SetData(bool NewMode, const TZmbCommItem& Item, TAttachList& AttachList)
{
    SetMode(NewMode);
    FAttachList = &AttachList;
    FOwnerID = NewMode ? 0 : Item.ID;
    CaptionEdit->setText(NewMode ? QString() : QString::fromStdString(Item.Caption));
    CommentsMemo->setPlainText(NewMode ? QString() : QString::fromStdString(Item.Comments));
    FillAttachListView();
    ShowAttachList(AttachListView->count() > 0);
    CaptionEdit->setFocus();
}

void TCommItemForm::GetData(TZmbCommItem& Item) const
{
    Item.Caption = CaptionEdit->text().toStdString();
    Item.Comments = CommentsMemo->toPlainText().toStdString();
}

bool TCommItemForm::CheckInput()
{
    if (CaptionEdit->text().isEmpty()) {
        ShowEmptyFieldError(QStringLiteral("标题"), CaptionEdit, false);
        return false;
    }
    return true;
}

bool TCommItemForm::StoreNewItem()
{
    TZmbCommItem item;
    GetData(item);
    TEditorHost* host = EditorHost();
    return host != nullptr && host->AddCommItem(item, *FAttachList);
}

void TCommItemForm::ResetForNextItem()
{
    FAttachList->Clear();
    SetData(true, TZmbCommItem(), *FAttachList);
}

void TCommItemForm::FillAttachListView()
{
    AttachListView->clear();
    for (int i = 0; i < FAttachList->GetCount(); ++i) {
        const TAttachData* a = FAttachList->GetItemPtr(i);
        AddAttachListItem(a->ID, QString::fromStdString(a->Name));
    }
}

void TCommItemForm::AddAttachListItem(int32_t ID, const QString& Name)
{
    const QSignalBlocker quiet(AttachListView);
    auto* row = new QListWidgetItem(SysImageList().Icon(SysImageList().GetIconIndexFromExt(Name)), Name);
    row->setData(Qt::UserRole, ID);
    row->setToolTip(Name);
    row->setFlags(row->flags() | Qt::ItemIsEditable);
    AttachListView->addItem(row);
}

void TCommItemForm::ShowAttachList(bool Value)
{
    // Hiding the view hides the splitter's handle with it.
    AttachListView->setVisible(Value);
}

int TCommItemForm::SelectedRow() const
{
    const QList<QListWidgetItem*> selected = AttachListView->selectedItems();
    return selected.isEmpty() ? -1 : AttachListView->row(selected.first());
}

void TCommItemForm::AddAttachButtonClick()
{
    QString fileName;
    if (!ChooseOpenFile(this, QStringLiteral("选择文件"), kAllFilesFilter, fileName))
        return;
    AddAttachFile(fileName);
}

void TCommItemForm::AddAttachFile(const QString& FileName)
{
    const std::string path = FileName.toStdString();
    TAttachData item;
    item.Name = QFileInfo(FileName).fileName().toStdString();
    const int64_t size = GetFileSizeByName(path);
    // The stored size field holds the low 32 bits.
    item.Size = size < 0 ? -1 : static_cast<int32_t>(static_cast<uint32_t>(size));
    item.OwnerID = FOwnerID;
    {
        TMemoryStream content; // wiped when released
        ReadFileContent(path, content);
        item.Bin = TSecretString(std::string(reinterpret_cast<const char*>(content.Memory()),
                                             static_cast<std::size_t>(content.Size())));
    }
    FAttachList->Add(item);
    AddAttachListItem(0, QString::fromStdString(item.Name));
    QListWidgetItem* row = AttachListView->item(AttachListView->count() - 1);
    ShowAttachList(true);
    AttachListView->scrollToItem(row);
    AttachListView->setCurrentItem(row);
    AttachListView->setFocus();
}

QString TCommItemForm::SafeAttachName(int Index)
{
    QString name = QString::fromStdString(FAttachList->GetItemPtr(Index)->Name);
    name = name.mid(name.lastIndexOf(QLatin1Char('/')) + 1);
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String(".."))
        return QStringLiteral("附件");
    return name;
}

void TCommItemForm::SaveAttachToFile(int Index, const QString& FileName, bool Private)
{
    const std::string& bin = FAttachList->GetItemPtr(Index)->Bin;
    WriteFileContent(FileName.toStdString(), bin.data(), bin.size(), Private);
}

void TCommItemForm::OpenAttachItemClick()
{
    const int row = SelectedRow();
    if (row < 0)
        return;
    const QString path = QString::fromStdString(PrivateTempFolder()) + SafeAttachName(row);
    SaveAttachToFile(row, path, true);
    RunProgram(path);
    ShowInformation(this, QStringLiteral("附件已另存到临时目录，运行完毕后，请点击确定删除附件。"));
    WipeAndDeleteFile(path.toStdString());
}

void TCommItemForm::SaveAttachItemClick()
{
    const int row = SelectedRow();
    if (row < 0)
        return;
    QString fileName = SafeAttachName(row);
    if (ChooseSaveFile(this, QStringLiteral("另存为"), kAllFilesFilter, fileName))
        SaveAttachToFile(row, fileName, false);
}

void TCommItemForm::DeleteAttachItemClick()
{
    const int row = SelectedRow();
    if (row < 0)
        return;
    FAttachList->Delete(row);
    delete AttachListView->takeItem(row);
}

void TCommItemForm::RenameAttachItemClick()
{
    const int row = SelectedRow();
    if (row >= 0)
        AttachListView->editItem(AttachListView->item(row));
}

void TCommItemForm::AttachListViewEdited(QListWidgetItem* Row)
{
    const int index = AttachListView->row(Row);
    if (index < 0 || index >= FAttachList->GetCount())
        return;
    const QString name = Row->text();
    FAttachList->GetItemPtr(index)->Name = name.toStdString();
    const QSignalBlocker quiet(AttachListView);
    Row->setIcon(SysImageList().Icon(SysImageList().GetIconIndexFromExt(name)));
    Row->setToolTip(name);
}

bool ShowCommItemForm(bool NewMode, TZmbCommItem& Item, TAttachList& AttachList)
{
    TCommItemForm form(DialogOwner());
    form.SetData(NewMode, Item, AttachList);
    const bool ok = form.exec() == QDialog::Accepted;
    form.GetData(Item);
    return ok;
}
