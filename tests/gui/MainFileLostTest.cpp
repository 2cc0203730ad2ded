// The real window when another program replaces, moves or deletes its box: it says so at once
// and offers its ways out, and the file name it remembers and announces follows the choice.
#include "gui/MainFormFixture.h"
#include "services/OpenFileLock.h"
#include "services/qt/FileDialogs.h"

#include <cstdio>
#include <filesystem>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

enum : int32_t { kMail = 4 };

class MainFileLostTest : public TMainFormFixture {
protected:
    MainFileLostTest()
    {
        FPreviousDialogs = SetFileDialogHandler([this](const TFileDialogRequest& Request, QString& FileName) {
            FDialogs.push_back(Request);
            const QString& chosen = Request.Kind == fdSave ? FSaveAs : FOpenPath;
            if (chosen.isEmpty())
                return false;
            FileName = chosen;
            return true;
        });
    }
    ~MainFileLostTest() override { SetFileDialogHandler(FPreviousDialogs); }

    // The box with one web entry, in the window; another box, with another password, beside it.
    void SetUpBoxes()
    {
        FBox = NewOpenBox();
        AddWeb(kMail, "网站");
        FOther = NewBox("other.zmb", "other");
        FOtherBytes = ReadAll(FOther);
        OpenForm(FBox);
    }
    void ReplaceBox() { ASSERT_EQ(std::rename(FOther.c_str(), FBox.c_str()), 0); }
    // Waits for the window's choices (they come from the file watcher, through the event loop).
    bool ChoicesShown(std::size_t Count = 1)
    {
        return QTest::qWaitFor([&] { return Choices().size() >= Count; }, 5000);
    }
    std::vector<TMessageBoxRequest> Choices() const
    {
        std::vector<TMessageBoxRequest> found;
        for (const auto& r : FMessages.Requests())
            if (!r.ButtonTexts.isEmpty())
                found.push_back(r);
        return found;
    }
    std::string LastFileSaved() const
    {
        const std::string ini = ReadAll(AppOptionsMgr().FileName());
        const auto at = ini.find("LastFile=");
        return at == std::string::npos ? std::string() : ini.substr(at + 9, ini.find('\n', at) - at - 9);
    }
    // Types Password into the password prompt that follows the choices, then OK. Called while the
    // choices are answered, so the prompt's own loop finds the typing scheduled.
    static void WhenPasswordAsked(const QString& Password)
    {
        WhenModalShown([Password](QWidget* form) {
            EXPECT_EQ(form->objectName(), "InputForm");
            Child<QLineEdit>(form, "ValueEdit")->setText(Password);
            Click(form, "OkButton");
        });
    }

    std::string FBox;
    std::string FOther;
    std::string FOtherBytes;
    QString FSaveAs;   // answers the save dialog (empty: cancelled)
    QString FOpenPath; // answers the open dialog (empty: cancelled)
    QStringList FPasswords; // typed at the password prompts that follow the choices, in turn
    std::vector<TFileDialogRequest> FDialogs;
    TFileDialogHandler FPreviousDialogs;
};

TEST_F(MainFileLostTest, ReplacedBoxSavedAsACopy)
{
    SetUpBoxes();
    const std::string copy = FDir / "box - 副本.zmb";
    FSaveAs = Q(copy);
    FMessages.Answer(QMessageBox::Save);
    ReplaceBox();
    ASSERT_TRUE(ChoicesShown());
    const TMessageBoxRequest choice = Choices()[0];
    EXPECT_TRUE(choice.Text.contains(QStringLiteral("替换"))) << choice.Text.toStdString();
    EXPECT_TRUE(choice.Text.contains(Q(FBox)));
    EXPECT_EQ(choice.DefaultButton, QMessageBox::Open);
    EXPECT_EQ(choice.ButtonTexts.size(), 3);
    ASSERT_TRUE(QTest::qWaitFor([&] { return DbFileMgr.FileName() == copy; }, 5000));
    // The save dialog proposed a copy beside the box.
    ASSERT_EQ(FDialogs.size(), 1u);
    EXPECT_EQ(FDialogs[0].Kind, fdSave);
    EXPECT_EQ(FDialogs[0].FileName, Q(copy));

    EXPECT_EQ(FForm->windowTitle(), "Zembrix - [" + Q(copy) + "]");
    EXPECT_EQ(LastFileSaved(), copy);
    EXPECT_TRUE(IsFileOpenedElsewhere(copy));
    EXPECT_FALSE(IsFileOpenedElsewhere(FBox)); // the file now at the old name is nobody's
    EXPECT_EQ(ReadAll(FBox), FOtherBytes);
    SelectFolder(kMail);
    EXPECT_EQ(ListColumn(0), QStringList{"网站"});
    // Changes land in the copy.
    AddWeb(kMail, "之后");
    EXPECT_EQ(DbFileMgr.FileFate(), ffSame);
}

