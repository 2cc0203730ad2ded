#include "ui/dialogs/DialogParts.h"

#include "app/Application.h"
#include "ui/components/SecretEdit.h"

#include <QApplication>
#include <QDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QPushButton>

QWidget* DialogOwner()
{
    if (QWidget* modal = QApplication::activeModalWidget())
        return modal;
    return MainFormWindow();
}

void SetFixedDialogBorder(QDialog* Dialog, bool MinimizeBox)
{
    Qt::WindowFlags flags = Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                            Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    if (MinimizeBox)
        flags |= Qt::WindowMinimizeButtonHint;
    Dialog->setWindowFlags(flags);
    Dialog->setSizeGripEnabled(false);
    if (Dialog->layout() != nullptr)
        Dialog->layout()->setSizeConstraint(QLayout::SetFixedSize);
}

QPushButton* NewButton(QWidget* Parent, const char* Name, const QString& Caption)
{
    auto* button = new QPushButton(Caption, Parent);
    button->setObjectName(QString::fromLatin1(Name));
    button->setAutoDefault(false);
    return button;
}

TSecretEdit* NewSecretEdit(QWidget* Parent, const char* Name, int MaxLength, bool Masked)
{
    auto* edit = new TSecretEdit(Parent, Masked);
    edit->setObjectName(QString::fromLatin1(Name));
    if (MaxLength > 0)
        edit->setMaxLength(MaxLength);
    return edit;
}

QHBoxLayout* NewOkCancelRow(QDialog* Dialog, QPushButton*& OkButton, QPushButton*& CancelButton)
{
    OkButton = NewButton(Dialog, "OkButton", QStringLiteral("确定"));
    OkButton->setDefault(true);
    CancelButton = NewButton(Dialog, "CancelButton", QStringLiteral("取消"));
    QObject::connect(CancelButton, &QPushButton::clicked, Dialog, &QDialog::reject);
    auto* row = new QHBoxLayout;
    row->addStretch();
    row->addWidget(OkButton);
    row->addWidget(CancelButton);
    return row;
}

void DrawInDialogColour(QLineEdit* Edit)
{
    Edit->setReadOnly(true);
    QPalette p = Edit->palette();
    p.setColor(QPalette::Base, p.color(QPalette::Window));
    Edit->setPalette(p);
}

void AlignBrowseButton(QPushButton* Button, QLineEdit* Edit)
{
    const int height = Edit->sizeHint().height();
    Button->setFixedSize(std::max(height + 6, Button->fontMetrics().horizontalAdvance(Button->text()) + 12), height);
}

void SetTabOrder(std::initializer_list<QWidget*> Widgets)
{
    QWidget* previous = nullptr;
    for (QWidget* w : Widgets) {
        if (previous != nullptr)
            QWidget::setTabOrder(previous, w);
        previous = w;
    }
}

QLabel* NewLabel(QWidget* Parent, const QString& Caption, QWidget* Buddy)
{
    auto* label = new QLabel(Caption, Parent);
    if (Buddy != nullptr)
        label->setBuddy(Buddy);
    return label;
}
