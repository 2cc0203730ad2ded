// The entry editors, empty and filled, and every page of the options dialog, for the screenshot
// program.
#include "gui/ScreenshotShoot.h"
#include "ui/dialogs/AttachList.h"
#include "ui/dialogs/BankItemFrm.h"
#include "ui/dialogs/CommItemFrm.h"
#include "ui/dialogs/NetItemFrm.h"
#include "ui/dialogs/OptionsFrm.h"

#include <QListWidget>
#include <QTabWidget>

namespace {

TAttachData Attachment(int32_t ID, const char* Name, std::size_t Size)
{
    TAttachData a;
    a.ID = ID;
    a.Name = Name;
    a.Size = static_cast<int32_t>(Size);
    a.Bin = TSecretString(std::string(Size, 'x'));
    return a;
}

void ShootItemForms()
{
    {
        TNetItemForm form;
        form.SetData(true, TZmbNetItem());
        Shoot(&form, "NetItemForm-empty");
    }
    {
        TZmbNetItem item;
        item.Caption = "网易邮箱";
        item.UserName = "zhang.san@163.com";
        item.Password = TSecretString("Tr0ub4dor&3");
        item.Hyperlink = "https://mail.163.com/";
        item.Email = "zhang.san@163.com";
        item.Comments = "密码每三个月更换一次。\n安全问题：我的小学名称。";
        TNetItemForm form;
        form.SetData(false, item);
        Shoot(&form, "NetItemForm-filled");
    }
    {
        TBankItemForm form;
        form.SetData(true, TZmbBankItem());
        Shoot(&form, "BankItemForm-empty");
    }
    {
        TZmbBankItem item;
        item.BankName = "中国工商银行北京分行";
        item.AccType = "借记卡";
        item.UserName = "张三";
        item.Account = "6222 0200 1234 5678 901";
        item.Password = TSecretString("802461");
        item.Comments = "工资卡，网银已开通。";
        TBankItemForm form;
        form.SetData(false, item);
        Shoot(&form, "BankItemForm-filled");
    }
}

void ShootCommItemForms()
{
    {
        TAttachList list;
        TCommItemForm form;
        form.SetData(true, TZmbCommItem(), list);
        Shoot(&form, "CommItemForm-empty");
    }
    {
        TAttachList list;
        list.Add(Attachment(1, "房屋租赁合同.pdf", 120000));
        list.Add(Attachment(2, "身份证扫描件正反面.jpg", 80000));
        list.Add(Attachment(3, "notes.txt", 12));
        list.Add(Attachment(4, "备份密钥", 32));
        TZmbCommItem item;
        item.ID = 9;
        item.Caption = "租房合同";
        item.Comments = "2024 年 3 月签订，租期两年。\n房东：李四，电话 138 0000 0000。";
        TCommItemForm form;
        form.SetData(false, item, list);
        Shoot(&form, "CommItemForm-filled", [](QWidget* f) {
            static_cast<TCommItemForm*>(f)->AttachListView->setCurrentRow(1);
        });
    }
}

void ShootOptionsForm()
{
    static const char* const pages[] = {"general", "backup", "security", "genpwd", "other"};
    for (int i = 0; i < 5; ++i) {
        TOptionsForm form;
        Shoot(&form, QStringLiteral("OptionsForm-%1").arg(pages[i]), [i](QWidget* f) {
            static_cast<TOptionsForm*>(f)->PageControl->setCurrentIndex(i);
        });
    }
}

} // namespace

void ShootEditors()
{
    ShootItemForms();
    ShootCommItemForms();
    ShootOptionsForm();
}
