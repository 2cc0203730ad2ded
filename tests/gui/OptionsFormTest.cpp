// The options dialog: loading, the enabling rules, saving only what changed, Cancel, the backup
// folder's default, the generator test and the file association.
#include "gui/EditorFixture.h"
#include "services/ProjectUtils.h"
#include "ui/dialogs/OptionsFrm.h"

#include <QCheckBox>
#include <QLabel>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSpinBox>
#include <QTabWidget>

namespace {

class OptionsFormTest : public TEditorFixture {
protected:
    OptionsFormTest()
    {
        // Every test starts from the defaults in an options file of its own.
        AppOptionsMgr().SetFileName(FDir / "Zembrix.ini");
        AppOptionsMgr().Load();
        ApplyGenPwdOptions(AppOptionsMgr(), PwdGenerator());
    }
    ~OptionsFormTest() override { AppOptionsMgr().SetFileName(FOldOptionsFile); }

    std::string Ini() { return ReadAll(FDir / "Zembrix.ini"); }
    static bool Checked(QWidget* Form, const char* Name) { return Child<QAbstractButton>(Form, Name)->isChecked(); }
    static bool Enabled(QWidget* Form, const char* Name) { return Child<QWidget>(Form, Name)->isEnabled(); }
    static void ClickBox(QWidget* Form, const char* Name) { QTest::mouseClick(Child<QAbstractButton>(Form, Name), Qt::LeftButton, {}, QPoint(4, 4)); }
    static void SetSpin(QWidget* Form, const char* Name, int Value) { Child<QSpinBox>(Form, Name)->setValue(Value); }

