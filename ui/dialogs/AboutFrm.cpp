#include "ui/dialogs/AboutFrm.h"

#include "app/ImageCollection.h"
#include "services/Global.h"
#include "services/qt/ShellLaunch.h"
#include "ui/components/HyperLabel.h"
#include "ui/components/SvgImage.h"
#include "ui/dialogs/DialogParts.h"

#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

TAboutForm::TAboutForm(QWidget* Parent) : TBaseForm(Parent)
{
    setObjectName(QStringLiteral("AboutForm"));
    setWindowTitle(QStringLiteral("关于"));

    LogoImage = new TSvgImage(TImageCollection::ResourcePath(QStringLiteral("AppIcon")), this);
    LogoImage->setObjectName(QStringLiteral("LogoImage"));
    LogoImage->setFixedSize(32, 32);

    SoftNameLabel = new QLabel(QString::fromUtf8(kProductName), this);
    SoftNameLabel->setObjectName(QStringLiteral("SoftNameLabel"));
    QFont nameFont = font();
    nameFont.setPixelSize(16);
    nameFont.setBold(true);
    SoftNameLabel->setFont(nameFont);
    VersionLabel = new QLabel(QString::fromUtf8(kProductVersion), this);
    VersionLabel->setObjectName(QStringLiteral("VersionLabel"));
    QFont versionFont = font();
    versionFont.setFamilies({QStringLiteral("Verdana"), QStringLiteral("DejaVu Sans"), QStringLiteral("Sans Serif")});
    versionFont.setPixelSize(14);
    versionFont.setBold(true);
    VersionLabel->setFont(versionFont);

    EmailHyperLabel = new THyperLabel(this);
    EmailHyperLabel->setObjectName(QStringLiteral("EmailHyperLabel"));
    EmailHyperLabel->setText(QString::fromUtf8(kProductEmail));
    WebsiteHyperLabel = new THyperLabel(this);
    WebsiteHyperLabel->setObjectName(QStringLiteral("WebsiteHyperLabel"));
    WebsiteHyperLabel->setText(QString::fromUtf8(kProductWebsite));
    connect(EmailHyperLabel, &THyperLabel::Click, this, &TAboutForm::EmailHyperLabelClick);
    connect(WebsiteHyperLabel, &THyperLabel::Click, this, &TAboutForm::WebsiteHyperLabelClick);

    auto* title = new QHBoxLayout;
    title->setSpacing(8); // the version 8 pixels right of the name
    title->addWidget(SoftNameLabel, 0, Qt::AlignBottom);
    title->addWidget(VersionLabel, 0, Qt::AlignBottom);
    title->addStretch();

    auto* facts = new QGridLayout;
    facts->setHorizontalSpacing(8);
    facts->addWidget(new QLabel(QString::fromUtf8(kProductMaker), this), 0, 0, 1, 2);
    facts->addWidget(new QLabel(QStringLiteral("发布日期:"), this), 1, 0);
    facts->addWidget(new QLabel(QString::fromUtf8(kProductReleaseDate), this), 1, 1);
    facts->addWidget(new QLabel(QStringLiteral("邮件:"), this), 2, 0);
    facts->addWidget(EmailHyperLabel, 2, 1);
    facts->addWidget(new QLabel(QStringLiteral("主页:"), this), 3, 0);
    facts->addWidget(WebsiteHyperLabel, 3, 1);
    facts->setColumnStretch(1, 1);

    auto* text = new QVBoxLayout;
    text->addLayout(title);
    text->addSpacing(4);
    text->addLayout(facts);
    auto* top = new QHBoxLayout;
    top->setSpacing(14);
    top->addWidget(LogoImage, 0, Qt::AlignTop);
    top->addLayout(text, 1);

    auto* line = new QFrame(this);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);

    OkButton = NewButton(this, "OkButton", QStringLiteral("确定"));
    OkButton->setDefault(true);
    connect(OkButton, &QPushButton::clicked, this, &QDialog::accept);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(OkButton);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 16, 16, 12);
    layout->addLayout(top);
    layout->addSpacing(6);
    layout->addWidget(line);
    layout->addLayout(buttons);
    SetFixedDialogBorder(this);
    OkButton->setFocus();
}

void TAboutForm::EmailHyperLabelClick()
{
    SendMail(EmailHyperLabel->text());
}

void TAboutForm::WebsiteHyperLabelClick()
{
    OpenDocument(WebsiteHyperLabel->text());
}

void ShowAboutForm()
{
    TAboutForm form(DialogOwner());
    form.exec();
}
