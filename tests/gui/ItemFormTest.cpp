// The web-account and bank-account editors and their frame, driven through their show functions.
#include "gui/EditorFixture.h"
#include "gui/UrlRecorder.h"
#include "services/qt/SecretClipboard.h"
#include "ui/components/PwdStrengthBar.h"
#include "ui/dialogs/BankItemFrm.h"
#include "ui/dialogs/ItemBaseFrm.h"
#include "ui/dialogs/NetItemFrm.h"

#include <QAction>
#include <QClipboard>
#include <QComboBox>
#include <QMenu>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QScreen>
#include <QToolButton>
#include <QUrl>

namespace {

class ItemFormTest : public TEditorFixture {
protected:
    static void ClickTool(QWidget* Form, const char* Name) { Child<QToolButton>(Form, Name)->click(); }
    static QString Text(QWidget* Form, const char* Name) { return Child<QLineEdit>(Form, Name)->text(); }
    static QString ClipboardText() { return QGuiApplication::clipboard()->text(); }

    TZmbNetItems StoredNetItems()
    {
        TZmbNetItems items;
        DbFileMgr.GetNetItemList(ztNetItem, false, items);
        return items;
    }
};

TEST_F(ItemFormTest, AddModeStoresSeveralEntriesInARowAndClearsItself)
{
    TZmbNetItem item;
    item.Caption = "not shown in add mode";
    QStringList titles;
    QStringList okCaptions;
    WhenModalShown([&](QWidget* form) {
        titles << form->windowTitle();
        okCaptions << Child<QPushButton>(form, "OkButton")->text() << Child<QPushButton>(form, "CancelButton")->text();
        EXPECT_EQ(Text(form, "CaptionEdit"), "");
        for (const char* caption : {"网易邮箱", "工商银行网银", "论坛"}) {
            Type(form, "CaptionEdit", caption);
            Type(form, "UserNameEdit", "ann");
            Type(form, "PasswordEdit", "pw-" + QString::fromUtf8(caption));
            Type(form, "HyperlinkEdit", "https://example.org/");
            Type(form, "EmailEdit", "ann@example.org");
            KeyClicks(Child<QPlainTextEdit>(form, "CommentsMemo"), "第一行");
            Click(form, "OkButton");
            EXPECT_EQ(Text(form, "CaptionEdit"), "") << caption;
            EXPECT_EQ(Text(form, "PasswordEdit"), "");
            EXPECT_EQ(Child<QPlainTextEdit>(form, "CommentsMemo")->toPlainText(), "");
            EXPECT_FALSE(Child<QToolButton>(form, "CopyPwdButton")->isEnabled());
            EXPECT_TRUE(form->isVisible());
            titles << form->windowTitle();
        }
        Click(form, "CancelButton");
    });
    EXPECT_FALSE(ShowNetItemForm(true, item));
    EXPECT_EQ(titles, QStringList(4, "添加条目"));
    EXPECT_EQ(okCaptions, (QStringList{"添加(&A)", "关闭"}));
    const TZmbNetItems stored = StoredNetItems();
    ASSERT_EQ(stored.size(), 3u);
    EXPECT_EQ(stored[0].Caption, "网易邮箱");
    EXPECT_EQ(stored[2].Caption, "论坛");
    EXPECT_EQ(stored[2].Password.str(), "pw-论坛");
    EXPECT_EQ(stored[1].Hyperlink, "https://example.org/");
    EXPECT_EQ(stored[1].Email, "ann@example.org");
    EXPECT_EQ(stored[1].Comments, "第一行");
    EXPECT_EQ(stored[1].SortCode, stored[0].SortCode + 10);
    EXPECT_TRUE(FMessages.Texts().isEmpty());
}

TEST_F(ItemFormTest, AddModeKeepsTheTypedEntryWhenItIsNotStored)
{
    struct {
        bool Refuse;
        bool Raise;
        QStringList Messages;
    } const cases[] = {{true, false, {}}, {false, true, {"磁盘已满"}}};
    for (const auto& c : cases) {
        FMessages.Clear();
        FMainForm.Refuse = c.Refuse;
        FMainForm.RaiseOnAdd = c.Raise;
        QString after;
        WhenModalShown([&](QWidget* form) {
            Type(form, "CaptionEdit", "留下");
            // A real click, so an error takes the program's way to the general error display.
            QTest::mouseClick(Child<QPushButton>(form, "OkButton"), Qt::LeftButton);
            after = Text(form, "CaptionEdit");
            Click(form, "CancelButton");
        });
        TZmbNetItem item;
        EXPECT_FALSE(ShowNetItemForm(true, item));
        EXPECT_EQ(after, "留下");
        EXPECT_EQ(FMessages.Texts(), c.Messages);
    }
    EXPECT_TRUE(StoredNetItems().empty());
}

TEST_F(ItemFormTest, ModifyModeReturnsTheEditsOnOkAndOverwritesTheItemEvenOnCancel)
{
    TZmbNetItem original;
    original.ID = 42;
    original.FolderID = 7;
    original.SortCode = 130;
    original.Caption = "旧标题";
    original.UserName = "";
    original.Password = TSecretString("old");
    original.Comments = "a\nb";
    for (const bool ok : {true, false}) {
        TZmbNetItem item = original;
        QString title;
        bool copyEnabledAtStart = true;
        bool copyEnabledAfterTyping = false;
        WhenModalShown([&](QWidget* form) {
            title = form->windowTitle();
            EXPECT_EQ(Text(form, "CaptionEdit"), "旧标题");
            EXPECT_EQ(Child<QPlainTextEdit>(form, "CommentsMemo")->toPlainText(), "a\nb");
            EXPECT_EQ(Child<QPushButton>(form, "OkButton")->text(), "确定");
            copyEnabledAtStart = Child<QToolButton>(form, "CopyUserNameButton")->isEnabled();
            KeyClicks(Child<QLineEdit>(form, "UserNameEdit"), "b");
            copyEnabledAfterTyping = Child<QToolButton>(form, "CopyUserNameButton")->isEnabled();
            Type(form, "CaptionEdit", "新标题");
            Click(form, ok ? "OkButton" : "CancelButton");
        });
        EXPECT_EQ(ShowNetItemForm(false, item), ok);
        EXPECT_EQ(title, "修改条目");
        EXPECT_FALSE(copyEnabledAtStart);
        EXPECT_TRUE(copyEnabledAfterTyping);
        // The caller uses the item only after true; either way it holds the editor's texts.
        EXPECT_EQ(item.Caption, "新标题");
        EXPECT_EQ(item.UserName, "b");
        EXPECT_EQ(item.Password.str(), "old");
        EXPECT_EQ(item.ID, 42);
        EXPECT_EQ(item.FolderID, 7);
        EXPECT_EQ(item.SortCode, 130);
    }
}

TEST_F(ItemFormTest, EmptyRequiredFieldsAreRefusedWithTheirMessages)
{
    WhenModalShown([&](QWidget* form) {
        Click(form, "OkButton");
        EXPECT_EQ(FocusIn(form), "CaptionEdit");
        Click(form, "CancelButton");
    });
    TZmbNetItem net;
    EXPECT_FALSE(ShowNetItemForm(true, net));
    ASSERT_EQ(FMessages.Requests().size(), 1u);
    EXPECT_EQ(FMessages.Requests()[0].Text, "请输入标题，方便以后查找。");
    EXPECT_EQ(FMessages.Requests()[0].Icon, QMessageBox::Information);

    FMessages.Clear();
    QStringList focus;
    WhenModalShown([&](QWidget* form) {
        Click(form, "OkButton");
        focus << FocusIn(form);
        Type(form, "BankNameEdit", "招商银行");
        Click(form, "OkButton");
        focus << FocusIn(form);
        Click(form, "CancelButton");
    });
    TZmbBankItem bank;
    EXPECT_FALSE(ShowBankItemForm(true, bank));
    EXPECT_EQ(FMessages.Texts(), (QStringList{"\"开户行\" 为空，请输入！", "\"账号/卡号\" 为空，请输入！"}));
    EXPECT_EQ(focus, (QStringList{"BankNameEdit", "AccountEdit"}));
}

TEST_F(ItemFormTest, CopyButtonsFollowTheirEditsAndCopyTheWholeText)
{
    TZmbNetItem item;
    item.Caption = "c";
    item.UserName = "ann lee";
    item.Password = TSecretString(" p w ");
    item.Email = "ann@example.org";
    std::vector<QString> copied;
    std::vector<bool> secret;
    std::map<std::string, bool> enabled;
    WhenModalShown([&](QWidget* form) {
        for (const char* b : {"CopyUserNameButton", "CopyPwdButton", "CopyHyperlinkButton", "GotoHyperlinkButton",
                              "CopyEmailButton", "GotoEmailButton", "GenPwdButton"})
            enabled[b] = Child<QToolButton>(form, b)->isEnabled();
        for (const char* b : {"CopyUserNameButton", "CopyPwdButton", "CopyEmailButton"}) {
            ClickTool(form, b);
            copied.push_back(ClipboardText());
            secret.push_back(TSecretClipboard::Shared().HasPendingSecret());
        }
        Type(form, "HyperlinkEdit", "example.org");
        EXPECT_TRUE(Child<QToolButton>(form, "GotoHyperlinkButton")->isEnabled());
        ClickTool(form, "CopyHyperlinkButton");
        copied.push_back(ClipboardText());
        Click(form, "CancelButton");
    });
    ShowNetItemForm(false, item);
    EXPECT_EQ(enabled, (std::map<std::string, bool>{{"CopyUserNameButton", true},
                                                    {"CopyPwdButton", true},
                                                    {"CopyHyperlinkButton", false},
                                                    {"GotoHyperlinkButton", false},
                                                    {"CopyEmailButton", true},
                                                    {"GotoEmailButton", true},
                                                    {"GenPwdButton", true}}));
    EXPECT_EQ(copied, (std::vector<QString>{"ann lee", " p w ", "ann@example.org", "example.org"}));
    // User names and passwords are secrets, cleared from the clipboard later; addresses are not.
    EXPECT_EQ(secret, (std::vector<bool>{true, true, false}));
}

TEST_F(ItemFormTest, BankAccountCopiesAsTypedOrWithoutSpaces)
{
    struct {
        QString Account;
        const char* Item;
        QString Expected;
    } const cases[] = {
        {"6222 0200 1234 5678", "AccCopyItem", "6222 0200 1234 5678"},
        {"6222 0200 1234 5678", "AccCopyNoSpaceItem", "6222020012345678"},
        {"62\t22\u3000 0", "AccCopyNoSpaceItem", "62\t22\u30000"},
        {"   ", "AccCopyNoSpaceItem", ""},
    };
    for (const auto& c : cases) {
        TZmbBankItem item;
        item.BankName = "b";
        item.Account = c.Account.toStdString();
        QGuiApplication::clipboard()->setText("before");
        QPoint menuAt;
        QPoint buttonBottomLeft;
        WhenModalShown([&](QWidget* form) {
            auto* button = Child<QToolButton>(form, "CopyAccountButton");
            button->click();
            auto* menu = Child<QMenu>(form, "AccCopyPopupMenu");
            EXPECT_TRUE(QTest::qWaitFor([menu] { return menu->isVisible(); }));
            menuAt = menu->pos();
            buttonBottomLeft = button->mapToGlobal(button->rect().bottomLeft());
            menu->findChild<QAction*>(c.Item)->trigger();
            menu->hide();
            Click(form, "CancelButton");
        });
        ShowBankItemForm(false, item);
        EXPECT_EQ(ClipboardText(), c.Expected) << c.Account.toStdString();
        EXPECT_EQ(menuAt.x(), buttonBottomLeft.x());
        EXPECT_LE(std::abs(menuAt.y() - buttonBottomLeft.y()), 2);
    }
}

TEST_F(ItemFormTest, BankEditorEditsEveryField)
{
    TZmbBankItem item;
    item.ID = 3;
    item.BankName = "中国银行";
    item.AccType = "存折";
    item.Account = "1";
    QStringList types;
    int rows = 0;
    WhenModalShown([&](QWidget* form) {
        auto* combo = Child<QComboBox>(form, "AccTypeComboBox");
        for (int i = 0; i < combo->count(); ++i)
            types << combo->itemText(i);
        rows = combo->maxVisibleItems();
        EXPECT_EQ(combo->currentText(), "存折");
        EXPECT_EQ(form->findChild<QToolButton*>("GenPwdButton"), nullptr);
        combo->setEditText("工资卡");
        Type(form, "UserNameEdit", "李四");
        Type(form, "AccountEdit", "9558 8000");
        Type(form, "PasswordEdit", "123456");
        KeyClicks(Child<QPlainTextEdit>(form, "CommentsMemo"), "备注");
        Click(form, "OkButton");
    });
    EXPECT_TRUE(ShowBankItemForm(false, item));
    EXPECT_EQ(types, TBankItemForm::AccountTypes());
    EXPECT_EQ(types.size(), 9);
    EXPECT_EQ(rows, 10);
    EXPECT_EQ(item.AccType, "工资卡");
    EXPECT_EQ(item.UserName, "李四");
    EXPECT_EQ(item.Account, "9558 8000");
    EXPECT_EQ(item.Password.str(), "123456");
    EXPECT_EQ(item.Comments, "备注");
    EXPECT_EQ(item.ID, 3);
}

TEST_F(ItemFormTest, GenerateUsesTheConfiguredGenerator)
{
    TPwdGenerator& generator = PwdGenerator();
    const TGenPwdCharKinds kinds = generator.CharKinds();
    const TGenPwdLenMode mode = generator.LenMode();
    generator.SetCharKinds(CharKindBit(pcNumber));
    generator.SetLenMode(plFixed);
    generator.SetLenFixed(12);
    QStringList generated;
    WhenModalShown([&](QWidget* form) {
        for (int i = 0; i < 2; ++i) {
            ClickTool(form, "GenPwdButton");
            generated << Text(form, "PasswordEdit");
        }
        Click(form, "CancelButton");
    });
    TZmbNetItem item;
    ShowNetItemForm(true, item);
    generator.SetCharKinds(kinds);
    generator.SetLenMode(mode);
    ASSERT_EQ(generated.size(), 2);
    for (const QString& p : generated)
        EXPECT_TRUE(QRegularExpression("^[0-9]{12}$").match(p).hasMatch()) << p.toStdString();
    EXPECT_NE(generated[0], generated[1]);
}

TEST_F(ItemFormTest, GoToButtonsOpenTheLinkAndWriteAMail)
{
    TUrlRecorder desktop;
    TZmbNetItem item;
    item.Caption = "c";
    item.Hyperlink = "  https://example.org/login  ";
    item.Email = " ann@example.org ";
    WhenModalShown([&](QWidget* form) {
        ClickTool(form, "GotoHyperlinkButton");
        ClickTool(form, "GotoEmailButton");
        Click(form, "CancelButton");
    });
    ShowNetItemForm(false, item);
    ASSERT_EQ(desktop.Urls.size(), 2);
    EXPECT_EQ(desktop.Urls[0].toString(), "https://example.org/login");
    EXPECT_EQ(desktop.Urls[1].toString(), "mailto:ann@example.org");
}

TEST_F(ItemFormTest, PinMakesTheMainWindowTransparentAndTheNextEditorOpensPinned)
{
    bool pinnedMain = false;
    double opacityWhilePinned = 1;
    bool editorOnTop = false;
    WhenModalShown([&](QWidget* form) {
        EXPECT_FALSE(form->findChild<QAction*>("StayOnTopAction")->isChecked());
        MakeActive(form);
        QTest::keyClick(form, Qt::Key_F6);
        pinnedMain = FMainForm.FStayOnTop;
        opacityWhilePinned = FMainForm.windowOpacity();
        editorOnTop = form->windowFlags().testFlag(Qt::WindowStaysOnTopHint);
        EXPECT_TRUE(form->isVisible());
        Click(form, "CancelButton");
    });
    TZmbNetItem item;
    ShowNetItemForm(true, item);
    EXPECT_TRUE(pinnedMain);
    EXPECT_EQ(opacityWhilePinned, 0.0);
    EXPECT_TRUE(editorOnTop);
    // Closed: the main window shows again and stays on top.
    EXPECT_EQ(FMainForm.windowOpacity(), 1.0);
    EXPECT_TRUE(FMainForm.FStayOnTop);
    EXPECT_TRUE(FMainForm.windowFlags().testFlag(Qt::WindowStaysOnTopHint));

    bool startedPinned = false;
    WhenModalShown([&](QWidget* form) {
        startedPinned = form->findChild<QAction*>("StayOnTopAction")->isChecked();
        Child<QToolButton>(form, "PinButton")->click();
        Click(form, "CancelButton");
    });
    TZmbBankItem bank;
    ShowBankItemForm(true, bank);
    EXPECT_TRUE(startedPinned);
    EXPECT_FALSE(FMainForm.FStayOnTop);
    EXPECT_EQ(FMainForm.windowOpacity(), 1.0);
}

TEST_F(ItemFormTest, F7CyclesThroughTheCornersOfTheScreen)
{
    std::vector<QPoint> places;
    QRect work;
    QRect screenRect;
    QSize size;
    WhenModalShown([&](QWidget* form) {
        work = form->screen()->availableGeometry();
        screenRect = form->screen()->geometry();
        size = form->frameGeometry().size();
        form->move(work.center() - QPoint(size.width() / 2, size.height() / 2));
        MakeActive(form);
        for (int i = 0; i < 5; ++i) {
            QTest::keyClick(form, Qt::Key_F7);
            places.push_back(form->frameGeometry().topLeft());
        }
        Click(form, "CancelButton");
    });
    TZmbNetItem item;
    ShowNetItemForm(true, item);
    const int right = work.left() + work.width() - size.width();
    const int bottom = work.top() + work.height() - size.height();
    EXPECT_EQ(places, (std::vector<QPoint>{{screenRect.left(), bottom},
                                           {right, bottom},
                                           {screenRect.left(), screenRect.top()},
                                           {right, screenRect.top()},
                                           {screenRect.left(), bottom}}));
}

TEST_F(ItemFormTest, CopyButtonsSitOnTheMiddleOfTheirEdits)
{
    WhenModalShown([&](QWidget* form) {
        for (const auto& [button, edit] : {std::pair{"CopyUserNameButton", "UserNameEdit"},
                                           std::pair{"GenPwdButton", "PasswordEdit"},
                                           std::pair{"GotoEmailButton", "EmailEdit"}}) {
            QWidget* b = Child<QWidget>(form, button);
            QWidget* e = Child<QWidget>(form, edit);
            const int bMiddle = b->mapTo(form, b->rect().center()).y();
            const int eMiddle = e->mapTo(form, e->rect().center()).y();
            EXPECT_LE(std::abs(bMiddle - eMiddle), 1) << button;
        }
        Click(form, "CancelButton");
    });
    TZmbNetItem item;
    ShowNetItemForm(true, item);
}

TEST_F(ItemFormTest, StrengthBarFollowsThePasswordAsItIsTyped)
{
    struct {
        QString Password;
        QString Word;
    } const cases[] = {
        {"", ""},
        {"password", "很弱"},
        {"k8Fqz2", "弱"},
        {"Tr0ub4dor&3", "一般"},
        {"correct horse battery staple", "强"},
        {"xK9#mQ2$vL7@pR4!", "很强"},
    };
    QStringList words;
    QStringList tips;
    WhenModalShown([&](QWidget* form) {
        auto* bar = Child<TPwdStrengthBar>(form, "PwdStrengthBar");
        for (const auto& c : cases) {
            Type(form, "PasswordEdit", c.Password);
            words << Child<QLabel>(bar, "StrengthWordLabel")->text();
            tips << bar->toolTip();
        }
        Click(form, "CancelButton");
    });
    TZmbBankItem item;
    ShowBankItemForm(true, item);
    ASSERT_EQ(words.size(), 6);
    for (std::size_t i = 0; i < std::size(cases); ++i)
        EXPECT_EQ(words[static_cast<int>(i)], cases[i].Word) << cases[i].Password.toStdString();
    EXPECT_EQ(tips[0], "");
    EXPECT_TRUE(QRegularExpression("^估计熵：[0-9]+\\.[0-9] 位$").match(tips[5]).hasMatch()) << tips[5].toStdString();
}

} // namespace