    std::string FOldOptionsFile = AppOptionsMgr().FileName();
};

TEST_F(OptionsFormTest, DefaultsAreShownWithTheirEnablingRules)
{
    QStringList pages;
    std::map<std::string, bool> state;
    QString backupFolder;
    WhenModalShown([&](QWidget* form) {
        auto* tabs = Child<QTabWidget>(form, "PageControl");
        for (int i = 0; i < tabs->count(); ++i)
            pages << tabs->tabText(i);
        EXPECT_EQ(tabs->currentIndex(), 0);
        for (const char* name : {"AutoOpenThisRadioButton", "AutoOpenLastRadioButton", "AutoOpenNoneRadioButton",
                                 "SaveWinSizeCheckBox", "EscToMinCheckBox", "AutoBackupCheckBox", "MinLockCheckBox",
                                 "MaskPwdCheckBox", "ClearClipboardCheckBox", "AutoLockCheckBox", "ChrUpperCheckBox",
                                 "ChrLowerCheckBox", "ChrNumCheckBox", "ChrSpaceCheckBox", "ChrSpecialCheckBox",
                                 "LenRangeRadioButton", "LenFixedRadioButton"})
            state[name] = Checked(form, name);
        for (const char* name : {"AutoOpenThisEdit", "AutoOpenBrowseButton", "AutoLockMinutesSpinEdit",
                                 "LenRangeMinSpinEdit", "LenRangeMaxSpinEdit", "LenFixedSpinEdit"})
            state[std::string(name) + ".enabled"] = Enabled(form, name);
        EXPECT_EQ(Child<QSpinBox>(form, "MaxBakSizeSpinEdit")->value(), 10);
        EXPECT_EQ(Child<QSpinBox>(form, "AutoLockMinutesSpinEdit")->value(), 15);
        EXPECT_EQ(Child<QSpinBox>(form, "LenRangeMinSpinEdit")->value(), 5);
        EXPECT_EQ(Child<QSpinBox>(form, "LenRangeMaxSpinEdit")->value(), 8);
        EXPECT_EQ(Child<QSpinBox>(form, "LenFixedSpinEdit")->value(), 6);
        backupFolder = Child<QLineEdit>(form, "BackupFolderEdit")->text();

        // The rules follow the clicks.
        ClickBox(form, "AutoOpenThisRadioButton");
        EXPECT_TRUE(Enabled(form, "AutoOpenThisEdit"));
        EXPECT_TRUE(Enabled(form, "AutoOpenBrowseButton"));
        ClickBox(form, "AutoOpenNoneRadioButton");
        EXPECT_FALSE(Enabled(form, "AutoOpenThisEdit"));
        ClickBox(form, "AutoLockCheckBox");
        EXPECT_TRUE(Enabled(form, "AutoLockMinutesSpinEdit"));
        ClickBox(form, "LenFixedRadioButton");
        EXPECT_FALSE(Enabled(form, "LenRangeMinSpinEdit"));
        EXPECT_FALSE(Enabled(form, "LenRangeMaxSpinEdit"));
        EXPECT_TRUE(Enabled(form, "LenFixedSpinEdit"));
        // A disabled edit is drawn grey, an enabled one in the window colour.
        auto* edit = Child<QLineEdit>(form, "AutoOpenThisEdit");
        EXPECT_EQ(edit->palette().color(QPalette::Disabled, QPalette::Base), edit->palette().color(QPalette::Active, QPalette::Button));
        Click(form, "CancelButton");
    });
    EXPECT_FALSE(ShowOptionsForm());
    EXPECT_EQ(pages, (QStringList{"常规", "备份", "安全", "密码生成", "其它"}));
    EXPECT_EQ(state, (std::map<std::string, bool>{
                         {"AutoOpenThisRadioButton", false}, {"AutoOpenLastRadioButton", true},
                         {"AutoOpenNoneRadioButton", false}, {"SaveWinSizeCheckBox", false},
                         {"EscToMinCheckBox", true},         {"AutoBackupCheckBox", true},
                         {"MinLockCheckBox", true},          {"MaskPwdCheckBox", true},
                         {"ClearClipboardCheckBox", true},   {"AutoLockCheckBox", false},
                         {"ChrUpperCheckBox", true},         {"ChrLowerCheckBox", true},
                         {"ChrNumCheckBox", true},           {"ChrSpaceCheckBox", false},
                         {"ChrSpecialCheckBox", false},      {"LenRangeRadioButton", true},
                         {"LenFixedRadioButton", false},     {"AutoOpenThisEdit.enabled", false},
                         {"AutoOpenBrowseButton.enabled", false}, {"AutoLockMinutesSpinEdit.enabled", false},
                         {"LenRangeMinSpinEdit.enabled", true},   {"LenRangeMaxSpinEdit.enabled", true},
                         {"LenFixedSpinEdit.enabled", false}}));
    EXPECT_EQ(backupFolder.toStdString(), GetDefaultBackupFolder());
    // Cancel after changes on several pages: nothing written, nothing applied.
    EXPECT_EQ(Ini(), "");
    EXPECT_EQ(AppOptionsMgr().ReadInteger(AppOpt::AutoOpenMode), aoLastFile);
    EXPECT_FALSE(AppOptionsMgr().ReadBoolean(AppOpt::AutoLock));
    EXPECT_EQ(FMainForm.ApplyCount, 0);
}

TEST_F(OptionsFormTest, OkSavesOnlyTheChangedOptionsAndAppliesThem)
{
    WhenModalShown([&](QWidget* form) {
        ClickBox(form, "AutoOpenThisRadioButton");
        Type(form, "AutoOpenThisEdit", "/home/ann/box.zmb");
        ClickBox(form, "SaveWinSizeCheckBox");
        ClickBox(form, "AutoBackupCheckBox");
        SetSpin(form, "MaxBakSizeSpinEdit", 250);
        ClickBox(form, "AutoLockCheckBox");
        SetSpin(form, "AutoLockMinutesSpinEdit", 30);
        ClickBox(form, "ChrSpecialCheckBox");
        ClickBox(form, "ChrUpperCheckBox");
        ClickBox(form, "LenFixedRadioButton");
        SetSpin(form, "LenFixedSpinEdit", 20);
        SetSpin(form, "LenRangeMinSpinEdit", 5); // the same value: not rewritten
        Click(form, "OkButton");
    });
    EXPECT_TRUE(ShowOptionsForm());
    EXPECT_EQ(Ini(), "[Options]\n"
                     "AutoOpenMode=0\n"
                     "AutoOpenThisFile=/home/ann/box.zmb\n"
                     "SaveWinSize=True\n"
                     "CreateBackup=False\n"
                     "MaxBackupSize=250\n"
                     "AutoLock=True\n"
                     "AutoLockMinutes=30\n"
                     "GenPwdCharKinds=22\n"
                     "GenPwdLenMode=0\n"
                     "GenPwdLenFixed=20\n");
    EXPECT_EQ(FMainForm.ApplyCount, 1);
    EXPECT_EQ(PwdGenerator().CharKinds(), 22);
    EXPECT_EQ(PwdGenerator().LenMode(), plFixed);
    EXPECT_EQ(PwdGenerator().Generate().size(), 20u);

    // Opened again, the dialog shows what was saved.
    WhenModalShown([&](QWidget* form) {
        EXPECT_TRUE(Checked(form, "AutoOpenThisRadioButton"));
        EXPECT_TRUE(Enabled(form, "AutoOpenThisEdit"));
        EXPECT_EQ(Child<QSpinBox>(form, "AutoLockMinutesSpinEdit")->value(), 30);
        EXPECT_TRUE(Checked(form, "ChrSpecialCheckBox"));
        EXPECT_FALSE(Checked(form, "ChrUpperCheckBox"));
        EXPECT_TRUE(Checked(form, "LenFixedRadioButton"));
        Click(form, "CancelButton");
    });
    EXPECT_FALSE(ShowOptionsForm());
}

TEST_F(OptionsFormTest, TheDefaultBackupFolderIsKeptAsAnEmptyOption)
{
    const QString defaultFolder = QString::fromStdString(GetDefaultBackupFolder());
    struct {
        QString Typed;
        std::string Stored;
    } const cases[] = {
        {defaultFolder, ""},
        {"/media/usb/备份", "/media/usb/备份"},
        {defaultFolder, ""},
        {defaultFolder + "/", defaultFolder.toStdString() + "/"},
    };
    for (const auto& c : cases) {
        QString shown;
        WhenModalShown([&](QWidget* form) {
            shown = Child<QLineEdit>(form, "BackupFolderEdit")->text();
            Type(form, "BackupFolderEdit", c.Typed);
            Click(form, "OkButton");
        });
        EXPECT_TRUE(ShowOptionsForm());
        EXPECT_EQ(AppOptionsMgr().ReadText(AppOpt::BackupFolder), c.Stored) << c.Typed.toStdString();
        if (c.Stored.empty() && &c == &cases[0])
            EXPECT_EQ(Ini().find("BackupFolder"), std::string::npos); // left at the default: not written
        else
            EXPECT_NE(Ini().find("BackupFolder=" + c.Stored + "\n"), std::string::npos);
        // An empty option shows the default folder again.
        WhenModalShown([&](QWidget* form) {
            shown = Child<QLineEdit>(form, "BackupFolderEdit")->text();
            Click(form, "CancelButton");
        });
        ShowOptionsForm();
        EXPECT_EQ(shown, c.Stored.empty() ? defaultFolder : QString::fromStdString(c.Stored));
    }
}

TEST_F(OptionsFormTest, TheTestButtonUsesThePageAndChangesNothingElse)
{
    const TGenPwdCharKinds kinds = PwdGenerator().CharKinds();
    QStringList generated;
    QString strength;
    WhenModalShown([&](QWidget* form) {
        for (const char* box : {"ChrUpperCheckBox", "ChrLowerCheckBox"})
            ClickBox(form, box);
        ClickBox(form, "LenFixedRadioButton");
        SetSpin(form, "LenFixedSpinEdit", 4);
        for (int i = 0; i < 3; ++i) {
            Click(form, "TestGenPwdButton");
            generated << Child<QLineEdit>(form, "TestPwdEdit")->text();
        }
        Type(form, "TestPwdEdit", "xK9#mQ2$vL7@pR4!");
        strength = Child<QLabel>(form, "StrengthWordLabel")->text();
        Click(form, "CancelButton");
    });
    EXPECT_FALSE(ShowOptionsForm());
    for (const QString& p : generated)
        EXPECT_TRUE(QRegularExpression("^[0-9]{4}$").match(p).hasMatch()) << p.toStdString();
    EXPECT_EQ(strength, "很强");
    EXPECT_EQ(PwdGenerator().CharKinds(), kinds);
    EXPECT_EQ(AppOptionsMgr().ReadInteger(AppOpt::GenPwdCharKinds), 7);
    EXPECT_EQ(AppOptionsMgr().ReadInteger(AppOpt::GenPwdLenMode), 1);
    EXPECT_FALSE(AppOptionsMgr().Modified(AppOpt::GenPwdLenFixed));
    EXPECT_EQ(Ini(), "");
}

TEST_F(OptionsFormTest, FileAssociationSaysWhetherItWorked)
{
    TScopedEnv desktop("XDG_CURRENT_DESKTOP", "X-Generic");
    TScopedEnv config("XDG_CONFIG_HOME", FDir / "config");
    for (const bool works : {true, false}) {
        WriteAll(FDir / "plain", "");
        TScopedEnv data("XDG_DATA_HOME", works ? FDir / "data" : FDir / "plain/data");
        FMessages.Clear();
        WhenModalShown([&](QWidget* form) {
            Click(form, "AssFileButton");
            Click(form, "CancelButton");
        });
        ShowOptionsForm();
        ASSERT_EQ(FMessages.Requests().size(), 1u);
        EXPECT_EQ(FMessages.Requests()[0].Text,
                  works ? "密码箱文件(.zmb)已成功关联。" : "无法进行文件关联，您需要以管理员身份运行该程序。");
        EXPECT_EQ(FMessages.Requests()[0].Icon, QMessageBox::Information);
    }
    EXPECT_TRUE(std::filesystem::exists(FDir / "data/mime/packages"));
}

TEST_F(OptionsFormTest, BrowsingForTheStartFileFillsTheEdit)
{
    FFileDialogs.Answer(FDir / "chosen.zmb");
    QString shown;
    WhenModalShown([&](QWidget* form) {
        ClickBox(form, "AutoOpenThisRadioButton");
        Click(form, "AutoOpenBrowseButton");
        shown = Child<QLineEdit>(form, "AutoOpenThisEdit")->text();
        Click(form, "CancelButton");
    });
    ShowOptionsForm();
    EXPECT_EQ(shown.toStdString(), FDir / "chosen.zmb");
    ASSERT_EQ(FFileDialogs.Requests.size(), 1u);
    EXPECT_EQ(FFileDialogs.Requests[0].Filter, "密码箱文件(*.zmb)");
}

} // namespace
