#include "ui/dialogs/ItemBaseFrm.h"

#include "app/SysDM.h"
#include "services/qt/SecretClipboard.h"
#include "services/qt/WindowUtils.h"
#include "ui/dialogs/DialogParts.h"
#include "ui/dialogs/EditorHost.h"

#include <QAction>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

// The corners in the order F7 visits them.
enum TScreenCorner { scBottomLeft = 0, scBottomRight = 1, scTopLeft = 2, scTopRight = 3 };

} // namespace

TItemBaseForm::TItemBaseForm(QWidget* Parent) : TBaseForm(Parent)
{
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint);
    setSizeGripEnabled(true);
    setWindowIcon(SharedImages().Icon(QStringLiteral("Detail")));

    StayOnTopAction = new QAction(SharedImages().Icon(QStringLiteral("Pin")), QStringLiteral("窗口置顶"), this);
    StayOnTopAction->setObjectName(QStringLiteral("StayOnTopAction"));
    StayOnTopAction->setToolTip(QStringLiteral("窗口置顶"));
    StayOnTopAction->setShortcut(Qt::Key_F6);
    StayOnTopAction->setCheckable(true);
    connect(StayOnTopAction, &QAction::triggered, this, [this](bool Checked) { SetStayOnTop(Checked); });
    addAction(StayOnTopAction);

    MoveToCornerAction = new QAction(QStringLiteral("移至角落"), this);
    MoveToCornerAction->setObjectName(QStringLiteral("MoveToCornerAction"));
    MoveToCornerAction->setToolTip(QStringLiteral("移至角落"));
    MoveToCornerAction->setShortcut(Qt::Key_F7);
    connect(MoveToCornerAction, &QAction::triggered, this, &TItemBaseForm::MoveToCornerActionExecute);
    addAction(MoveToCornerAction);

    PinButton = new QToolButton(this);
    PinButton->setObjectName(QStringLiteral("PinButton"));
    PinButton->setDefaultAction(StayOnTopAction);
    PinButton->setAutoRaise(true);
    PinButton->setToolButtonStyle(Qt::ToolButtonIconOnly);

    OkButton = NewButton(this, "OkButton", QStringLiteral("确定"));
    CancelButton = NewButton(this, "CancelButton", QStringLiteral("取消"));
    connect(OkButton, &QPushButton::clicked, this, &TItemBaseForm::OkButtonClick);
    connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);
}

void TItemBaseForm::InitItemForm()
{
    TEditorHost* host = EditorHost();
    StayOnTopAction->setChecked(host != nullptr && host->StayOnTopChecked());
    AdjustLayout();
}

void TItemBaseForm::SetMode(bool NewMode)
{
    FNewMode = NewMode;
    setWindowTitle(NewMode ? QStringLiteral("添加条目") : QStringLiteral("修改条目"));
    OkButton->setText(NewMode ? QStringLiteral("添加(&A)") : QStringLiteral("确定"));
    CancelButton->setText(NewMode ? QStringLiteral("关闭") : QStringLiteral("取消"));
}

QHBoxLayout* TItemBaseForm::NewBottomRow(QWidget* Extra)
{
    auto* row = new QHBoxLayout;
    row->addWidget(PinButton);
    if (Extra != nullptr)
        row->addWidget(Extra);
    row->addStretch();
    row->addWidget(OkButton);
    row->addWidget(CancelButton);
    return row;
}

QToolButton* TItemBaseForm::NewImageButton(const char* Name, const QString& Image, const QString& Hint)
{
    auto* button = new QToolButton(this);
    button->setObjectName(QString::fromLatin1(Name));
    button->setIcon(SharedImages().Icon(Image));
    button->setToolTip(Hint);
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::TabFocus);
    return button;
}

void TItemBaseForm::AddFieldRow(QGridLayout* Grid, int Row, const QString& Caption, QWidget* Edit,
                                std::initializer_list<QToolButton*> Buttons)
{
    Grid->addWidget(NewLabel(Edit->parentWidget(), Caption, Edit), Row, 0);
    Grid->addWidget(Edit, Row, 1);
    int column = 2;
    for (QToolButton* button : Buttons)
        Grid->addWidget(button, Row, column++, Qt::AlignVCenter);
}

