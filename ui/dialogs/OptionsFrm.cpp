#include "ui/dialogs/OptionsFrm.h"

#include "app/AppObjects.h"
#include "app/Application.h"
#include "dataproc/Wipe.h"
#include "services/AppOptMgr.h"
#include "services/GenPwd.h"
#include "services/ProjectUtils.h"
#include "services/qt/BrowseFolder.h"
#include "services/qt/FileDialogs.h"
#include "services/qt/MessageBox.h"
#include "ui/components/PwdStrengthBar.h"
#include "ui/components/SecretEdit.h"
#include "ui/dialogs/DialogParts.h"
#include "ui/dialogs/EditorHost.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {

template <typename T>
T* Named(T* Control, const char* Name)
{
    Control->setObjectName(QString::fromLatin1(Name));
    return Control;
}

QCheckBox* NewCheckBox(QWidget* Parent, const char* Name, const QString& Caption)
{
    return Named(new QCheckBox(Caption, Parent), Name);
}

QRadioButton* NewRadioButton(QWidget* Parent, const char* Name, const QString& Caption)
{
    return Named(new QRadioButton(Caption, Parent), Name);
}

QSpinBox* NewSpinEdit(QWidget* Parent, const char* Name, int Min, int Max)
{
    auto* spin = Named(new QSpinBox(Parent), Name);
    spin->setRange(Min, Max);
    return spin;
}

// A disabled control shows the button-face colour instead of the window colour.
void GrayWhenDisabled(QWidget* Control)
{
    QPalette p = Control->palette();
    p.setColor(QPalette::Disabled, QPalette::Base, p.color(QPalette::Active, QPalette::Button));
    Control->setPalette(p);
}

// Checks the button whose value is Value; none when no button has it.
void CheckByValue(std::initializer_list<std::pair<QRadioButton*, int>> Buttons, int Value)
{
    for (const auto& [button, value] : Buttons) {
        QButtonGroup* group = button->group();
        if (group != nullptr)
            group->setExclusive(false);
        button->setChecked(value == Value);
        if (group != nullptr)
            group->setExclusive(true);
    }
}

QButtonGroup* GroupOf(QWidget* Parent, std::initializer_list<QRadioButton*> Buttons)
{
    auto* group = new QButtonGroup(Parent);
    for (QRadioButton* b : Buttons)
        group->addButton(b);
    return group;
}

// The kind check boxes with the option's bit values, in bit order.
struct TKindBox {
    QCheckBox* Box;
    TGenPwdCharKind Kind;
};

} // namespace

TOptionsForm::TOptionsForm(QWidget* Parent) : TBaseForm(Parent)
{
    setObjectName(QStringLiteral("OptionsForm"));
    setWindowTitle(QStringLiteral("选项"));
    PageControl = Named(new QTabWidget(this), "PageControl");
    PageControl->addTab(NewGeneralPage(), QStringLiteral("常规"));
    PageControl->addTab(NewBackupPage(), QStringLiteral("备份"));
    PageControl->addTab(NewSecurityPage(), QStringLiteral("安全"));
    PageControl->addTab(NewGenPwdPage(), QStringLiteral("密码生成"));
    PageControl->addTab(NewOtherPage(), QStringLiteral("其它"));
    // Room for a folder path and the start-up file without scrolling through them.
    PageControl->setMinimumWidth(PageControl->fontMetrics().horizontalAdvance(QLatin1Char('x')) * 60);

    QHBoxLayout* buttons = NewOkCancelRow(this, OkButton, CancelButton);
    connect(OkButton, &QPushButton::clicked, this, &TOptionsForm::OkButtonClick);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->addWidget(PageControl);
    layout->addLayout(buttons);
    SetFixedDialogBorder(this);

    PageControl->setCurrentIndex(0);
    LoadFromOptions(AppOptionsMgr());
    AlignButtons();
}