TEST_F(MainFileLostTest, ReplacedBoxGivesWayToTheNewFileWithItsOwnPassword)
{
    SetUpBoxes();
    AppOptionsMgr().SetValues(AppOpt::CreateBackup, true);
    // A wrong password keeps the old box and brings the choices back; the right one opens.
    FMessages.Answer(QMessageBox::Open);
    FMessages.Answer(QMessageBox::Ok); // the wrong password's warning
    FMessages.Answer(QMessageBox::Open);
    FPasswords = {"secret", "other"};
    FMessages.SetOnMessage([this](const TMessageBoxRequest& Request) {
        if (!Request.ButtonTexts.isEmpty() && !FPasswords.isEmpty())
            WhenPasswordAsked(FPasswords.takeFirst());
    });
    ReplaceBox();
    ASSERT_TRUE(ChoicesShown(2));
    ASSERT_TRUE(QTest::qWaitFor([] { return DbFileMgr.FileFate() == ffSame; }, 5000));
    EXPECT_TRUE(FMessages.Texts().join("|").contains(QStringLiteral("密码错误")));

    EXPECT_EQ(DbFileMgr.FileName(), FBox);
    EXPECT_EQ(DbFileMgr.Password(), "other");
    EXPECT_EQ(LastFileSaved(), FBox);
    EXPECT_TRUE(IsFileOpenedElsewhere(FBox)); // announced again, as the new file
    SelectFolder(kMail);
    EXPECT_TRUE(ListColumn(0).isEmpty());
    // The backup taken is of the new file, not of the one it replaced.
    EXPECT_EQ(ReadAll(FDir / "Backup/box.zmb.bak1"), FOtherBytes);
    AddWeb(kMail, "新文件中");
}

TEST_F(MainFileLostTest, DeletedBoxOffersSaveAsFirstThenAnotherBox)
{
    SetUpBoxes();
    FOpenPath = Q(FOther);
    FMessages.Answer(QMessageBox::Save); // the save dialog is cancelled, the choices come back
    FMessages.Answer(QMessageBox::Open); // another box, chosen in the open dialog
    FPasswords = {"other"};
    FMessages.SetOnMessage([this](const TMessageBoxRequest& Request) {
        if (!Request.ButtonTexts.isEmpty() && Choices().size() == 2)
            WhenPasswordAsked(FPasswords.takeFirst());
    });
    ASSERT_EQ(::unlink(FBox.c_str()), 0);
    ASSERT_TRUE(ChoicesShown(2));
    const auto choices = Choices();
    EXPECT_TRUE(choices[0].Text.contains(QStringLiteral("移动或删除"))) << choices[0].Text.toStdString();
    EXPECT_EQ(choices[0].DefaultButton, QMessageBox::Save);
    ASSERT_TRUE(QTest::qWaitFor([this] { return DbFileMgr.FileName() == FOther; }, 5000));
    ASSERT_EQ(FDialogs.size(), 2u);
    EXPECT_EQ(FDialogs[0].Kind, fdSave);
    EXPECT_EQ(FDialogs[1].Kind, fdOpen);
    EXPECT_EQ(LastFileSaved(), FOther);
    EXPECT_TRUE(IsFileOpenedElsewhere(FOther));
    EXPECT_FALSE(fs::exists(FBox));
}

} // namespace
