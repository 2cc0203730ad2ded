// zmb_screenshots OUTDIR: a PNG of every window of the program, empty and filled, for people to
// look at (scripts/screenshots.sh runs it at 100% and 150% scaling). Each window is shown on the
// offscreen platform, made active so its focus and default button show, and grabbed together
// with the balloon hints it has up.
#include "app/AppObjects.h"
#include "app/Application.h"
#include "app/ImageCollection.h"
#include "app/SysDM.h"
#include "boxdata/DbFileMgr.h"
#include "gui/ScreenshotShoot.h"
#include "services/AppOptMgr.h"
#include "services/TempDir.h"
#include "ui/components/BalloonHint.h"
#include "ui/dialogs/AboutFrm.h"
#include "ui/dialogs/ChgPwdFrm.h"
#include "ui/dialogs/GetPwdFrm.h"
#include "ui/dialogs/InputFrm.h"
#include "ui/dialogs/LoginFrm.h"
#include "ui/dialogs/MinLockFrm.h"
#include "ui/dialogs/NewFileFrm.h"
#include "ui/dialogs/NoticeFrm.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QTest>

#include <functional>
#include <iostream>
#include <memory>

namespace {

QString OutDir;
int Written = 0;

template <typename T = QWidget>
T* Child(QWidget* Form, const char* Name)
{
    return Form->findChild<T*>(QString::fromLatin1(Name));
}

void SetText(QWidget* Form, const char* Name, const QString& Text)
{
    if (auto* edit = Child<QLineEdit>(Form, Name))
        edit->setText(Text);
}

void Check(QWidget* Form, const char* Name)
{
    if (auto* box = Child<QCheckBox>(Form, Name))
        box->setChecked(true);
}

// The shared pictures at 16, 24 and 32 pixels on a light and on a dark background.
void ShootImages()
{
    const QStringList names = TImageCollection::Names();
    const int sizes[] = {16, 24, 32};
    const int cell = 40;
    QWidget probe;
    const qreal dpr = probe.devicePixelRatioF();
    QPixmap canvas(QSize(names.size() * cell, 6 * cell) * dpr);
    canvas.setDevicePixelRatio(dpr);
    QPainter painter(&canvas);
    for (int bg = 0; bg < 2; ++bg) {
        painter.fillRect(QRect(0, bg * 3 * cell, names.size() * cell, 3 * cell), bg == 0 ? QColor(0xf4, 0xf4, 0xf4) : QColor(0x2b, 0x2b, 0x2b));
        for (int row = 0; row < 3; ++row)
            for (int i = 0; i < names.size(); ++i) {
                const int s = sizes[row];
                const QPoint at(i * cell + (cell - s) / 2, (bg * 3 + row) * cell + (cell - s) / 2);
                painter.drawPixmap(at, SharedImages().Icon(names[i]).pixmap(QSize(s, s), dpr));
            }
    }
    painter.end();
    if (canvas.save(OutDir + "/ImageCollection.png"))
        ++Written;
}

void ShootAll(const std::string& Box)
{
    ShootImages();
    SetStartArguments({});
    {
        AppOptionsMgr().SetValues(AppOpt::AutoOpenMode, int32_t{aoNone});
        TLoginForm form;
        Shoot(&form, "LoginForm-empty");
    }
    {
        AppOptionsMgr().SetValues(AppOpt::AutoOpenMode, int32_t{aoLastFile});
        AppOptionsMgr().SetValues(AppOpt::LastFile, Box);
        TLoginForm form;
        Shoot(&form, "LoginForm-filled", [](QWidget* f) { SetText(f, "PasswordEdit", "secret"); });
    }
    {
        TLoginForm form;
        Shoot(&form, "LoginForm-missing-file", [](QWidget* f) { SetText(f, "FileNameEdit", "/home/user/不存在的文件.zmb"); });
    }
    {
        TNewFileForm form;
        Shoot(&form, "NewFileForm-empty");
    }
    {
        TNewFileForm form;
        Shoot(&form, "NewFileForm-filled", [](QWidget* f) {
            SetText(f, "FileNameEdit", "/home/user/我的密码箱.zmb");
            SetText(f, "PasswordEdit", "secret");
            SetText(f, "ConfirmPwdEdit", "secret");
            Check(f, "UsePwdQuesCheckBox");
            Child<QComboBox>(f, "QuestionComboBox")->setCurrentIndex(5);
            SetText(f, "AnswerEdit", "小白");
        });
    }
    {
        TChgPwdForm form;
        Shoot(&form, "ChgPwdForm-empty");
    }
    {
        TChgPwdForm form;
        Shoot(&form, "ChgPwdForm-filled", [](QWidget* f) {
            SetText(f, "OldPwdEdit", "secret");
            SetText(f, "PasswordEdit", "new secret");
            SetText(f, "ConfirmPwdEdit", "new secret");
            Check(f, "ChgPwdQuesCheckBox");
            Check(f, "UsePwdQuesCheckBox");
            Child<QComboBox>(f, "QuestionComboBox")->setCurrentIndex(1);
            SetText(f, "AnswerEdit", "李白");
        });
    }
    {
        TGetPwdForm form;
        Shoot(&form, "GetPwdForm-empty");
    }
    {
        TGetPwdForm form;
        form.SetData("你的高中数学老师叫什么名字？");
        Shoot(&form, "GetPwdForm-filled", [](QWidget* f) { SetText(f, "AnswerEdit", "王老师"); });
    }
    {
        TMinLockForm form;
        Shoot(&form, "MinLockForm-empty");
    }
    {
        TMinLockForm form;
        Shoot(&form, "MinLockForm-filled", [](QWidget* f) { SetText(f, "PasswordEdit", "secret"); });
    }
    {
        TNoticeForm form;
        form.LoadNoticeText();
        form.InitNotShowAgain(false);
        Shoot(&form, "NoticeForm-startup");
    }
    {
        TNoticeForm form;
        form.LoadNoticeText();
        form.InitNotShowAgain(true);
        Shoot(&form, "NoticeForm-forced");
    }
    {
        TAboutForm form;
        Shoot(&form, "AboutForm");
    }
    {
        TInputForm form;
        form.setWindowTitle("新建目录");
        form.SetPrompt("请输入目录名称:");
        Shoot(&form, "InputForm-empty");
    }
    {
        TInputForm form;
        form.setWindowTitle("新建目录");
        form.SetPrompt("请输入目录名称:");
        form.SetData("重要纪事");
        Shoot(&form, "InputForm-filled");
    }
    {
        TInputForm form;
        form.setWindowTitle("密码");
        form.SetPrompt("请输入密码:");
        form.SetPasswordMode(true);
        form.SetData("secret");
        Shoot(&form, "InputForm-password");
    }
    ShootMainForm();
    ShootEditors();
}

} // namespace