QWidget* TOptionsForm::NewGeneralPage()
{
    auto* page = new QWidget;
    auto* startGroup = new QGroupBox(QStringLiteral("程序启动时提示打开文件"), page);
    AutoOpenThisRadioButton = NewRadioButton(startGroup, "AutoOpenThisRadioButton", QStringLiteral("总是提示打开这个文件:"));
    AutoOpenThisEdit = Named(new QLineEdit(startGroup), "AutoOpenThisEdit");
    AutoOpenBrowseButton = NewButton(startGroup, "AutoOpenBrowseButton", QStringLiteral("..."));
    AutoOpenLastRadioButton = NewRadioButton(startGroup, "AutoOpenLastRadioButton", QStringLiteral("启动时提示打开最后用过的文件"));
    AutoOpenNoneRadioButton = NewRadioButton(startGroup, "AutoOpenNoneRadioButton", QStringLiteral("启动时不提示打开任何文件"));
    GroupOf(page, {AutoOpenThisRadioButton, AutoOpenLastRadioButton, AutoOpenNoneRadioButton});
    GrayWhenDisabled(AutoOpenThisEdit);
    auto* fileRow = new QHBoxLayout;
    fileRow->addSpacing(20);
    fileRow->addWidget(AutoOpenThisEdit, 1);
    fileRow->addWidget(AutoOpenBrowseButton);
    auto* start = new QVBoxLayout(startGroup);
    start->addWidget(AutoOpenThisRadioButton);
    start->addLayout(fileRow);
    start->addWidget(AutoOpenLastRadioButton);
    start->addWidget(AutoOpenNoneRadioButton);

    auto* otherGroup = new QGroupBox(QStringLiteral("其它设置"), page);
    SaveWinSizeCheckBox = NewCheckBox(otherGroup, "SaveWinSizeCheckBox", QStringLiteral("记住上次使用时窗口的位置和大小"));
    EscToMinCheckBox = NewCheckBox(otherGroup, "EscToMinCheckBox", QStringLiteral("按ESC键使程序最小化"));
    auto* other = new QVBoxLayout(otherGroup);
    other->addWidget(SaveWinSizeCheckBox);
    other->addWidget(EscToMinCheckBox);

    auto* layout = new QVBoxLayout(page);
    layout->addWidget(startGroup);
    layout->addWidget(otherGroup);
    layout->addStretch();

    for (QRadioButton* b : {AutoOpenThisRadioButton, AutoOpenLastRadioButton, AutoOpenNoneRadioButton})
        connect(b, &QRadioButton::toggled, this, &TOptionsForm::UpdateAutoOpenControls);
    connect(AutoOpenBrowseButton, &QPushButton::clicked, this, &TOptionsForm::AutoOpenBrowseButtonClick);
    return page;
}

QWidget* TOptionsForm::NewBackupPage()
{
    auto* page = new QWidget;
    AutoBackupCheckBox = NewCheckBox(page, "AutoBackupCheckBox", QStringLiteral("每次打开密码箱时自动备份"));
    BackupFolderEdit = Named(new QLineEdit(page), "BackupFolderEdit");
    BakFolderBrowseButton = NewButton(page, "BakFolderBrowseButton", QStringLiteral("..."));
    MaxBakSizeSpinEdit = NewSpinEdit(page, "MaxBakSizeSpinEdit", 1, 100000);

    auto* folderRow = new QHBoxLayout;
    folderRow->addWidget(BackupFolderEdit, 1);
    folderRow->addWidget(BakFolderBrowseButton);
    auto* sizeRow = new QHBoxLayout;
    sizeRow->addWidget(new QLabel(QStringLiteral("当文件大于"), page));
    sizeRow->addWidget(MaxBakSizeSpinEdit);
    sizeRow->addWidget(new QLabel(QStringLiteral("MB 时不再自动备份"), page));
    sizeRow->addStretch();

    auto* layout = new QVBoxLayout(page);
    layout->addWidget(AutoBackupCheckBox);
    layout->addSpacing(6);
    layout->addWidget(NewLabel(page, QStringLiteral("备份文件夹:"), BackupFolderEdit));
    layout->addLayout(folderRow);
    layout->addSpacing(6);
    layout->addLayout(sizeRow);
    layout->addStretch();

    connect(BakFolderBrowseButton, &QPushButton::clicked, this, &TOptionsForm::BakFolderBrowseButtonClick);
    return page;
}

