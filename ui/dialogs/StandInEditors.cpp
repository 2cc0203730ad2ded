// Plain editors standing in for the entry editors and the options dialog until those are built:
// one form of edits per kind, the add and modify modes and the options' OK. The real dialogs
// replace this file as a whole.
#include "app/AppObjects.h"
#include "app/BaseFrm.h"
#include "services/AppOptMgr.h"
#include "ui/dialogs/AttachList.h"
#include "ui/dialogs/BankItemFrm.h"
#include "ui/dialogs/CommItemFrm.h"
#include "ui/dialogs/DialogParts.h"
#include "ui/dialogs/NetItemFrm.h"
#include "ui/dialogs/OptionsFrm.h"
#include "ui/main/MainFrm.h"

#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <functional>
#include <utility>
#include <vector>

namespace {

// A record's texts: the edit's object name, its label and the field.
struct TStandInField {
    const char* Name;
    const char* Label;
    std::string* Value;
};

class TStandInItemForm : public TBaseForm {
public:
    // OnAdd stores the texts in add mode; true clears the form for the next entry.
    TStandInItemForm(bool NewMode, std::vector<TStandInField> Fields, std::string* Comments,
                     std::function<bool()> OnAdd)
        : TBaseForm(DialogOwner()), FFields(std::move(Fields)), FComments(Comments), FOnAdd(std::move(OnAdd)),
          FNewMode(NewMode)
    {
        setObjectName(QStringLiteral("StandInItemForm"));
        setWindowTitle(NewMode ? QStringLiteral("添加条目") : QStringLiteral("修改条目"));
        auto* form = new QFormLayout;
        for (const TStandInField& field : FFields) {
            auto* edit = new QLineEdit(this);
            edit->setObjectName(QString::fromLatin1(field.Name));
            form->addRow(QString::fromUtf8(field.Label), edit);
            FEdits.push_back(edit);
        }
        FMemo = new QPlainTextEdit(this);
        FMemo->setObjectName(QStringLiteral("CommentsMemo"));
        form->addRow(QStringLiteral("备注信息:"), FMemo);
        QPushButton* ok = nullptr;
        QPushButton* cancel = nullptr;
        QHBoxLayout* buttons = NewOkCancelRow(this, ok, cancel);
        if (NewMode) {
            ok->setText(QStringLiteral("添加(&A)"));
            cancel->setText(QStringLiteral("关闭"));
        }
        connect(ok, &QPushButton::clicked, this, [this] { OkButtonClick(); });
        auto* layout = new QVBoxLayout(this);
        layout->addLayout(form);
        layout->addLayout(buttons);
        if (!NewMode)
            SetData();
    }

    // The texts of the edits into the record.
    void GetData()
    {
        for (std::size_t i = 0; i < FFields.size(); ++i)
            *FFields[i].Value = FEdits[i]->text().toStdString();
        *FComments = FMemo->toPlainText().toStdString();
    }

private:
    void SetData()
    {
        for (std::size_t i = 0; i < FFields.size(); ++i)
            FEdits[i]->setText(QString::fromStdString(*FFields[i].Value));
        FMemo->setPlainText(QString::fromStdString(*FComments));
    }

    void OkButtonClick()
    {
        if (!FNewMode) {
            accept();
            return;
        }
        GetData();
        if (FOnAdd && FOnAdd()) {
            for (QLineEdit* edit : FEdits)
                edit->clear();
            FMemo->clear();
        }
    }

    std::vector<TStandInField> FFields;
    std::string* FComments;
    std::function<bool()> FOnAdd;
    bool FNewMode;
    std::vector<QLineEdit*> FEdits;
    QPlainTextEdit* FMemo = nullptr;
};

// Runs the form; GetData always, as the real editors do.
bool RunStandIn(TStandInItemForm& Form)
{
    const bool ok = Form.exec() == QDialog::Accepted;
    Form.GetData();
    return ok;
}

} // namespace

bool ShowNetItemForm(bool NewMode, TZmbNetItem& Item)
{
    std::string password = Item.Password;
    TStandInItemForm form(NewMode,
                          {{"CaptionEdit", "标题:", &Item.Caption},
                           {"UserNameEdit", "用户:", &Item.UserName},
                           {"PasswordEdit", "密码:", &password},
                           {"HyperlinkEdit", "链接:", &Item.Hyperlink},
                           {"EmailEdit", "邮件:", &Item.Email}},
                          &Item.Comments, [&] {
                              TZmbNetItem added = Item;
                              added.Password = password;
                              return MainForm() != nullptr && MainForm()->AddNetItem(added);
                          });
    const bool ok = RunStandIn(form);
    Item.Password = password;
    return ok;
}

bool ShowBankItemForm(bool NewMode, TZmbBankItem& Item)
{
    std::string password = Item.Password;
    TStandInItemForm form(NewMode,
                          {{"BankNameEdit", "开户行:", &Item.BankName},
                           {"AccTypeEdit", "类别:", &Item.AccType},
                           {"UserNameEdit", "户名:", &Item.UserName},
                           {"AccountEdit", "账号/卡号:", &Item.Account},
                           {"PasswordEdit", "取款密码:", &password}},
                          &Item.Comments, [&] {
                              TZmbBankItem added = Item;
                              added.Password = password;
                              return MainForm() != nullptr && MainForm()->AddBankItem(added);
                          });
    const bool ok = RunStandIn(form);
    Item.Password = password;
    return ok;
}

bool ShowCommItemForm(bool NewMode, TZmbCommItem& Item, TAttachList& AttachList)
{
    TStandInItemForm form(NewMode, {{"CaptionEdit", "标题:", &Item.Caption}}, &Item.Comments, [&] {
        TZmbCommItem added = Item;
        if (MainForm() == nullptr || !MainForm()->AddCommItem(added, AttachList))
            return false;
        AttachList.Clear();
        return true;
    });
    return RunStandIn(form);
}

bool ShowOptionsForm()
{
    TBaseForm form(DialogOwner());
    form.setObjectName(QStringLiteral("StandInOptionsForm"));
    form.setWindowTitle(QStringLiteral("选项"));
    QPushButton* ok = nullptr;
    QPushButton* cancel = nullptr;
    QHBoxLayout* buttons = NewOkCancelRow(&form, ok, cancel);
    QObject::connect(ok, &QPushButton::clicked, &form, &QDialog::accept);
    auto* layout = new QVBoxLayout(&form);
    layout->addWidget(new QLabel(QStringLiteral("选项"), &form));
    layout->addLayout(buttons);
    if (form.exec() != QDialog::Accepted)
        return false;
    AppOptionsMgr().Save();
    if (MainForm() != nullptr)
        MainForm()->ApplyOptions();
    return true;
}