void Shoot(QWidget* Form, const QString& Name, const std::function<void(QWidget*)>& Fill)
{
    Form->show();
    QApplication::setActiveWindow(Form);
    if (!QTest::qWaitForWindowExposed(Form))
        std::cerr << "not shown: " << Name.toStdString() << '\n';
    if (Fill)
        Fill(Form);
    QTest::qWait(50);

    // What stands above the window: its balloons and the menus open at the moment.
    QList<QWidget*> above;
    for (TYarroBalloonHint* b : Form->findChildren<TYarroBalloonHint*>())
        if (b->isVisible())
            above << b;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (qobject_cast<QMenu*>(w) != nullptr && w->isVisible())
            above << w;
    QRect area = Form->frameGeometry();
    for (QWidget* w : above)
        area |= w->geometry();
    const qreal dpr = Form->devicePixelRatioF();
    QPixmap canvas(area.size() * dpr);
    canvas.setDevicePixelRatio(dpr);
    canvas.fill(QColor(0x80, 0x80, 0x80));
    {
        QPainter painter(&canvas);
        painter.drawPixmap(Form->geometry().topLeft() - area.topLeft(), Form->grab());
        for (QWidget* w : above)
            painter.drawPixmap(w->geometry().topLeft() - area.topLeft(), w->grab());
    }
    const QString file = OutDir + "/" + Name + ".png";
    if (canvas.save(file))
        ++Written;
    else
        std::cerr << "cannot write " << file.toStdString() << '\n';
    for (QWidget* w : above)
        if (qobject_cast<QMenu*>(w) != nullptr)
            w->hide();
    Form->hide();
}

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (argc != 2) {
        std::cerr << "usage: zmb_screenshots OUTDIR\n";
        return 2;
    }
    OutDir = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(OutDir);
    TTempDir work;
    TProcessObjects objects;
    AppOptionsMgr().SetFileName(work / "Zembrix.ini");
    TSysDataModule dataModule;
    const std::string box = work / "我的密码箱.zmb";
    if (!DbFileMgr.CreateDatabase(box, "secret", true, false, "", ""))
        return 1;
    DbFileMgr.OpenDatabase(box, "secret");
    ShootAll(box);
    DbFileMgr.CloseDatabase();
    std::cout << Written << " pictures in " << OutDir.toStdString() << '\n';
    return 0;
}