QWidget* TOptionsForm::NewSecurityPage()
{
    auto* page = new QWidget;
    MinLockCheckBox = NewCheckBox(page, "MinLockCheckBox", QStringLiteral("程序最小化后自动加锁"));
    MaskPwdCheckBox = NewCheckBox(page, "MaskPwdCheckBox", QStringLiteral("主窗口的密码以“*”显示"));
    ClearClipboardCheckBox = NewCheckBox(page, "ClearClipboardCheckBox", QStringLiteral("程序退出时清空剪贴板"));
    AutoLockCheckBox = NewCheckBox(page, "AutoLockCheckBox", QStringLiteral("如果经过"));
    AutoLockMinutesSpinEdit = NewSpinEdit(page, "AutoLockMinutesSpinEdit", 1, 100000);
    GrayWhenDisabled(AutoLockMinutesSpinEdit);

    auto* lockRow = new QHBoxLayout;
    lockRow->addWidget(AutoLockCheckBox);
    lockRow->addWidget(AutoLockMinutesSpinEdit);
    lockRow->addWidget(new QLabel(QStringLiteral("分钟没有任何操作则加锁"), page));
    lockRow->addStretch();
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(MinLockCheckBox);
    layout->addWidget(MaskPwdCheckBox);
    layout->addWidget(ClearClipboardCheckBox);
    layout->addLayout(lockRow);
    layout->addStretch();

    connect(AutoLockCheckBox, &QCheckBox::toggled, this, &TOptionsForm::UpdateAutoLockControls);
    return page;
}

