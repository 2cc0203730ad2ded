// Builds the box the command-line benchmark times: 10,000 web entries in 20 folders of 500 below
// "<网上信息>", written through the data layer in one update bracket. Every 100th entry carries
// the word "needle" in its comments, so a search for it hits 1% of the entries.
//
//   cli_bench_box FILE PASSWORD
#include "boxdata/DbFileMgr.h"

#include <cstdio>
#include <string>

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: cli_bench_box FILE PASSWORD\n");
        return 2;
    }
    const std::string file = argv[1];
    const std::string password = argv[2];
    constexpr int kFolders = 20;
    constexpr int kPerFolder = 500;
    try {
        if (!DbFileMgr.CreateDatabase(file, password, true, false, "", "")) {
            std::fprintf(stderr, "cannot create %s\n", file.c_str());
            return 1;
        }
        DbFileMgr.OpenDatabase(file, password);
        DbFileMgr.BeginUpdate();
        int n = 0;
        for (int f = 0; f < kFolders; ++f) {
            char name[32];
            std::snprintf(name, sizeof name, "folder-%02d", f + 1);
            TZembraFolder folder;
            folder.ParentID = ztNetItem;
            folder.Name = name;
            folder.SortCode = 100 + 10 * f;
            int32_t folderId = 0;
            DbFileMgr.AddFolder(folder, folderId);
            for (int i = 0; i < kPerFolder; ++i, ++n) {
                TZmbNetItem item;
                item.FolderID = folderId;
                item.Caption = "站点 " + std::to_string(n);
                item.UserName = "user" + std::to_string(n);
                item.Password = "Pw-" + std::to_string(n * 7919 % 100000);
                item.Hyperlink = "https://site" + std::to_string(n) + ".example.com/login";
                item.Email = "user" + std::to_string(n) + "@example.com";
                item.Comments = "账号备注 " + std::to_string(n) + "：注册于 2019 年，绑定手机尾号 " +
                                std::to_string(1000 + n % 9000) + (n % 100 == 0 ? "，needle" : "") + "。";
                item.SortCode = 10 * (i + 1);
                int32_t id = 0;
                DbFileMgr.AddNetItem(item, id);
            }
        }
        DbFileMgr.EndUpdate();
        DbFileMgr.CloseDatabase();
        std::printf("%d web entries in %d folders\n", n, kFolders);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s: %s\n", file.c_str(), e.what());
        return 1;
    }
    return 0;
}
