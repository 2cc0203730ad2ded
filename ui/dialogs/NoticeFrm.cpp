#include "ui/dialogs/NoticeFrm.h"

#include "app/AppObjects.h"
#include "app/Application.h"
#include "services/AppOptMgr.h"
#include "services/Global.h"
#include "ui/dialogs/DialogParts.h"

#include <QCheckBox>
#include <QFile>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

TNoticeForm::TNoticeForm(QWidget* Parent) : TBaseForm(Parent)
{
    setObjectName(QStringLiteral("NoticeForm"));
    setWindowTitle(QStringLiteral("%1 软件使用须知").arg(QString::fromUtf8(kProductName)));

    Memo = new QPlainTextEdit(this);
    Memo->setObjectName(QStringLiteral("Memo"));
    Memo->setReadOnly(true);
    Memo->setFrameShape(QFrame::NoFrame);
    Memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo->setFixedSize(456, 300);

    NotShowAgainCheckBox = new QCheckBox(QStringLiteral("以后不再显示"), this);
    NotShowAgainCheckBox->setObjectName(QStringLiteral("NotShowAgainCheckBox"));
    NotShowAgainCheckBox->setChecked(true);
    connect(NotShowAgainCheckBox, &QCheckBox::clicked, this, &TNoticeForm::NotShowAgainCheckBoxClick);

    OkButton = NewButton(this, "OkButton", QStringLiteral("知道了"));
    OkButton->setDefault(true);
    connect(OkButton, &QPushButton::clicked, this, &QDialog::accept);

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(NotShowAgainCheckBox);
    bottom->addStretch();
    bottom->addWidget(OkButton);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(5, 5, 5, 8);
    layout->addWidget(Memo);
    layout->addLayout(bottom);
    SetFixedDialogBorder(this);

    SetTabOrder({OkButton, NotShowAgainCheckBox, Memo});
    OkButton->setFocus();
}

QString NoticeText()
{
    QFile file(QStringLiteral(":/text/NoticeText.txt"));
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromUtf8(file.readAll());
}

void TNoticeForm::LoadNoticeText()
{
    Memo->setPlainText(NoticeText());
}

void TNoticeForm::InitNotShowAgain(bool Forced)
{
    NotShowAgainCheckBox->setVisible(!Forced);
    if (!Forced) {
        NotShowAgainCheckBox->setChecked(true);
        NotShowAgainCheckBoxClick();
    }
}

void TNoticeForm::NotShowAgainCheckBoxClick()
{
    AppOptionsMgr().SetValues(AppOpt::ShowNotice, !NotShowAgainCheckBox->isChecked());
    AppOptionsMgr().Save(AppOpt::ShowNotice);
}

void ShowNoticeForm(bool Forced)
{
    if (!Forced && !AppOptionsMgr().ReadBoolean(AppOpt::ShowNotice))
        return;
    TNoticeForm form(MainFormWindow());
    form.LoadNoticeText();
    form.InitNotShowAgain(Forced);
    form.exec();
}