QWidget* TOptionsForm::NewGenPwdPage()
{
    auto* page = new QWidget;
    auto* note = new QLabel(QStringLiteral("★ 较好的密码一般由毫无规律的字符组成。密码生成工具帮助您产生不容易破解的密码。"), page);
    note->setObjectName(QStringLiteral("GenPwdNoteLabel"));
    note->setWordWrap(true);

    auto* kindGroup = new QGroupBox(QStringLiteral("字符类型"), page);
    ChrUpperCheckBox = NewCheckBox(kindGroup, "ChrUpperCheckBox", QStringLiteral("大写字母"));
    ChrLowerCheckBox = NewCheckBox(kindGroup, "ChrLowerCheckBox", QStringLiteral("小写字母"));
    ChrNumCheckBox = NewCheckBox(kindGroup, "ChrNumCheckBox", QStringLiteral("数字"));
    ChrSpaceCheckBox = NewCheckBox(kindGroup, "ChrSpaceCheckBox", QStringLiteral("空格"));
    ChrSpecialCheckBox = NewCheckBox(kindGroup, "ChrSpecialCheckBox", QStringLiteral("符号"));
    auto* kinds = new QGridLayout(kindGroup);
    kinds->addWidget(ChrUpperCheckBox, 0, 0);
    kinds->addWidget(ChrLowerCheckBox, 0, 1);
    kinds->addWidget(ChrNumCheckBox, 0, 2);
    kinds->addWidget(ChrSpaceCheckBox, 1, 0);
    kinds->addWidget(ChrSpecialCheckBox, 1, 1);

    auto* lenGroup = new QGroupBox(QStringLiteral("密码长度"), page);
    LenRangeRadioButton = NewRadioButton(lenGroup, "LenRangeRadioButton", QStringLiteral("范围:"));
    LenRangeMinSpinEdit = NewSpinEdit(lenGroup, "LenRangeMinSpinEdit", 1, 100);
    LenRangeMaxSpinEdit = NewSpinEdit(lenGroup, "LenRangeMaxSpinEdit", 1, 100);
    LenFixedRadioButton = NewRadioButton(lenGroup, "LenFixedRadioButton", QStringLiteral("固定:"));
    LenFixedSpinEdit = NewSpinEdit(lenGroup, "LenFixedSpinEdit", 1, 100);
    GroupOf(page, {LenRangeRadioButton, LenFixedRadioButton});
    for (QWidget* w : {static_cast<QWidget*>(LenRangeMinSpinEdit), static_cast<QWidget*>(LenRangeMaxSpinEdit),
                       static_cast<QWidget*>(LenFixedSpinEdit)})
        GrayWhenDisabled(w);
    auto* len = new QGridLayout(lenGroup);
    len->addWidget(LenRangeRadioButton, 0, 0);
    len->addWidget(LenRangeMinSpinEdit, 0, 1);
    len->addWidget(new QLabel(QStringLiteral("-"), lenGroup), 0, 2, Qt::AlignCenter);
    len->addWidget(LenRangeMaxSpinEdit, 0, 3);
    len->addWidget(LenFixedRadioButton, 1, 0);
    len->addWidget(LenFixedSpinEdit, 1, 1);
    len->setColumnStretch(4, 1);

    TestPwdEdit = NewSecretEdit(page, "TestPwdEdit", 0, false);
    TestGenPwdButton = NewButton(page, "TestGenPwdButton", QStringLiteral("测试"));
    TestPwdStrengthBar = new TPwdStrengthBar(page);
    TestPwdStrengthBar->Attach(TestPwdEdit);
    auto* test = new QGridLayout;
    test->addWidget(NewLabel(page, QStringLiteral("测试:"), TestPwdEdit), 0, 0);
    test->addWidget(TestPwdEdit, 0, 1);
    test->addWidget(TestGenPwdButton, 0, 2);
    test->addWidget(TestPwdStrengthBar, 1, 1);
    test->setColumnStretch(1, 1);

    auto* layout = new QVBoxLayout(page);
    layout->addWidget(note);
    layout->addWidget(kindGroup);
    layout->addWidget(lenGroup);
    layout->addLayout(test);
    layout->addStretch();

    for (QRadioButton* b : {LenRangeRadioButton, LenFixedRadioButton})
        connect(b, &QRadioButton::toggled, this, &TOptionsForm::UpdateLenModeControls);
    connect(TestGenPwdButton, &QPushButton::clicked, this, &TOptionsForm::TestGenPwdButtonClick);
    return page;
}

QWidget* TOptionsForm::NewOtherPage()
{
    auto* page = new QWidget;
    auto* group = new QGroupBox(QStringLiteral("文件关联"), page);
    AssFileButton = NewButton(group, "AssFileButton", QStringLiteral("关联密码箱文件(*.zmb)"));
    AssFileButton->setMinimumWidth(AssFileButton->fontMetrics().horizontalAdvance(AssFileButton->text()) + 32);
    auto* inGroup = new QHBoxLayout(group);
    inGroup->addWidget(AssFileButton);
    inGroup->addStretch();
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(group);
    layout->addStretch();
    connect(AssFileButton, &QPushButton::clicked, this, &TOptionsForm::AssFileButtonClick);
    return page;
}

void TOptionsForm::AlignButtons()
{
    AlignBrowseButton(AutoOpenBrowseButton, AutoOpenThisEdit);
    AlignBrowseButton(BakFolderBrowseButton, BackupFolderEdit);
    AlignBrowseButton(TestGenPwdButton, TestPwdEdit);
}

bool TOptionsForm::event(QEvent* Event)
{
    const bool result = TBaseForm::event(Event);
    if (Event->type() == QEvent::ScreenChangeInternal)
        AlignButtons();
    return result;
}

