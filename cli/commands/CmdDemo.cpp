// demo [DIR]
#include "cli/BoxSession.h"
#include "cli/CliError.h"
#include "cli/CommandTable.h"
#include "cli/FolderTree.h"
#include "cli/Listings.h"
#include "dataproc/FilePaths.h"
#include "dataproc/UpdateBracket.h"

#include <cerrno>
#include <cstring>
#include <iostream>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct TDemoOptions {
    std::string Dir;
};

constexpr const char* kDemoPassword = "demo";
constexpr const char* kDemoFile = "demo.zmb";

int32_t AddNet(TDbFileMgr& Box, int32_t Folder, const char* Caption, const char* User, const char* Password,
               const char* Link, const char* Email, const char* Comments)
{
    TZmbNetItem item;
    item.FolderID = Folder;
    item.Caption = Caption;
    item.UserName = User;
    item.Password = Password;
    item.Hyperlink = Link;
    item.Email = Email;
    item.Comments = Comments;
    item.SortCode = Box.GetNetMaxSortCode(Folder) + 10;
    int32_t id = 0;
    Box.AddNetItem(item, id);
    return id;
}

int32_t AddBank(TDbFileMgr& Box, int32_t Folder, const char* Bank, const char* Type, const char* Holder,
                const char* Account, const char* Password, const char* Comments)
{
    TZmbBankItem item;
    item.FolderID = Folder;
    item.BankName = Bank;
    item.AccType = Type;
    item.UserName = Holder;
    item.Account = Account;
    item.Password = Password;
    item.Comments = Comments;
    item.SortCode = Box.GetBankMaxSortCode(Folder) + 10;
    int32_t id = 0;
    Box.AddBankItem(item, id);
    return id;
}

int32_t AddNote(TDbFileMgr& Box, int32_t Folder, const char* Caption, const char* Body)
{
    TZmbCommItem item;
    item.FolderID = Folder;
    item.Caption = Caption;
    item.Comments = Body;
    item.SortCode = Box.GetCommMaxSortCode(Folder) + 10;
    int32_t id = 0;
    Box.AddCommItem(item, id);
    return id;
}

std::string MakeDemoFolder(const std::string& Dir)
{
    if (!Dir.empty()) {
        if (::mkdir(Dir.c_str(), 0700) != 0 && errno != EEXIST)
            RaiseFileError(ecFileFault, Dir, std::string("cannot create the folder: ") + std::strerror(errno));
        return Dir;
    }
    std::string pattern = TempFolder() + "/zembrix-demo-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr)
        RaiseFileError(ecFileFault, pattern, std::string("cannot create the folder: ") + std::strerror(errno));
    return pattern;
}

// A box with a few entries of each kind (and an attachment), then its tree, a listing and a
// search, as a first look at what a box holds.
int RunDemo(const TDemoOptions& O)
{
    const std::string dir = MakeDemoFolder(O.Dir);
    const std::string file = dir + "/" + kDemoFile;
    if (::access(file.c_str(), F_OK) == 0)
        RaiseFileError(ecUsage, file, "the file exists; give another folder");
    if (!DbFileMgr.CreateDatabase(file, kDemoPassword, true, true, "演示密码是什么？", "demo"))
        RaiseFileError(ecFileFault, file, "cannot create the box");

    TOpenFileMarker marker;
    marker.Announce(file);
    TDbFileMgr& box = DbFileMgr;
    box.OpenDatabase(file, kDemoPassword);
    int32_t searchFolder = 0;
    {
        const TFolderTree tree(box);
        const int32_t mail = tree.Resolve("<网上信息>/电子邮件", file);
        const int32_t forum = tree.Resolve("<网上信息>/论坛账号", file);
        const int32_t cmb = tree.Resolve("<银行账号>/招商银行", file);
        const int32_t boc = tree.Resolve("<银行账号>/中国银行", file);
        const int32_t notes = tree.Resolve("<通用数据>/重要纪事", file);
        searchFolder = mail;
        {
            TUpdateBracket bracket(box);
            AddNet(box, mail, "工作邮箱", "zhang.wei", "Xq7mP2ra", "https://mail.example.com", "zhang.wei@example.com",
                   "公司邮箱，每 90 天换一次密码。");
            AddNet(box, mail, "Personal mail", "zw1988", "k9Lt3vQe", "https://webmail.example.org", "zw1988@example.org",
                   "Recovery phone ends in 4721.");
            AddNet(box, forum, "摄影论坛", "光影之间", "Pa55word", "https://forum.example.net", "", "");
            AddBank(box, cmb, "招商银行", "一卡通", "张伟", "6225 8812 3456 7890", "246810", "网银登录同一密码。");
            AddBank(box, boc, "中国银行", "信用卡", "张伟", "4563 5100 2233 4455", "135790", "账单日每月 5 日。");
            const int32_t note = AddNote(box, notes, "家里的 Wi-Fi", "网络名：zhang-home\n密码：sunflower-2024\n路由器在书房。");
            AddNote(box, notes, "护照信息", "护照号 E12345678，2031 年到期。");
            TAttachData file;
            file.OwnerID = note;
            file.Name = "路由器设置.txt";
            file.Bin = std::string("管理地址 192.168.1.1\n管理员密码 router-admin\n");
            file.Size = static_cast<int32_t>(file.Bin.size());
            int32_t attachId = 0;
            box.AddAttachment(file, attachId);
        }
    }

    const TFolderTree tree(box);
    std::cout << "A demo password box: " << file << "\nIts password is \"" << kDemoPassword
              << "\"; its recovery answer is \"demo\" too.\n\n$ zembrix-cli tree " << file << '\n';
    PrintFolderTree(std::cout, box, tree, false);
    std::cout << "\n$ zembrix-cli ls " << file << " \"<网上信息>/电子邮件\"\n";
    PrintEntryList(std::cout, box, tree, searchFolder, false, false);
    TSearchResultItems results;
    box.Search("密码", results);
    std::cout << "\n$ zembrix-cli search " << file << " 密码\n";
    PrintSearchResults(std::cout, box, tree, results, false);
    box.CloseDatabase();
    std::cout << "\nOpen it for a session of commands with:  zembrix-cli open " << file
              << "\nor try:  echo demo | zembrix-cli show " << file << " web:1 --show-passwords\n";
    return ecSuccess;
}

} // namespace

void AddDemoCommand(CLI::App& App, TCommandTable& Table)
{
    auto o = std::make_shared<TDemoOptions>();
    CLI::App* c = App.add_subcommand("demo", "Create a demo box with a few entries and show what it holds");
    c->add_option("DIR", o->Dir, "Folder for demo.zmb (default: a new temporary folder)");
    Table.Add(c, [o] { return RunDemo(*o); }, &o->Dir);
}
