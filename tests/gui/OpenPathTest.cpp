// Opening a password box: every refusal, message and result of the open path, and the recovery
// question.
#include "gui/ShellFixture.h"
#include "storage/Nork.h"
#include "ui/dialogs/OpenPasswordBox.h"

#include <QProcess>
#include <QStringList>

namespace {

const QString kWrongNoQuestion = "密码不正确，请重新输入密码。\r密码的字母必须使用正确的大小写。请确定是否因疏忽而按下了 Caps Lock 键。";
const QString kAskRecovery = "您输入的密码不正确！如果您忘了密码，是否需要通过回答密码提示问题来取回密码？";
const QString kWrongAnswer = "对不起，您回答的密码提示问题的答案不正确。";

class OpenPathTest : public TShellFixture {};

TEST_F(OpenPathTest, RefusalsAndFileChecks)
{
    const std::string open = NewBox("open.zmb", "secret");
    const std::string box = NewBox("box.zmb", "secret");
    WriteAll(FDir / "text.zmb", "this is no password box at all, only some text");
    std::filesystem::create_directory(FDir / "folder.zmb"); // there, but no file to read
    {
        TNorkDatabase db; // a container of the engine without the box's identification
        ASSERT_TRUE(db.CreateDatabase(FDir / "bare.zmb"));
    }
    struct {
        std::string File;
        QString Message;
    } const cases[] = {
        {FDir / "missing.zmb", "对不起，文件不存在。"},
        {FDir / "bare.zmb", "这不是一个合法的密码箱文件。"},
        {FDir / "text.zmb", "这不是一个合法的密码箱文件。"},
        {FDir / "folder.zmb", "无法打开这个密码箱文件，文件可能已损坏。"},
        {box, kWrongNoQuestion},
    };
    for (const auto& c : cases) {
        FMessages.Clear();
        DbFileMgr.OpenDatabase(open, "secret");
        EXPECT_FALSE(OpenPasswordBox(Q(c.File), "Secret")) << c.File;
        ASSERT_EQ(FMessages.Requests().size(), 1u) << c.File;
        EXPECT_EQ(FMessages.Requests()[0].Text, c.Message) << c.File;
        EXPECT_EQ(FMessages.Requests()[0].Icon, QMessageBox::Warning);
        EXPECT_EQ(FMessages.Requests()[0].Caption, "密码箱");
        EXPECT_FALSE(DbFileMgr.IsOpen()) << "the box open before is closed once the file checks begin";
    }

    FMessages.Clear();
    EXPECT_FALSE(OpenPasswordBox("", "secret"));
    EXPECT_TRUE(FMessages.Requests().empty());
}

TEST_F(OpenPathTest, OpensWithTheRightPasswordAndRefusesTheOpenFile)
{
    const std::string box = NewBox("box.zmb", "secret");
    EXPECT_TRUE(OpenPasswordBox(Q(box), "secret"));
    EXPECT_TRUE(FMessages.Requests().empty());
    EXPECT_TRUE(DbFileMgr.IsOpen());
    EXPECT_EQ(DbFileMgr.FileName(), box);
    EXPECT_EQ(DbFileMgr.Password(), "secret");

    // The same file by another name: a differently written path and a link.
    ASSERT_EQ(::symlink(box.c_str(), (FDir / "link.zmb").c_str()), 0);
    for (const std::string& name : {FDir / "sub/../box.zmb", FDir / "link.zmb"}) {
        FMessages.Clear();
        EXPECT_FALSE(OpenPasswordBox(Q(name), "secret")) << name;
        ASSERT_EQ(FMessages.Texts(), QStringList{"此文件已打开。"}) << name;
        EXPECT_EQ(FMessages.Requests()[0].Icon, QMessageBox::Information);
        EXPECT_TRUE(DbFileMgr.IsOpen()) << "a refused file leaves the open box alone";
    }
}

TEST_F(OpenPathTest, RefusesAFileAnotherCopyHasOpen)
{
    const std::string box = NewBox("box.zmb", "secret");
    QProcess holder;
    holder.start(QCoreApplication::applicationFilePath(), {"--hold-open", Q(box)});
    ASSERT_TRUE(holder.waitForReadyRead(10000));
    ASSERT_EQ(holder.readLine().trimmed(), "held");

    EXPECT_FALSE(OpenPasswordBox(Q(box), "secret"));
    ASSERT_EQ(FMessages.Texts(), QStringList{"此文件在另一程序中已打开。"});
    EXPECT_EQ(FMessages.Requests()[0].Icon, QMessageBox::Information);
    EXPECT_FALSE(DbFileMgr.IsOpen());

    holder.closeWriteChannel();
    ASSERT_TRUE(holder.waitForFinished(10000));
    FMessages.Clear();
    EXPECT_TRUE(OpenPasswordBox(Q(box), "secret")) << "the announcement ends with the other copy";
}

TEST_F(OpenPathTest, DamagedBoxBehindARightPassword)
{
    const std::string box = NewBox("box.zmb", "secret");
    {
        TNorkDatabase db;
        ASSERT_TRUE(db.Open(box, "secret"));
        ASSERT_TRUE(db.DeleteTable("Attach"));
    }
    EXPECT_FALSE(OpenPasswordBox(Q(box), "secret"));
    ASSERT_EQ(FMessages.Requests().size(), 1u);
    EXPECT_EQ(FMessages.Requests()[0].Text,
              "非常抱歉，该密码箱文件无法打开，可能由于意外原因而被损坏。\r请使用 Backup 目录下的备份文件。");
    EXPECT_EQ(FMessages.Requests()[0].Icon, QMessageBox::Critical);
    EXPECT_FALSE(DbFileMgr.IsOpen());
}

// The recovery question: what the user does, what is shown, and that the box stays closed.
TEST_F(OpenPathTest, RecoveryQuestion)
{
    const std::string box = NewBox("box.zmb", "Sesame", "你的宠物叫什么名字？", "Tom Cat");
    enum TStep { stNo, stCancel, stWrong, stBlanks, stRight };
    struct {
        TStep Step;
        QStringList Texts;
    } const cases[] = {
        {stNo, {kAskRecovery}},
        {stCancel, {kAskRecovery}},
        {stWrong, {kAskRecovery, kWrongAnswer}},
        {stBlanks, {kAskRecovery, kWrongAnswer}},
        {stRight, {kAskRecovery, "您的密码是：“Sesame”。\r请牢记密码，或者将它保存在一个可靠的地方。"}},
    };
    for (const auto& c : cases) {
        FMessages.Clear();
        FMessages.Answer(c.Step == stNo ? QMessageBox::No : QMessageBox::Yes);
        QString question;
        bool dialogShown = false;
        if (c.Step != stNo) {
            WhenModalShown([&](QWidget* form) {
                dialogShown = form->objectName() == "GetPwdForm";
                question = Child<QLineEdit>(form, "QuestionEdit")->text();
                EXPECT_TRUE(Child<QLineEdit>(form, "QuestionEdit")->isReadOnly());
                const QString reply = c.Step == stWrong ? "tom cat" : c.Step == stBlanks ? " Tom Cat" : "Tom Cat";
                Type(form, "AnswerEdit", reply);
                Click(form, c.Step == stCancel ? "CancelButton" : "OkButton");
            });
        }
        EXPECT_FALSE(OpenPasswordBox(Q(box), "sesame"));
        EXPECT_EQ(FMessages.Texts(), c.Texts) << c.Step;
        EXPECT_EQ(FMessages.Requests()[0].Icon, QMessageBox::Question);
        EXPECT_EQ(FMessages.Requests()[0].DefaultButton, QMessageBox::No);
        if (c.Step != stNo) {
            EXPECT_TRUE(dialogShown);
            EXPECT_EQ(question, "你的宠物叫什么名字？");
        }
        EXPECT_FALSE(DbFileMgr.IsOpen()) << "a right answer shows the password but opens nothing";
    }
}

TEST_F(OpenPathTest, AnswerLongerThanTheBoxKeepsStillMatches)
{
    const QString answer = QString("我的第一只猫叫做小花").repeated(5); // 100 bytes in the box's code page
    const std::string box = NewBox("box.zmb", "pw", "Q?", answer.toStdString());
    std::string question, stored;
    ASSERT_TRUE(DbFileMgr.GetPwdQuestion(box, question, stored));
    ASSERT_LT(stored.size(), answer.toStdString().size()) << "the box keeps only the start of the answer";
    EXPECT_TRUE(RecoveryAnswerMatches(answer, stored));
    EXPECT_FALSE(RecoveryAnswerMatches(answer.left(10), stored));
    EXPECT_FALSE(RecoveryAnswerMatches("", stored));
}

} // namespace