void TOptionsForm::LoadFromOptions(const TOptionsManager& Options)
{
    using namespace AppOpt;
    CheckByValue({{AutoOpenThisRadioButton, aoThisFile}, {AutoOpenLastRadioButton, aoLastFile},
                  {AutoOpenNoneRadioButton, aoNone}},
                 Options.ReadInteger(AutoOpenMode));
    AutoOpenThisEdit->setText(QString::fromStdString(Options.ReadText(AutoOpenThisFile)));
    SaveWinSizeCheckBox->setChecked(Options.ReadBoolean(SaveWinSize));
    EscToMinCheckBox->setChecked(Options.ReadBoolean(EscToMin));

    AutoBackupCheckBox->setChecked(Options.ReadBoolean(CreateBackup));
    const std::string folder = Options.ReadText(BackupFolder);
    BackupFolderEdit->setText(QString::fromStdString(folder.empty() ? GetDefaultBackupFolder() : folder));
    MaxBakSizeSpinEdit->setValue(Options.ReadInteger(MaxBackupSize));

    MinLockCheckBox->setChecked(Options.ReadBoolean(MinLock));
    MaskPwdCheckBox->setChecked(Options.ReadBoolean(MaskPassword));
    ClearClipboardCheckBox->setChecked(Options.ReadBoolean(ClearClipboard));
    AutoLockCheckBox->setChecked(Options.ReadBoolean(AutoLock));
    AutoLockMinutesSpinEdit->setValue(Options.ReadInteger(AutoLockMinutes));

    const int kinds = Options.ReadInteger(GenPwdCharKinds);
    for (const TKindBox& k : {TKindBox{ChrUpperCheckBox, pcUpperCase}, TKindBox{ChrLowerCheckBox, pcLowerCase},
                              TKindBox{ChrNumCheckBox, pcNumber}, TKindBox{ChrSpaceCheckBox, pcSpace},
                              TKindBox{ChrSpecialCheckBox, pcSpecial}})
        k.Box->setChecked((kinds & CharKindBit(k.Kind)) != 0);
    CheckByValue({{LenRangeRadioButton, plRange}, {LenFixedRadioButton, plFixed}}, Options.ReadInteger(GenPwdLenMode));
    LenRangeMinSpinEdit->setValue(Options.ReadInteger(GenPwdLenRangeMin));
    LenRangeMaxSpinEdit->setValue(Options.ReadInteger(GenPwdLenRangeMax));
    LenFixedSpinEdit->setValue(Options.ReadInteger(GenPwdLenFixed));

    UpdateAutoOpenControls();
    UpdateAutoLockControls();
    UpdateLenModeControls();
}

void TOptionsForm::SaveToOptions(TOptionsManager& Options) const
{
    using namespace AppOpt;
    if (AutoOpenThisRadioButton->isChecked())
        Options.SetValues(AutoOpenMode, int32_t{aoThisFile});
    else if (AutoOpenLastRadioButton->isChecked())
        Options.SetValues(AutoOpenMode, int32_t{aoLastFile});
    else if (AutoOpenNoneRadioButton->isChecked())
        Options.SetValues(AutoOpenMode, int32_t{aoNone});
    Options.SetValues(AutoOpenThisFile, AutoOpenThisEdit->text().toStdString());
    Options.SetValues(SaveWinSize, SaveWinSizeCheckBox->isChecked());
    Options.SetValues(EscToMin, EscToMinCheckBox->isChecked());

    Options.SetValues(CreateBackup, AutoBackupCheckBox->isChecked());
    // The default folder is kept as an empty value, so it follows the program when it moves.
    const std::string folder = BackupFolderEdit->text().toStdString();
    Options.SetValues(BackupFolder, folder == GetDefaultBackupFolder() ? std::string() : folder);
    Options.SetValues(MaxBackupSize, int32_t{MaxBakSizeSpinEdit->value()});

    Options.SetValues(MinLock, MinLockCheckBox->isChecked());
    Options.SetValues(MaskPassword, MaskPwdCheckBox->isChecked());
    Options.SetValues(ClearClipboard, ClearClipboardCheckBox->isChecked());
    Options.SetValues(AutoLock, AutoLockCheckBox->isChecked());
    Options.SetValues(AutoLockMinutes, int32_t{AutoLockMinutesSpinEdit->value()});

    int32_t kinds = 0;
    for (const TKindBox& k : {TKindBox{ChrUpperCheckBox, pcUpperCase}, TKindBox{ChrLowerCheckBox, pcLowerCase},
                              TKindBox{ChrNumCheckBox, pcNumber}, TKindBox{ChrSpaceCheckBox, pcSpace},
                              TKindBox{ChrSpecialCheckBox, pcSpecial}})
        if (k.Box->isChecked())
            kinds |= CharKindBit(k.Kind);
    Options.SetValues(GenPwdCharKinds, kinds);
    Options.SetValues(GenPwdLenMode, int32_t{LenRangeRadioButton->isChecked() ? plRange : plFixed});
    Options.SetValues(GenPwdLenRangeMin, int32_t{LenRangeMinSpinEdit->value()});
    Options.SetValues(GenPwdLenRangeMax, int32_t{LenRangeMaxSpinEdit->value()});
    Options.SetValues(GenPwdLenFixed, int32_t{LenFixedSpinEdit->value()});
}