QPlainTextEdit* TItemBaseForm::NewCommentsMemo()
{
    auto* memo = new QPlainTextEdit(this);
    memo->setObjectName(QStringLiteral("CommentsMemo"));
    memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    memo->setTabChangesFocus(true);
    return memo;
}

QPlainTextEdit* TItemBaseForm::LayOutWithComments(QWidget* Group)
{
    QPlainTextEdit* memo = NewCommentsMemo();
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->addWidget(Group);
    layout->addWidget(NewLabel(this, QStringLiteral("备注信息:"), memo));
    layout->addWidget(memo, 1);
    layout->addLayout(NewBottomRow());
    OkButton->setDefault(true);
    return memo;
}

void TItemBaseForm::BindCopyButton(QToolButton* Button, QLineEdit* Edit, bool Secret)
{
    EnableWithText(Button, Edit);
    connect(Button, &QToolButton::clicked, this, [Edit, Secret] {
        if (Secret)
            TSecretClipboard::Shared().CopySecret(Edit->text());
        else
            TSecretClipboard::Shared().CopyPlain(Edit->text());
    });
}

void TItemBaseForm::EnableWithText(QToolButton* Button, QLineEdit* Edit)
{
    Button->setEnabled(!Edit->text().isEmpty());
    connect(Edit, &QLineEdit::textChanged, Button, [Button](const QString& Text) { Button->setEnabled(!Text.isEmpty()); });
}

void TItemBaseForm::FitToEdit(QToolButton* Button, QLineEdit* Edit)
{
    const int side = Edit->sizeHint().height();
    Button->setFixedSize(side, side);
    Button->setIconSize(QSize(side - 8, side - 8));
}

void TItemBaseForm::SetStayOnTop(bool Value)
{
    StayOnTopAction->setChecked(Value);
    if (TEditorHost* host = EditorHost()) {
        host->SetStayOnTop(Value);
        host->SetTransparent(Value);
    }
    SetWindowTopmost(this, Value);
    activateWindow();
    raise();
}

void TItemBaseForm::MoveToCornerActionExecute()
{
    const QScreen* where = screen();
    if (where == nullptr)
        return;
    // Left and top are the screen's own edges; right and bottom those of its work area, so the
    // window does not slide under a panel there.
    const QRect work = where->availableGeometry();
    const int left = where->geometry().left();
    const int top = where->geometry().top();
    const int right = work.left() + work.width();
    const int bottom = work.top() + work.height();
    const QRect frame = frameGeometry();
    const int w = frame.width();
    const int h = frame.height();

    TScreenCorner corner = scTopRight;
    if (frame.left() == left && frame.top() == bottom - h)
        corner = scBottomLeft;
    else if (frame.left() == right - w && frame.top() == bottom - h)
        corner = scBottomRight;
    else if (frame.left() == left && frame.top() == top)
        corner = scTopLeft;

    switch (static_cast<TScreenCorner>((corner + 1) % 4)) {
    case scBottomLeft:
        move(left, bottom - h);
        break;
    case scBottomRight:
        move(right - w, bottom - h);
        break;
    case scTopLeft:
        move(left, top);
        break;
    case scTopRight:
        move(right - w, top);
        break;
    }
}

void TItemBaseForm::OkButtonClick()
{
    if (!CheckInput())
        return;
    if (!FNewMode) {
        accept();
        return;
    }
    if (StoreNewItem())
        ResetForNextItem();
}

void TItemBaseForm::done(int Result)
{
    if (TEditorHost* host = EditorHost())
        host->SetTransparent(false);
    TBaseForm::done(Result);
}

void TItemBaseForm::changeEvent(QEvent* Event)
{
    if (Event->type() == QEvent::ActivationChange && isActiveWindow()) {
        TEditorHost* host = EditorHost();
        SetWindowTopmost(this, host != nullptr ? host->StayOnTopChecked() : StayOnTopAction->isChecked());
    }
    TBaseForm::changeEvent(Event);
}

bool TItemBaseForm::event(QEvent* Event)
{
    const bool result = TBaseForm::event(Event);
    if (Event->type() == QEvent::ScreenChangeInternal)
        AdjustLayout();
    return result;
}
