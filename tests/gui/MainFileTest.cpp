// The file side of the real window: caption, "LastFile" and the open-file announcement, the
// backup rotation and its limits, compaction with its message and progress, the password
// change, options applied, opening another box, the clipboard at exit and the help menu.
#include "app/AppObjects.h"
#include "gui/MainFormFixture.h"
#include "gui/UrlRecorder.h"
#include "services/AppFolders.h"
#include "services/BoxBackup.h"
#include "services/GenPwd.h"
#include "services/OpenFileLock.h"
#include "services/ProjectUtils.h"
#include "services/PubUtils.h"
#include "services/qt/LeaveChecker.h"

#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QLineEdit>

#include <climits>

#include <filesystem>
#include <random>

namespace fs = std::filesystem;

namespace {

enum : int32_t { kMail = 4, kDiary = 15 };

class MainFileTest : public TMainFormFixture {
protected:
    std::vector<std::string> BackupFolderFiles() const
    {
        std::vector<std::string> names;
        std::error_code ec;
        for (const auto& e : fs::directory_iterator(FDir / "Backup", ec))
            names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    // An attachment of Size random (incompressible) bytes, to make a box large.
    static void AddBulk(int32_t Owner, int Size)
    {
        std::mt19937 random(7);
        TAttachData data;
        data.Name = "bulk.bin";
        std::string bytes(static_cast<std::size_t>(Size), '\0');
        for (char& c : bytes)
            c = static_cast<char>(random());
        data.Bin = bytes;
        data.Size = Size;
        data.OwnerID = Owner;
        DbFileMgr.AddAttachment(data, data.ID);
    }
};

TEST_F(MainFileTest, CaptionLastFileAndTheOpenFileAnnouncement)
{
    const std::string box = NewFilledBox();
    OpenForm(box);
    EXPECT_EQ(FForm->windowTitle(), "Zembrix - [" + Q(box) + "]");
    EXPECT_EQ(FForm->findChild<TYarroTrayIcon*>()->Tip(), "Zembrix - [box.zmb]");
    const std::string ini = ReadAll(AppOptionsMgr().FileName());
    EXPECT_NE(ini.find("LastFile=" + box), std::string::npos) << ini;
    EXPECT_TRUE(IsFileOpenedElsewhere(box));
    FForm.reset();
    EXPECT_FALSE(IsFileOpenedElsewhere(box));
}

TEST_F(MainFileTest, BackupsRotateThroughThreeCopies)
{
    const std::string box = NewOpenBox();
    OpenForm(box);
    EXPECT_EQ(BackupFolderFiles(), std::vector<std::string>{"box.zmb.bak1"});
    std::vector<std::string> copies{ReadAll(box)};
    for (int opening = 2; opening <= 4; ++opening) {
        AddWeb(kMail, "entry " + std::to_string(opening)); // each opening sees another file
        FForm->DoFileOpened();
        copies.push_back(ReadAll(box));
    }
    // The last three copies, newest first; nothing half-written left beside them.
    EXPECT_EQ(BackupFolderFiles(), (std::vector<std::string>{"box.zmb.bak1", "box.zmb.bak2", "box.zmb.bak3"}));
    EXPECT_EQ(ReadAll(FDir / "Backup/box.zmb.bak1"), copies[3]);
    EXPECT_EQ(ReadAll(FDir / "Backup/box.zmb.bak2"), copies[2]);
    EXPECT_EQ(ReadAll(FDir / "Backup/box.zmb.bak3"), copies[1]);
    EXPECT_NE(copies[3], copies[2]);

    // Off: no copy.
    AppOptionsMgr().SetValues(AppOpt::CreateBackup, false);
    AddWeb(kMail, "entry 5");
    FForm->DoFileOpened();
    EXPECT_EQ(ReadAll(FDir / "Backup/box.zmb.bak1"), copies[3]);
    AppOptionsMgr().SetValues(AppOpt::CreateBackup, true);
}

TEST_F(MainFileTest, BackupSizeLimit)
{
    EXPECT_FALSE(BackupWanted(1048576, 1));
    EXPECT_TRUE(BackupWanted(1048575, 1));
    EXPECT_FALSE(BackupWanted(0, 0));

    // A box above the limit is not copied; below it, it is.
    const std::string box = NewOpenBox();
    AddBulk(AddNote(kDiary, "大"), 1200 * 1024);
    ASSERT_GT(GetFileSizeByName(box), 1048576);
    AppOptionsMgr().SetValues(AppOpt::MaxBackupSize, 1);
    OpenForm(box);
    EXPECT_TRUE(BackupFolderFiles().empty());
    AppOptionsMgr().SetValues(AppOpt::MaxBackupSize, 2);
    FForm->DoFileOpened();
    EXPECT_EQ(BackupFolderFiles(), std::vector<std::string>{"box.zmb.bak1"});
    AppOptionsMgr().SetValues(AppOpt::MaxBackupSize, 10);
}

TEST_F(MainFileTest, BackupFolderProblemsAreShownAndTheBoxStaysOpen)
{
    const std::string box = NewFilledBox();
    WriteAll(FDir / "NotAFolder", "a file where the folder should be");
    AppOptionsMgr().SetValues(AppOpt::BackupFolder, FDir / "NotAFolder");
    OpenForm(box);
    ASSERT_EQ(FMessages.Requests().size(), 1u);
    EXPECT_EQ(FMessages.Requests()[0].Icon, QMessageBox::Critical);
    EXPECT_TRUE(FMessages.Texts()[0].contains("NotAFolder")) << FMessages.Texts()[0].toStdString();
    EXPECT_TRUE(DbFileMgr.IsOpen());
    EXPECT_EQ(SelectedNode()->Folder.ID, 1);
}

TEST_F(MainFileTest, EmptyBackupFolderMeansTheDefaultOne)
{
    // The default folder is the program's own: the copy made there is removed again.
    const std::string name = "默认备份-" + FDir.Path().filename().string() + ".zmb";
    const std::string box = NewFilledBox(name);
    AppOptionsMgr().SetValues(AppOpt::BackupFolder, "  ");
    OpenForm(box);
    const fs::path copy = fs::path(GetDefaultBackupFolder()) / (name + ".bak1");
    EXPECT_TRUE(fs::exists(copy)) << copy;
    std::error_code ec;
    fs::remove(copy, ec);
    fs::remove(GetDefaultBackupFolder(), ec); // only when nothing else is in it
}

TEST_F(MainFileTest, CompactionReportsBothSizesWithProgress)
{
    const std::string box = NewOpenBox();
    for (int i = 0; i < 60; ++i)
        AddWeb(kMail, "entry " + std::to_string(i), "user", "pw", 0, std::string(500, 'x'));
    TZmbNetItems items;
    DbFileMgr.GetNetItemList(kMail, false, items);
    for (std::size_t i = 1; i < items.size(); ++i)
        DbFileMgr.DeleteNetItem(items[i].ID);
    OpenForm(box);
    SelectFolder(kMail);

    FMessages.Answer(QMessageBox::No);
    Action("CompactAction")->trigger();
    EXPECT_EQ(FMessages.Texts(), QStringList{"确定要优化文件大小吗？如果文件比较大，此操作可能需要较长时间。"});

    const int64_t before = GetFileSizeByName(box);
    const std::string identity = OpenFileKey(box);
    QString progressShown;
    QTimer::singleShot(0, [&] {
        if (QWidget* modal = QApplication::activeModalWidget())
            progressShown = modal->objectName();
    });
    FMessages.Answer(QMessageBox::Yes);
    Action("CompactAction")->trigger();
    const int64_t after = GetFileSizeByName(box);
    EXPECT_LT(after, before);
    EXPECT_EQ(progressShown, "ProgressForm");
    EXPECT_EQ(FMessages.Texts().last(), "文件优化完毕。\r优化前文件大小为 " + Q(FormatKBytes(" KB", before)) +
                                            ".\r优化后文件大小为 " + Q(FormatKBytes(" KB", after)) + ".");
    EXPECT_EQ(FMessages.Requests().back().Icon, QMessageBox::Information);
    // The same ids, the list unchanged, the box open and announced.
    EXPECT_EQ(ListColumn(0), QStringList{"entry 0"});
    TZmbNetItem first;
    EXPECT_TRUE(DbFileMgr.GetNetItem(items[0].ID, first));
    // A new file under the old name, announced again: another copy must not open it.
    EXPECT_NE(OpenFileKey(box), identity);
    EXPECT_TRUE(IsFileOpenedElsewhere(box));
}

TEST_F(MainFileTest, ChangingThePassword)
{
    const std::string box = NewFilledBox();
    OpenForm(box);
    const std::string identity = OpenFileKey(box);
    WhenModalShown([](QWidget* form) {
        Type(form, "OldPwdEdit", "secret");
        Type(form, "PasswordEdit", "newer");
        Type(form, "ConfirmPwdEdit", "newer");
        Child<QCheckBox>(form, "ChgPwdQuesCheckBox")->click();
        Child<QCheckBox>(form, "UsePwdQuesCheckBox")->click();
        Child<QComboBox>(form, "QuestionComboBox")->setEditText("问题");
        Put(form, "AnswerEdit", "答案");
        Click(form, "OkButton");
    });
    Action("ChgPwdAction")->trigger();
    EXPECT_EQ(FMessages.Texts().last(), "密码修改成功。请牢记您的新密码！");
    EXPECT_TRUE(DbFileMgr.IsOpen());
    EXPECT_EQ(DbFileMgr.Password(), "newer");
    EXPECT_TRUE(DbFileMgr.CheckPassword(box, "newer"));
    std::string question, answer;
    EXPECT_TRUE(DbFileMgr.GetPwdQuestion(box, question, answer));
    EXPECT_EQ(question, "问题");
    EXPECT_NE(OpenFileKey(box), identity);
    EXPECT_TRUE(IsFileOpenedElsewhere(box));
}

TEST_F(MainFileTest, OptionsAreApplied)
{
    const std::string box = NewOpenBox();
    AddWeb(kMail, "网", "u", "pw");
    OpenForm(box);
    SelectFolder(kMail);
    TAppOptionsMgr& o = AppOptionsMgr();
    o.SetValues(AppOpt::AutoLockMinutes, std::string("30")); // as read from the file
    o.SetValues(AppOpt::MaskPassword, false);
    o.SetValues(AppOpt::GenPwdCharKinds, 4);
    o.SetValues(AppOpt::GenPwdLenMode, 0);
    o.SetValues(AppOpt::GenPwdLenRangeMin, 10);
    o.SetValues(AppOpt::GenPwdLenRangeMax, 5);
    o.SetValues(AppOpt::GenPwdLenFixed, 4);
    WhenModalShown([](QWidget* form) { Click(form, "OkButton"); });
    Action("OptionsAction")->trigger();
    EXPECT_EQ(FForm->findChild<TLeaveChecker*>()->Interval(), 1800000);
    EXPECT_EQ(ListColumn(2), QStringList{"pw"});
    const TPwdGenerator& generator = PwdGenerator();
    EXPECT_EQ(generator.CharKinds(), 4);
    EXPECT_EQ(generator.LenMode(), plFixed);
    EXPECT_EQ(generator.LenRangeMin(), 5) << "the minimum first, then the maximum lowers it";
    EXPECT_EQ(generator.LenRangeMax(), 5);
    EXPECT_EQ(generator.Generate().size(), 4u);
    // An idle time beyond what the detector holds is its longest, not a negative one.
    o.SetValues(AppOpt::AutoLockMinutes, 100000);
    FForm->ApplyOptions();
    EXPECT_EQ(FForm->findChild<TLeaveChecker*>()->Interval(), INT_MAX);
    // The stand-in options dialog saved them: put the defaults back for the tests after this.
    for (const auto& [name, value] : std::vector<std::pair<const char*, TOptionValue>>{
             {AppOpt::AutoLockMinutes, 15}, {AppOpt::MaskPassword, true}, {AppOpt::GenPwdCharKinds, 7},
             {AppOpt::GenPwdLenMode, 1}, {AppOpt::GenPwdLenRangeMin, 5}, {AppOpt::GenPwdLenRangeMax, 8},
             {AppOpt::GenPwdLenFixed, 6}})
        o.SetValues(name, value);
    o.Save();
    FForm->ApplyOptions();
}

TEST_F(MainFileTest, OpeningAnotherBoxOrCancelling)
{
    const std::string first = NewFilledBox("first.zmb");
    const std::string second = NewFilledBox("second.zmb");
    DbFileMgr.OpenDatabase(first, "secret");
    AddWeb(1, "第一个");
    OpenForm(first);
    // Cancelled without trying a file: the box, the tree and the list stay.
    WhenModalShown([](QWidget* form) { Click(form, "CancelButton"); });
    Action("OpenFileAction")->trigger();
    EXPECT_EQ(FForm->windowTitle(), "Zembrix - [" + Q(first) + "]");
    EXPECT_EQ(ListColumn(0), QStringList{"第一个"});

    Action("ViewSearchResultAction")->trigger();
    Child<QLineEdit>(FForm.get(), "SearchBox")->setText("x");
    WhenModalShown([&](QWidget* form) {
        Child<QLineEdit>(form, "FileNameEdit")->setText(Q(second));
        Type(form, "PasswordEdit", "secret");
        Click(form, "OkButton");
    });
    Action("OpenFileAction")->trigger();
    EXPECT_EQ(DbFileMgr.FileName(), second);
    EXPECT_EQ(FForm->windowTitle(), "Zembrix - [" + Q(second) + "]");
    EXPECT_TRUE(ListColumn(0).isEmpty());
    EXPECT_TRUE(Child<QWidget>(FForm.get(), "SearchResultPanel")->isHidden());
    EXPECT_EQ(Child<QLineEdit>(FForm.get(), "SearchBox")->text(), "");
    EXPECT_FALSE(IsFileOpenedElsewhere(first));
    EXPECT_TRUE(IsFileOpenedElsewhere(second));
}

TEST_F(MainFileTest, ClipboardAtExitAndTheHelpMenu)
{
    const std::string box = NewFilledBox();
    for (const bool clear : {false, true}) {
        AppOptionsMgr().SetValues(AppOpt::ClearClipboard, clear);
        OpenForm(box);
        QGuiApplication::clipboard()->setText("something of the user's");
        FForm.reset();
        EXPECT_EQ(QGuiApplication::clipboard()->text(), clear ? "" : "something of the user's");
        DbFileMgr.CloseDatabase();
    }

    OpenForm(box);
    TUrlRecorder desktop;
    KeyToWindow(Qt::Key_F1);
    Action("HelpWebsiteItem")->trigger();
    Action("HelpEmailItem")->trigger();
    ASSERT_EQ(desktop.Urls.size(), 3);
    EXPECT_EQ(desktop.Urls[0], QUrl::fromLocalFile(Q(GetReadmeFileName())));
    EXPECT_EQ(desktop.Urls[1].scheme(), "https");
    EXPECT_EQ(desktop.Urls[2].toString(), "mailto:zembrix@example.org?subject=关于Zembrix 1.6.6");
    EXPECT_TRUE(fs::exists(GetReadmeFileName())) << "the guide lies beside the program";

    bool checkBoxShown = true;
    WhenModalShown([&](QWidget* form) {
        EXPECT_EQ(form->objectName(), "NoticeForm");
        checkBoxShown = Child<QCheckBox>(form, "NotShowAgainCheckBox")->isVisible();
        Click(form, "OkButton");
    });
    Action("HelpNoticeItem")->trigger();
    EXPECT_FALSE(checkBoxShown);
    WhenModalShown([](QWidget* form) {
        EXPECT_EQ(form->windowTitle(), "关于");
        Click(form, "OkButton");
    });
    Action("HelpAboutItem")->trigger();
}

} // namespace