void TOptionsForm::UpdateAutoOpenControls()
{
    const bool thisFile = AutoOpenThisRadioButton->isChecked();
    AutoOpenThisEdit->setEnabled(thisFile);
    AutoOpenBrowseButton->setEnabled(thisFile);
}

void TOptionsForm::UpdateAutoLockControls()
{
    AutoLockMinutesSpinEdit->setEnabled(AutoLockCheckBox->isChecked());
}

void TOptionsForm::UpdateLenModeControls()
{
    const bool range = LenRangeRadioButton->isChecked();
    LenRangeMinSpinEdit->setEnabled(range);
    LenRangeMaxSpinEdit->setEnabled(range);
    LenFixedSpinEdit->setEnabled(!range);
}

void TOptionsForm::AutoOpenBrowseButtonClick()
{
    QString fileName = AutoOpenThisEdit->text();
    if (ChooseOpenFile(this, QString(), QStringLiteral("密码箱文件(*.zmb)"), fileName))
        AutoOpenThisEdit->setText(fileName);
}

void TOptionsForm::BakFolderBrowseButtonClick()
{
    QString folder = BackupFolderEdit->text();
    if (BrowseForFolder(this, QStringLiteral("请选择备份文件夹"), QString(), folder))
        BackupFolderEdit->setText(folder);
}

void TOptionsForm::TestGenPwdButtonClick()
{
    // The dialog's settings travel through options of their own to a generator of its own, so
    // the shared generator and the application's options stay as they are until OK.
    TAppOptionsMgr options;
    SaveToOptions(options);
    TPwdGenerator generator;
    ApplyGenPwdOptions(options, generator);
    std::string password = generator.Generate();
    TestPwdEdit->Wipe();
    TestPwdEdit->setText(QString::fromStdString(password));
    WipeString(password);
}

void TOptionsForm::AssFileButtonClick()
{
    if (AssociateFileType(true))
        ShowInformation(this, QStringLiteral("密码箱文件(.zmb)已成功关联。"));
    else
        ShowInformation(this, QStringLiteral("无法进行文件关联，您需要以管理员身份运行该程序。"));
}

void TOptionsForm::OkButtonClick()
{
    try {
        SaveToOptions(AppOptionsMgr());
        AppOptionsMgr().Save();
    } catch (const std::exception& e) {
        ShowException(e);
        return;
    }
    if (TEditorHost* host = EditorHost())
        host->ApplyOptions();
    accept();
}

bool ShowOptionsForm()
{
    TOptionsForm form(DialogOwner());
    return form.exec() == QDialog::Accepted;
}
