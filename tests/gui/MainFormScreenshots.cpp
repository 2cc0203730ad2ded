// The main window's pictures: a filled box with each kind of list, search results, the context
// menus, the tray menu, the progress dialog, the covered window of a lock without a tray and
// the choices offered when the box's file was replaced.
#include "app/AppObjects.h"
#include "boxdata/DbFileMgr.h"
#include "gui/BoxEntries.h"
#include "gui/ScreenshotShoot.h"
#include "services/AppOptMgr.h"
#include "ui/components/TrayIcon.h"
#include "ui/dialogs/ProgressFrm.h"
#include "ui/main/FolderTreeModel.h"
#include "ui/main/MainFrm.h"

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QProgressDialog>
#include <QTest>
#include <QTimer>
#include <QTreeView>

#include <filesystem>

namespace {

enum : int32_t { kWeb = 1, kMail = 4, kQQ = 5, kCmb = 9, kBoc = 10, kDiary = 15 };

void FillBox()
{
    AddWeb(kMail, "工作邮箱", "zhang.wei@example.com", "Qx7#mP2v", 0, "公司邮箱，每三个月更换一次密码。");
    AddWeb(kMail, "私人邮箱", "zhangwei1988", "hunter22");
    AddWeb(kMail, "Gmail", "zhang.wei.1988@gmail.com", "correct horse");
    AddWeb(kMail, "学校邮箱", "zw2006@stu.example.edu.cn", "s7udent!");
    AddWeb(kQQ, "QQ 大号", "10086123", "qq-pass");
    TZembraFolder sub{0, kMail, "旧邮箱", 60};
    DbFileMgr.AddFolder(sub, sub.ID);
    AddBank(kCmb, "招商银行深圳分行", "借记卡", "6225 8801 2345 6789", "123456");
    AddBank(kCmb, "招商银行深圳分行", "信用卡", "4392 2500 1111 2222", "654321");
    AddBank(kBoc, "中国银行北京分行", "存折", "1234 5678 9012", "888888");
    AddNote(kDiary, "家里的无线网络", "网络名：ZhangHome\r\n密码：ZhangHome2024\r\n路由器管理地址 192.168.1.1");
    AddNote(kDiary, "护照信息", "护照号码 E12345678，有效期至 2030 年 5 月。");
    AddNote(kDiary, "体检预约", "每年 10 月体检，预约电话见附件。");
}

template <typename T = QWidget>
T* Child(QWidget* Form, const char* Name)
{
    return Form->findChild<T*>(QString::fromLatin1(Name));
}

void SelectFolder(TMainForm& Form, int32_t FolderID)
{
    auto* tree = Child<QTreeView>(&Form, "TreeView");
    auto* model = static_cast<TFolderTreeModel*>(tree->model());
    tree->setCurrentIndex(model->IndexOf(model->FindNode(FolderID)));
}

void SelectRow(TMainForm& Form, int Row)
{
    auto* list = Child<QTreeView>(&Form, "ListView");
    list->selectionModel()->setCurrentIndex(list->model()->index(Row, 0),
                                            QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    list->setFocus();
}

// A menu open at Where inside the window's list.
void OpenMenu(TMainForm& Form, const char* Menu, const char* Over)
{
    QWidget* over = Child<QWidget>(&Form, Over);
    Child<QMenu>(&Form, Menu)->popup(over->mapToGlobal(QPoint(over->width() / 3, over->height() / 4)));
}

} // namespace

void ShootMainForm()
{
    AppOptionsMgr().SetValues(AppOpt::CreateBackup, false);
    FillBox();
    TYarroTrayIcon::OverrideAvailable(true);
    TMainForm form;
    Shoot(&form, "MainForm-web", [](QWidget* f) {
        auto& form = static_cast<TMainForm&>(*f);
        SelectFolder(form, kMail);
        SelectRow(form, 0);
    });
    Shoot(&form, "MainForm-bank", [](QWidget* f) { SelectFolder(static_cast<TMainForm&>(*f), kCmb); });
    Shoot(&form, "MainForm-general", [](QWidget* f) {
        auto& form = static_cast<TMainForm&>(*f);
        SelectFolder(form, kDiary);
        SelectRow(form, 0);
    });
    Shoot(&form, "MainForm-search", [](QWidget* f) {
        auto* box = Child<QLineEdit>(f, "SearchBox");
        box->setText("zhang");
        emit box->returnPressed();
    });
    Shoot(&form, "MainForm-list-menu", [](QWidget* f) {
        auto& form = static_cast<TMainForm&>(*f);
        SelectFolder(form, kMail);
        SelectRow(form, 1);
        OpenMenu(form, "ListViewPopupMenu", "ListView");
    });
    Shoot(&form, "MainForm-tree-menu", [](QWidget* f) {
        auto& form = static_cast<TMainForm&>(*f);
        SelectFolder(form, kQQ);
        OpenMenu(form, "TreeViewPopupMenu", "TreeView");
    });
    // The progress dialog as a compaction shows it, at 40 percent.
    RunWithProgressForm(&form, QStringLiteral("正在优化文件大小，请稍候……"), [&form] {
        auto* dialog = form.findChild<QProgressDialog*>(QStringLiteral("ProgressForm"));
        dialog->setValue(40);
        Shoot(dialog, "ProgressForm");
        return true;
    });
    {
        // The tray menu over nothing of the window.
        QWidget spot;
        spot.setGeometry(300, 200, 1, 1);
        Shoot(&spot, "TrayMenu", [&form](QWidget*) {
            auto* menu = Child<QMenu>(&form, "TrayPopupMenu");
            Child<QAction>(menu, "TrayPopShowItem")->setEnabled(true);
            menu->popup(QPoint(300, 200));
        });
    }
    TYarroTrayIcon::OverrideAvailable(false);
    // Locked where there is no notification area: minimized, its content covered.
    Shoot(&form, "MainForm-locked", [](QWidget* f) { Child<QAction>(f, "MinLockAction")->trigger(); });
    TYarroTrayIcon::OverrideAvailable(std::nullopt);

    // The choices the window offers when another program renames a file over its box; the
    // message box is taken from a timer that does not wait, since the box runs a loop of its own
    // above the one that delivers the news. Closing it closes the window, so this comes last.
    const std::string box = DbFileMgr.FileName();
    std::filesystem::copy_file(box, box + ".sync");
    QTimer poll;
    bool shot = false;
    QObject::connect(&poll, &QTimer::timeout, [&shot] {
        QWidget* modal = QApplication::activeModalWidget();
        if (shot || modal == nullptr)
            return;
        shot = true;
        Shoot(modal, "MainForm-file-replaced");
        modal->close();
    });
    poll.start(50);
    std::filesystem::rename(box + ".sync", box);
    if (!QTest::qWaitFor([&shot] { return shot && QApplication::activeModalWidget() == nullptr; }, 5000))
        qWarning("the replaced-file message did not come up and go");
    // The editors' pictures use the box after this: the same content, now in the new file.
    const std::string password = DbFileMgr.Password();
    DbFileMgr.OpenDatabase(box, password);
}
