#include "ui/main/MainFrm.h"

#include "app/AppObjects.h"
#include "app/Application.h"
#include "app/SysDM.h"
#include "boxdata/DbFileMgr.h"
#include "services/AppOptMgr.h"
#include "services/Global.h"
#include "ui/components/SecretEdit.h"
#include "ui/dialogs/AboutFrm.h"
#include "ui/dialogs/LoginFrm.h"
#include "ui/dialogs/NewFileFrm.h"
#include "ui/dialogs/NoticeFrm.h"
#include "ui/dialogs/OpenPasswordBox.h"

#include <QAction>
#include <QFileInfo>
#include <QLabel>
#include <QMenuBar>

TMainForm::TMainForm(QWidget* Parent) : TBaseFormOf<QMainWindow>(Parent)
{
    setObjectName(QStringLiteral("MainForm"));
    setWindowTitle(QString::fromUtf8(kAppTitle));
    setWindowIcon(SharedImages().Icon(QStringLiteral("AppIcon")));

    FFileLabel = new QLabel(this);
    FFileLabel->setObjectName(QStringLiteral("FileLabel"));
    FFileLabel->setAlignment(Qt::AlignCenter);
    FFileLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    setCentralWidget(FFileLabel);

    QMenu* fileMenu = menuBar()->addMenu(QStringLiteral("文件(&F)"));
    fileMenu->addAction(SharedImages().Icon(QStringLiteral("Add")), QStringLiteral("新建密码箱(&N)..."), this,
                        &TMainForm::NewFileActionExecute);
    fileMenu->addAction(QStringLiteral("打开密码箱(&O)..."), this, &TMainForm::OpenFileActionExecute);
    fileMenu->addSeparator();
    fileMenu->addAction(QStringLiteral("退出(&X)"), this, &QWidget::close);
    QMenu* helpMenu = menuBar()->addMenu(QStringLiteral("帮助(&H)"));
    helpMenu->addAction(QStringLiteral("使用须知(&N)..."), this, [] { ShowNoticeForm(true); });
    helpMenu->addSeparator();
    helpMenu->addAction(QStringLiteral("关于(&A)..."), this, [] { ShowAboutForm(); });

    resize(640, 480);
    SetMainFormWindow(this);
    DoFileOpened();
}

TMainForm::~TMainForm()
{
    UnregisterOpenFile();
    if (MainFormWindow() == this)
        SetMainFormWindow(nullptr);
}

void TMainForm::DoFileOpened()
{
    const QString path = QString::fromStdString(DbFileMgr.FileName());
    setWindowTitle(QStringLiteral("%1 - [%2]").arg(QString::fromUtf8(kProductName), path));
    FFileLabel->setText(path);
    AppOptionsMgr().SetValues(AppOpt::LastFile, DbFileMgr.FileName());
    AppOptionsMgr().Save(AppOpt::LastFile);
    RegisterOpenFile();
}

void TMainForm::RegisterOpenFile()
{
    UnregisterOpenFile();
    FOpenFileMarker.Announce(DbFileMgr.FileName());
}

void TMainForm::UnregisterOpenFile()
{
    FOpenFileMarker.Withdraw();
}

void TMainForm::NewFileActionExecute()
{
    QString fileName;
    QString password;
    if (ShowNewFileForm(nullptr, fileName, password) && OpenPasswordBox(fileName, password))
        DoFileOpened();
    WipeQString(password);
}

void TMainForm::OpenFileActionExecute()
{
    if (ShowLoginForm())
        DoFileOpened();
}
