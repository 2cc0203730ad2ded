// zembrix-cli end to end: every command through the built binary, on boxes in a temporary
// folder, with the login password piped in (and once typed on a terminal).
#include "CliFolderTest.h"
#include "CliRunner.h"

#include "dataproc/Hash.h"
#include "services/OpenFileLock.h"
#include "storage/Nork.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <random>
#include <sstream>
#include <sys/stat.h>

namespace fs = std::filesystem;
using nlohmann::json;

namespace {

const std::string kPwd = "s3cret-口令";

class CliTest : public TCliFolderTest {
protected:
    // A new encrypted box with the test password.
    std::string NewBox(const std::string& Name = "box.zmb")
    {
        const std::string file = Path(Name);
        const TCliResult r = RunCli({"create", file}, kPwd + "\n");
        EXPECT_EQ(r.Code, 0) << r.Err;
        return file;
    }

    // Runs a command that opens a box with the test password and must succeed.
    std::string Ok(const std::vector<std::string>& Args, const std::string& Input = kPwd + "\n")
    {
        const TCliResult r = RunCli(Args, Input);
        EXPECT_EQ(r.Code, 0) << "zembrix-cli " << Args[0] << ": " << r.Err;
        return r.Out;
    }
    json Json(std::vector<std::string> Args)
    {
        Args.push_back("--json");
        const std::string out = Ok(Args);
        return json::parse(out, nullptr, false);
    }
    // The id of "web:12".
    static int IdOf(const std::string& Ref) { return std::stoi(Ref.substr(Ref.find(':') + 1)); }
    static std::string Trim(std::string S)
    {
        while (!S.empty() && (S.back() == '\n' || S.back() == '\r'))
            S.pop_back();
        return S;
    }

};

TEST_F(CliTest, CreateMakesAnEncryptedBoxWithTheDefaultFolders)
{
    const std::string box = NewBox();
    const json info = Json({"info", box});
    EXPECT_EQ(info["encrypted"], true);
    EXPECT_EQ(info["recovery_question"], false);
    EXPECT_EQ(info["folders"]["categories"], 3);
    EXPECT_EQ(info["folders"]["user"], 14);
    EXPECT_EQ(info["entries"], (json{{"web", 0}, {"bank", 0}, {"note", 0}}));

    const json tree = Json({"tree", box});
    ASSERT_EQ(tree.size(), 3u);
    EXPECT_EQ(tree[0]["name"], "<网上信息>");
    EXPECT_EQ(tree[1]["name"], "<银行账号>");
    EXPECT_EQ(tree[2]["name"], "<通用数据>");
    std::vector<std::string> web;
    for (const json& f : tree[0]["folders"])
        web.push_back(f["name"]);
    EXPECT_EQ(web, (std::vector<std::string>{"电子邮件", "ＱＱ号码", "论坛账号", "游戏账号", "其它密码"}));
    EXPECT_EQ(tree[1]["folders"].size(), 6u);
    EXPECT_EQ(tree[2]["folders"][0]["id"], 15);

    const std::string text = Ok({"tree", box});
    EXPECT_NE(text.find("├─ 电子邮件  [4] 0 entries"), std::string::npos) << text;
    EXPECT_NE(text.find("└─ 经济往来  [17] 0 entries"), std::string::npos) << text;
}

TEST_F(CliTest, CreateRefusesAnExistingFileUnlessForcedAndKeepsTheOldBoxUntilTheNewOneIsMade)
{
    const std::string box = NewBox();
    TCliResult r = RunCli({"create", box}, "other\n");
    EXPECT_EQ(r.Code, 2);
    EXPECT_NE(r.Err.find("exists"), std::string::npos);
    Ok({"info", box}); // still the old password

    r = RunCli({"create", box, "--force"}, "other\n");
    EXPECT_EQ(r.Code, 0) << r.Err;
    EXPECT_EQ(RunCli({"info", box}, kPwd + "\n").Code, 1);
    Ok({"info", box}, "other\n");
    // No temporary file is left beside the box.
    std::vector<std::string> files;
    for (const auto& e : fs::directory_iterator(FDir))
        if (!e.is_directory())
            files.push_back(e.path().filename().string());
    EXPECT_EQ(files, std::vector<std::string>{"box.zmb"});

    // An unencrypted box asks no password and opens with any.
    const std::string plain = Path("plain.zmb");
    r = RunCli({"create", plain, "--no-encrypt"});
    ASSERT_EQ(r.Code, 0) << r.Err;
    EXPECT_EQ(Json({"info", plain})["encrypted"], false);
    Ok({"info", plain}, "anything\n");
    EXPECT_EQ(RunCli({"create", Path("q.zmb"), "--no-encrypt", "--question", "Q", "--answer", "A"}).Code, 2);
}

TEST_F(CliTest, EntriesOfEveryKindWithChineseTextAndAttachmentsRoundTrip)
{
    const std::string box = NewBox();
    const std::string mail = "<网上信息>/电子邮件";
    const std::string web1 = Trim(Ok({"add", "web", box, "--folder", mail, "--title", "工作邮箱", "--user", "张伟",
                                      "--password", "pá55中文", "--link", "https://mail.example.com", "--email",
                                      "zw@example.com", "--comments", "第一行\n第二行"}));
    const std::string web2 = Trim(Ok({"add", "web", box, "--folder", "4", "--title", "Second", "--generate"}));
    EXPECT_EQ(web1, "web:1");
    EXPECT_EQ(web2, "web:2");
    const std::string bank = Trim(Ok({"add", "bank", box, "--folder", "<银行账号>/招商银行", "--bank", "招商银行",
                                      "--account", "6225 8812 3456 7890", "--type", "一卡通", "--holder", "张伟",
                                      "--password", "246810", "--comments", "网银"}));
    EXPECT_EQ(bank, "bank:1");

    const std::string body = "家里的 Wi-Fi\n密码：sunflower\r\n\t缩进一行\n";
    WriteFile(Path("body.txt"), body);
    std::string binary;
    for (int i = 0; i < 70000; ++i)
        binary.push_back(static_cast<char>((i * 7919) % 256)); // zero bytes included
    WriteFile(Path("data.bin"), binary);
    WriteFile(Path("路由器设置.txt"), "管理地址 192.168.1.1\n");
    WriteFile(Path("empty"), "");
    const std::string note = Trim(Ok({"add", "note", box, "--folder", "<通用数据>/重要纪事", "--title", "家里",
                                      "--body-file", Path("body.txt"), "--attach", Path("data.bin"), "--attach",
                                      Path("路由器设置.txt"), "--attach", Path("empty")}));
    EXPECT_EQ(note, "note:1");

    // The list: default order, sort codes in steps of 10, passwords masked character by character.
    json ls = Json({"ls", box, mail});
    EXPECT_EQ(ls["folder"]["path"], mail);
    ASSERT_EQ(ls["entries"].size(), 2u);
    EXPECT_EQ(ls["entries"][0]["title"], "工作邮箱");
    EXPECT_EQ(ls["entries"][0]["sort"], 10);
    EXPECT_EQ(ls["entries"][1]["sort"], 20);
    EXPECT_EQ(ls["entries"][0]["password"], "******"); // six characters, eight bytes
    const std::string generated = ls["entries"][1]["password"];
    EXPECT_GE(generated.size(), 5u);
    EXPECT_LE(generated.size(), 8u);
    ls = Json({"ls", box, mail, "--show-passwords"});
    EXPECT_EQ(ls["entries"][0]["password"], "pá55中文");
    const std::string text = Ok({"ls", box, mail});
    EXPECT_NE(text.find("工作邮箱"), std::string::npos);
    EXPECT_EQ(text.find("pá55中文"), std::string::npos);

    const json w = Json({"show", box, "web:1", "--show-password"});
    EXPECT_EQ(w["user"], "张伟");
    EXPECT_EQ(w["password"], "pá55中文");
    EXPECT_EQ(w["link"], "https://mail.example.com");
    EXPECT_EQ(w["email"], "zw@example.com");
    EXPECT_EQ(w["comments"], "第一行\n第二行");
    EXPECT_EQ(w["folder"]["id"], 4);
    const json b = Json({"show", box, "bank:1"});
    EXPECT_EQ(b["bank"], "招商银行");
    EXPECT_EQ(b["account"], "6225 8812 3456 7890");
    EXPECT_EQ(b["type"], "一卡通");
    EXPECT_EQ(b["holder"], "张伟");
    EXPECT_EQ(b["password"], "******");
    const json n = Json({"show", box, "note:1"});
    EXPECT_EQ(n["title"], "家里");
    EXPECT_EQ(n["body"], body);
    ASSERT_EQ(n["attachments"].size(), 3u);
    EXPECT_EQ(n["attachments"][0]["name"], "data.bin");
    EXPECT_EQ(n["attachments"][0]["size"], 70000);
    EXPECT_EQ(n["attachments"][1]["name"], "路由器设置.txt");
    EXPECT_EQ(n["attachments"][2]["size"], 0);
    EXPECT_EQ(Json({"attach", "ls", box, "note:1"}), n["attachments"]);

    // Attachments come back byte for byte, to a new private file or to standard output.
    const std::string id0 = std::to_string(n["attachments"][0]["id"].get<int>());
    Ok({"attach", "get", box, id0, "-o", Path("out.bin")});
    EXPECT_EQ(ReadFile(Path("out.bin")), binary);
    EXPECT_EQ(fs::status(Path("out.bin")).permissions() & fs::perms::all, fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(RunCli({"attach", "get", box, id0, "-o", Path("out.bin")}, kPwd + "\n").Code, 2); // exists
    EXPECT_EQ(Ok({"attach", "get", box, std::to_string(n["attachments"][1]["id"].get<int>())}),
              "管理地址 192.168.1.1\n");
    EXPECT_EQ(Ok({"attach", "get", box, std::to_string(n["attachments"][2]["id"].get<int>())}), "");

    // attach add and rm; a note's attachments go with it.
    const std::string added = Trim(Ok({"attach", "add", box, "note:1", Path("body.txt"), "--name", "正文.txt"}));
    EXPECT_EQ(Json({"attach", "ls", box, "note:1"}).back()["name"], "正文.txt");
    Ok({"attach", "rm", box, added});
    EXPECT_EQ(Json({"attach", "ls", box, "note:1"}).size(), 3u);
    EXPECT_EQ(RunCli({"attach", "rm", box, added}, kPwd + "\n").Code, 1);
    Ok({"rm", box, "note:1"});
    EXPECT_EQ(RunCli({"attach", "get", box, id0, "-o", Path("gone.bin")}, kPwd + "\n").Code, 1);
    EXPECT_FALSE(fs::exists(Path("gone.bin")));
}

TEST_F(CliTest, SearchFindsTextsOfAllKindsInOrderButNeverPasswords)
{
    const std::string box = NewBox();
    Ok({"add", "note", box, "--folder", "<通用数据>", "--title", "n", "--body", "xAbCx"});
    Ok({"add", "bank", box, "--folder", "<银行账号>/中国银行", "--bank", "中国银行", "--account", "1", "--comments",
        "abc 在这里"});
    Ok({"add", "web", box, "--folder", "<网上信息>/论坛账号", "--title", "论坛", "--email", "ABC@example.com"});
    Ok({"add", "web", box, "--folder", "<网上信息>/论坛账号", "--title", "hidden", "--password", "abc"});

    const json found = Json({"search", box, "abc"});
    ASSERT_EQ(found.size(), 3u);
    EXPECT_EQ(found[0]["ref"], "web:1");
    EXPECT_EQ(found[0]["folder"]["path"], "<网上信息>/论坛账号");
    EXPECT_EQ(found[0]["caption"], "论坛");
    EXPECT_EQ(found[1]["ref"], "bank:1");
    EXPECT_EQ(found[1]["caption"], "中国银行");
    EXPECT_EQ(found[2]["ref"], "note:1");
    EXPECT_EQ(found[2]["folder"]["path"], "<通用数据>");

    // Nothing found exits 1, as grep does, and says so.
    const TCliResult none = RunCli({"search", box, "nothing-like-it"}, kPwd + "\n");
    EXPECT_EQ(none.Code, 1);
    EXPECT_NE(none.Out.find("No entries found"), std::string::npos);
    EXPECT_EQ(RunCli({"search", box, "nothing-like-it", "--json"}, kPwd + "\n").Out, "[]\n");
    const std::string text = Ok({"search", box, "在这里"});
    EXPECT_NE(text.find("bank:1  <银行账号>/中国银行  中国银行"), std::string::npos) << text;
}

TEST_F(CliTest, EditChangesOnlyTheGivenFieldsAndRefusesOptionsOfAnotherKind)
{
    const std::string box = NewBox();
    Ok({"add", "web", box, "--folder", "4", "--title", "old", "--user", "u", "--password", "p1", "--comments", "c"});
    Ok({"edit", box, "web:1", "--title", "新标题", "--password", "p2"});
    json w = Json({"show", box, "web:1", "--show-password"});
    EXPECT_EQ(w["title"], "新标题");
    EXPECT_EQ(w["password"], "p2");
    EXPECT_EQ(w["user"], "u");
    EXPECT_EQ(w["comments"], "c");
    EXPECT_EQ(w["sort"], 10);

    // Refused before anything is written.
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"edit", box, "web:1", "--bank", "x"},
             {"edit", box, "web:1", "--body", "x"},
             {"edit", box, "web:1", "--title", ""},
             {"edit", box, "web:1"},
             {"edit", box, "web:1", "--password", "x", "--generate"},
             {"edit", box, "web:1", "-p", "--generate"},
             {"edit", box, "web:1", "--length", "31", "--generate"},
             {"edit", box, "web:1", "--kinds", "vowels", "--generate"}}) {
        const TCliResult r = RunCli(args, kPwd + "\n");
        EXPECT_EQ(r.Code, 2) << args.back() << ": " << r.Err;
    }
    EXPECT_EQ(Json({"show", box, "web:1", "--show-password"}), w);
    EXPECT_EQ(RunCli({"edit", box, "web:9", "--title", "x"}, kPwd + "\n").Code, 1);

    Ok({"add", "note", box, "--folder", "3", "--title", "n", "--body", "b"});
    WriteFile(Path("a.txt"), "A");
    Ok({"edit", box, "note:1", "--body", "新的正文", "--attach", Path("a.txt")});
    const json n = Json({"show", box, "note:1"});
    EXPECT_EQ(n["body"], "新的正文");
    EXPECT_EQ(n["title"], "n");
    EXPECT_EQ(n["attachments"].size(), 1u);
}

TEST_F(CliTest, TextTheBoxWouldCutOrCouldNotStoreIsRefused)
{
    const std::string box = NewBox();
    std::string fifteen, sixteen;
    for (int i = 0; i < 15; ++i)
        fifteen += "汉";
    sixteen = fifteen + "字";
    struct TCase {
        std::string Option, Value;
        int Code;
    } cases[] = {
        {"--title", std::string(30, 'a'), 0},
        {"--title", std::string(31, 'a'), 2},
        {"--title", fifteen, 0},
        {"--title", sixteen, 2}, // 32 bytes in the box
        {"--title", "smile 😀", 2},
        {"--user", std::string(31, 'u'), 2},
        {"--password", std::string(31, 'p'), 2},
        {"--link", std::string(80, 'l'), 0},
        {"--link", std::string(81, 'l'), 2},
        {"--email", std::string(51, 'e'), 2},
        {"--comments", std::string(5000, 'c') + "\n汉字", 0},
        {"--comments", "é and ⌘", 2},
    };
    int added = 0;
    for (const TCase& c : cases) {
        std::vector<std::string> args{"add", "web", box, "--folder", "4"};
        if (c.Option != "--title")
            args.insert(args.end(), {"--title", "t"});
        args.insert(args.end(), {c.Option, c.Value});
        const TCliResult r = RunCli(args, kPwd + "\n");
        EXPECT_EQ(r.Code, c.Code) << c.Option << " " << c.Value.size() << " bytes: " << r.Err;
        added += r.Code == 0;
        if (c.Option == "--password" && r.Code != 0) {
            EXPECT_EQ(r.Err.find(c.Value), std::string::npos); // a refused password is not echoed
        }
    }
    EXPECT_EQ(Json({"ls", box, "4"})["entries"].size(), static_cast<std::size_t>(added));
    EXPECT_EQ(Json({"show", box, "web:2"})["title"], fifteen);
    EXPECT_EQ(RunCli({"add", "bank", box, "--folder", "2", "--bank", std::string(51, 'b'), "--account", "1"},
                     kPwd + "\n").Code,
              2);
    EXPECT_EQ(RunCli({"mkdir", box, "3", std::string(31, 'f')}, kPwd + "\n").Code, 2);
}

TEST_F(CliTest, MoveKeepsTheGivenOrderAfterTheTargetsEntriesAndMovesNothingOnBadInput)
{
    const std::string box = NewBox();
    for (const char* t : {"a", "b", "c"})
        Ok({"add", "web", box, "--folder", "4", "--title", t});
    Ok({"add", "web", box, "--folder", "6", "--title", "already there"});
    Ok({"add", "bank", box, "--folder", "9", "--bank", "b", "--account", "1"});

    for (const auto& [args, code] : std::vector<std::pair<std::vector<std::string>, int>>{
             {{"mv", box, "web:1", "--to", "<银行账号>"}, 2},  // another category
             {{"mv", box, "web:1", "--to", "/"}, 2},            // the root
             {{"mv", box, "web:1", "bank:1", "--to", "6"}, 2}, // mixed kinds
             {{"mv", box, "web:1", "web:77", "--to", "6"}, 1}, // no such entry
             {{"mv", box, "web:1", "--to", "<网上信息>/没有"}, 1},
             {{"mv", box, "web:1", "--to", "999"}, 1}}) {
        const TCliResult r = RunCli(args, kPwd + "\n");
        EXPECT_EQ(r.Code, code) << args[2] << " --to " << args.back() << ": " << r.Err;
        EXPECT_EQ(Lines(r.Err).size(), 1u) << r.Err;
    }
    EXPECT_EQ(Json({"ls", box, "4"})["entries"].size(), 3u);

    Ok({"mv", box, "web:3", "web:1", "--to", "<网上信息>/论坛账号"});
    const json ls = Json({"ls", box, "6"});
    ASSERT_EQ(ls["entries"].size(), 3u);
    EXPECT_EQ(ls["entries"][0]["title"], "already there");
    EXPECT_EQ(ls["entries"][1]["title"], "c");
    EXPECT_EQ(ls["entries"][1]["sort"], 11);
    EXPECT_EQ(ls["entries"][2]["title"], "a");
    EXPECT_EQ(ls["entries"][2]["sort"], 12);
    EXPECT_EQ(Json({"ls", box, "4"})["entries"].size(), 1u);
    // A new entry still goes last: largest code + 10.
    Ok({"add", "web", box, "--folder", "6", "--title", "new"});
    EXPECT_EQ(Json({"ls", box, "6"})["entries"][3]["sort"], 22);
}

TEST_F(CliTest, RemoveDeletesNothingWhenAnyEntryIsMissing)
{
    const std::string box = NewBox();
    Ok({"add", "web", box, "--folder", "4", "--title", "keep"});
    Ok({"add", "bank", box, "--folder", "9", "--bank", "b", "--account", "1"});
    TCliResult r = RunCli({"rm", box, "web:1", "bank:1", "note:5"}, kPwd + "\n");
    EXPECT_EQ(r.Code, 1);
    EXPECT_NE(r.Err.find("note:5"), std::string::npos);
    Ok({"show", box, "web:1"});
    Ok({"show", box, "bank:1"});
    Ok({"rm", box, "web:1", "bank:1", "web:1"});
    EXPECT_EQ(RunCli({"show", box, "web:1"}, kPwd + "\n").Code, 1);
    EXPECT_EQ(RunCli({"show", box, "bank:1"}, kPwd + "\n").Code, 1);
}

TEST_F(CliTest, FoldersFollowTheMainWindowsRules)
{
    const std::string box = NewBox();
    // A new folder goes last among its siblings: the last code + 10.
    const std::string id = Trim(Ok({"mkdir", box, "<网上信息>", "银行网站"}));
    EXPECT_EQ(id, "18");
    json tree = Json({"tree", box});
    EXPECT_EQ(tree[0]["folders"].back()["name"], "银行网站");
    EXPECT_EQ(tree[0]["folders"].back()["sort"], 60);
    const std::string sub = Trim(Ok({"mkdir", box, "<网上信息>/银行网站", "子目录"}));
    Ok({"add", "web", box, "--folder", "<网上信息>/银行网站/子目录", "--title", "deep"});
    Ok({"rename", box, "18", "网银"});
    EXPECT_EQ(Json({"show", box, "web:1"})["folder"]["path"], "<网上信息>/网银/子目录");

    for (const auto& [args, code] : std::vector<std::pair<std::vector<std::string>, int>>{
             {{"mkdir", box, "/", "x"}, 2},            // at the root
             {{"mkdir", box, "4", ""}, 2},             // empty name
             {{"mkdir", box, "1", "电子邮件"}, 2},     // a sibling has the name
             {{"mkdir", box, "1", "a/b"}, 2},          // "/" separates names
             {{"rename", box, "<网上信息>", "x"}, 2},  // a category
             {{"rename", box, "/", "x"}, 2},           // the root
             {{"rename", box, "18", "电子邮件"}, 2},   // a sibling has the name
             {{"rename", box, "99", "x"}, 1},          // no such folder
             {{"rmdir", box, "2", "--yes"}, 2},        // a category
             {{"rmdir", box, "18"}, 2}}) {             // no --yes and no terminal to ask
        const TCliResult r = RunCli(args, kPwd + "\n");
        EXPECT_EQ(r.Code, code) << args[0] << " " << args[2] << ": " << r.Err;
    }
    EXPECT_EQ(Json({"tree", box}), Json({"tree", box}));
    tree = Json({"tree", box});
    EXPECT_EQ(tree[0]["folders"].size(), 6u);
    EXPECT_EQ(tree[1]["name"], "<银行账号>");

    const std::string out = Ok({"rmdir", box, "<网上信息>/网银", "--yes"});
    EXPECT_NE(out.find("1 sub-folders and 1 entries"), std::string::npos) << out;
    EXPECT_EQ(RunCli({"show", box, "web:1"}, kPwd + "\n").Code, 1);
    EXPECT_EQ(RunCli({"ls", box, sub}, kPwd + "\n").Code, 1);
    EXPECT_EQ(Json({"tree", box})[0]["folders"].size(), 5u);
}

TEST_F(CliTest, PasswdRecoverAndCompact)
{
    const std::string box = NewBox();
    // current, then new
    TCliResult r = RunCli({"passwd", box, "--question", "宠物的名字？", "--answer", "旺财"}, kPwd + "\nnew-新\n");
    ASSERT_EQ(r.Code, 0) << r.Err;
    EXPECT_EQ(RunCli({"info", box}, kPwd + "\n").Code, 1);
    EXPECT_EQ(json::parse(RunCli({"info", box, "--json"}, "new-新\n").Out)["recovery_question"], true);

    r = RunCli({"recover", box}, "旺财\n");
    EXPECT_EQ(r.Code, 0) << r.Err;
    EXPECT_EQ(r.Out, "new-新\n");
    EXPECT_NE(r.Err.find("宠物的名字？"), std::string::npos);
    r = RunCli({"recover", box}, "旺 财\n");
    EXPECT_EQ(r.Code, 1);
    EXPECT_EQ(r.Out, "");

    r = RunCli({"info", box}, "wrong\n");
    EXPECT_EQ(r.Code, 1);
    EXPECT_NE(r.Err.find("recover"), std::string::npos); // the hint, since a question is set

    EXPECT_EQ(RunCli({"passwd", box, "--no-question"}, "new-新\nthird\n").Code, 0);
    EXPECT_EQ(RunCli({"recover", box}, "旺财\n").Code, 1);
    EXPECT_EQ(RunCli({"passwd", box}, "third\n").Code, 2);       // no new password given
    EXPECT_EQ(RunCli({"passwd", box}, "third\n" + std::string(65, 'x') + "\n").Code, 2);
    EXPECT_EQ(RunCli({"passwd", box}, "wrong\nfourth\n").Code, 1);
    EXPECT_EQ(RunCli({"info", box}, "third\n").Code, 0);

    // Compaction drops the space of deleted data and keeps the rest.
    std::mt19937 random(7); // incompressible, so the attachment takes its full size in the box
    std::string big;
    for (int i = 0; i < 300000; ++i)
        big.push_back(static_cast<char>(random()));
    WriteFile(Path("big.bin"), big);
    ASSERT_EQ(RunCli({"add", "note", box, "--folder", "3", "--title", "big", "--attach", Path("big.bin")}, "third\n").Code, 0);
    ASSERT_EQ(RunCli({"add", "web", box, "--folder", "4", "--title", "stays"}, "third\n").Code, 0);
    ASSERT_EQ(RunCli({"rm", box, "note:1"}, "third\n").Code, 0);
    const auto before = fs::file_size(box);
    r = RunCli({"compact", box}, "third\n");
    ASSERT_EQ(r.Code, 0) << r.Err;
    EXPECT_NE(r.Out.find("Size before"), std::string::npos);
    EXPECT_LT(fs::file_size(box) + 250000, before);
    r = RunCli({"show", box, "web:1", "--json"}, "third\n");
    EXPECT_EQ(r.Code, 0);
    EXPECT_EQ(json::parse(r.Out)["title"], "stays");
    EXPECT_EQ(RunCli({"verify", box}, "third\n").Code, 0);
}

TEST_F(CliTest, VerifyReportsADamagedCopyAndPassesTheOriginal)
{
    const std::string box = NewBox();
    std::string content;
    for (int i = 0; i < 20000; ++i)
        content += "line " + std::to_string(i) + " of the attachment\n";
    WriteFile(Path("a.txt"), content);
    Ok({"add", "note", box, "--folder", "3", "--title", "n", "--attach", Path("a.txt")});
    for (int i = 0; i < 20; ++i)
        Ok({"add", "web", box, "--folder", "4", "--title", "entry " + std::to_string(i), "--comments", "text"});

    TCliResult r = RunCli({"verify", box}, kPwd + "\n");
    EXPECT_EQ(r.Code, 0) << r.Out << r.Err;
    EXPECT_NE(r.Out.find("sound"), std::string::npos);

    // Damage the copy's stored data after the file's fixed head.
    const std::string copy = Path("damaged.zmb");
    std::string bytes = ReadFile(box);
    ASSERT_GT(bytes.size(), 20000u);
    for (std::size_t i = bytes.size() / 2; i < bytes.size() / 2 + 64; ++i)
        bytes[i] = static_cast<char>(bytes[i] ^ 0x5A);
    WriteFile(copy, bytes);
    r = RunCli({"verify", copy}, kPwd + "\n");
    EXPECT_EQ(r.Code, 3) << r.Out << r.Err;
    EXPECT_FALSE(r.Out.empty());
    ASSERT_EQ(Lines(r.Err).size(), 1u) << r.Err;
    EXPECT_NE(r.Err.find(copy + ": the box is damaged"), std::string::npos) << r.Err;
    EXPECT_EQ(RunCli({"verify", box}, kPwd + "\n").Code, 0);

    // A repair saves what can be read into a new box in the copy's place, keeps the damaged file
    // beside it, and says what it left out.
    r = RunCli({"repair", copy}, kPwd + "\n");
    EXPECT_EQ(r.Code, 0) << r.Out << r.Err;
    EXPECT_NE(r.Out.find("Found: "), std::string::npos) << r.Out;
    EXPECT_NE(r.Out.find("Dropped: "), std::string::npos) << r.Out;
    EXPECT_NE(r.Out.find("The damaged box is kept as " + copy + ".damaged"), std::string::npos) << r.Out;
    EXPECT_NE(r.Out.find("The box is sound"), std::string::npos) << r.Out;
    EXPECT_TRUE(ReadFile(copy + ".damaged") == bytes);
    EXPECT_EQ(RunCli({"verify", copy}, kPwd + "\n").Code, 0);
    EXPECT_EQ(Json({"ls", copy, "4"})["entries"].size(), 20u);
    // The kept file is not replaced by a second repair unless asked.
    WriteFile(copy, bytes);
    r = RunCli({"repair", copy}, kPwd + "\n");
    EXPECT_EQ(r.Code, 3) << r.Out << r.Err;
    EXPECT_NE(r.Err.find("the repair failed, the box is unchanged"), std::string::npos) << r.Err;
    EXPECT_NE(r.Err.find("--force"), std::string::npos) << r.Err;
    EXPECT_TRUE(ReadFile(copy) == bytes);
    EXPECT_EQ(RunCli({"repair", copy, "--force"}, kPwd + "\n").Code, 0);
    // A sound box comes out of a repair sound and smaller (the rebuild drops dead space).
    Ok({"rm", box, "note:1"});
    const auto before = fs::file_size(box);
    r = RunCli({"repair", box}, kPwd + "\n");
    EXPECT_EQ(r.Code, 0) << r.Out << r.Err;
    EXPECT_NE(r.Out.find("No problems found"), std::string::npos) << r.Out;
    EXPECT_NE(r.Out.find("The box is sound"), std::string::npos) << r.Out;
    EXPECT_LT(fs::file_size(box), before);
    EXPECT_FALSE(fs::exists(box + ".damaged"));
    EXPECT_EQ(Json({"ls", box, "4"})["entries"].size(), 20u);
}

// A box cut short, as by a full disk or a copy that stopped: commands that need the whole box
// refuse it and point to verify and repair; export --salvage and repair get the rest out.
TEST_F(CliTest, ACutBoxIsDescribedExportedAndRepaired)
{
    const std::string box = NewBox();
    for (int i = 0; i < 5; ++i)
        Ok({"add", "web", box, "--folder", "4", "--title", "entry " + std::to_string(i), "--comments", "text"});
    WriteFile(Path("a.txt"), "attached");
    Ok({"add", "note", box, "--folder", "3", "--title", "n", "--attach", Path("a.txt")});
    Ok({"compact", box});
    const std::string whole = ReadFile(box);
    for (const std::size_t cut : {50u, 86u}) {
        WriteFile(box, whole.substr(0, whole.size() - cut));
        TCliResult r = RunCli({"ls", box, "4"}, kPwd + "\n");
        if (r.Code != 0) {
            EXPECT_EQ(r.Code, 3) << r.Err;
            EXPECT_NE(r.Err.find("zembrix-cli verify shows what is wrong, repair saves what can be read"), std::string::npos)
                << r.Err;
        }
        r = RunCli({"verify", box}, kPwd + "\n");
        EXPECT_EQ(r.Code, 3) << "cut by " << cut << ": " << r.Out;
        r = RunCli({"export", box, "--salvage", "--format", "csv"}, kPwd + "\n");
        EXPECT_EQ(r.Code, 0) << r.Err;
        EXPECT_EQ(Lines(r.Out).size(), 7u) << r.Out; // the header and six entries
        EXPECT_NE(r.Err.find("zembrix-cli: salvage: Dropped: "), std::string::npos) << r.Err;
        r = RunCli({"repair", box, "--force"}, kPwd + "\n");
        EXPECT_EQ(r.Code, 0) << r.Out << r.Err;
        EXPECT_EQ(Json({"ls", box, "4"})["entries"].size(), 5u);
    }
    // Wrong passwords are told apart from damage, as everywhere.
    EXPECT_EQ(RunCli({"verify", box}, "wrong\n").Code, 1);
    EXPECT_EQ(RunCli({"repair", box}, "wrong\n").Code, 1);
    EXPECT_EQ(RunCli({"export", box, "--salvage"}, "wrong\n").Code, 1);
}

// An attachment whose record was written and whose content was not (the tool killed between the
// two writes) is an error wherever it is read, and repair removes it.
TEST_F(CliTest, AnUnfinishedAttachmentIsNamedNeverReadAsEmpty)
{
    const std::string box = NewBox();
    WriteFile(Path("a.txt"), "attached");
    Ok({"add", "note", box, "--folder", "3", "--title", "n", "--attach", Path("a.txt")});
    {
        TNorkDatabase db;
        ASSERT_TRUE(db.Open(box, kPwd));
        TNorkTable attach(&db);
        attach.Open("Attach", true);
        uint8_t rec[129] = {};
        const int32_t owner = 1, size = 30000000;
        std::memcpy(rec, &owner, 4);
        std::memcpy(rec + 4, &size, 4);
        std::memcpy(rec + 8, "big.bin", 7);
        ASSERT_EQ(attach.AppendRecord(rec, sizeof(rec), 0), 2);
    }
    const std::string unfinished = "attachment 2 is unfinished: its content was never stored";
    TCliResult r = RunCli({"attach", "get", box, "2", "-o", Path("out.bin")}, kPwd + "\n");
    EXPECT_EQ(r.Code, 3);
    EXPECT_NE(r.Err.find(box + ": " + unfinished), std::string::npos) << r.Err;
    EXPECT_FALSE(fs::exists(Path("out.bin")));
    r = RunCli({"export", box}, kPwd + "\n");
    EXPECT_EQ(r.Code, 3);
    EXPECT_NE(r.Err.find(unfinished), std::string::npos) << r.Err;
    EXPECT_TRUE(r.Out.empty());
    r = RunCli({"verify", box}, kPwd + "\n");
    EXPECT_EQ(r.Code, 3);
    EXPECT_EQ(r.Out, "Attach record 2 (\"big.bin\" of note:1): unfinished: its content was never stored (a change was "
                     "interrupted)\n");

    r = RunCli({"export", box, "--salvage"}, kPwd + "\n");
    EXPECT_EQ(r.Code, 0) << r.Err;
    const json exported = json::parse(r.Out);
    ASSERT_EQ(exported["notes"][0]["attachments"].size(), 1u);
    EXPECT_EQ(exported["notes"][0]["attachments"][0]["name"], "a.txt");
    EXPECT_NE(r.Err.find("zembrix-cli: salvage: Removed: Attach record 2 (\"big.bin\" of note:1): an unfinished addition"),
              std::string::npos)
        << r.Err;

    r = RunCli({"repair", box}, kPwd + "\n");
    EXPECT_EQ(r.Code, 0) << r.Out << r.Err;
    EXPECT_NE(r.Out.find("Removed: Attach record 2"), std::string::npos) << r.Out;
    EXPECT_EQ(RunCli({"attach", "get", box, "2", "-o", Path("out.bin")}, kPwd + "\n").Code, 1);
    r = RunCli({"attach", "get", box, "1", "-o", Path("out.bin")}, kPwd + "\n");
    EXPECT_EQ(r.Code, 0) << r.Err;
    EXPECT_EQ(ReadFile(Path("out.bin")), "attached");
}

TEST_F(CliTest, ExitCodesAndOneLineOnStderrNamingTheFile)
{
    const std::string box = NewBox();
    WriteFile(Path("text.zmb"), "just some text, not a box\n");
    WriteFile(Path("empty.zmb"), "");
    struct TCase {
        std::vector<std::string> Args;
        std::string Input;
        int Code;
        std::string InErr; // "" when the message is CLI11's
    } cases[] = {
        {{"info", Path("missing.zmb")}, kPwd, 3, Path("missing.zmb") + ": no such file"},
        {{"ls", Path("text.zmb")}, kPwd, 3, Path("text.zmb") + ": not a password box"},
        {{"ls", Path("empty.zmb")}, kPwd, 3, Path("empty.zmb") + ": not a password box"},
        {{"ls", FDir}, kPwd, 3, FDir + ": not a password box"},
        {{"ls", box}, "wrong", 1, box + ": wrong password"},
        {{"ls", box}, "", 1, box + ": wrong password"},
        {{"show", box, "web:999"}, kPwd, 1, box + ": no entry web:999"},
        {{"show", box, "note:0"}, kPwd, 1, box + ": no entry \"note:0\""},
        {{"show", box, "mail:1"}, kPwd, 1, box + ": no entry \"mail:1\""},
        {{"ls", box, "<网上信息>/没有"}, kPwd, 1, box + ": no folder \"没有\""},
        {{"ls", box, "4711"}, kPwd, 1, box + ": no folder with id 4711"},
        {{"attach", "ls", box, "web:1"}, kPwd, 1, box + ": no entry web:1"},
        {{"attach", "get", box, "1", "-o", Path("x")}, kPwd, 1, box + ": no attachment 1"},
        {{"add", "web", box, "--folder", "4"}, kPwd, 2, ""},
        {{"add", "web", box, "--folder", "<银行账号>", "--title", "t"}, kPwd, 2, "holds bank entries"},
        {{"add", "note", box, "--folder", "3", "--title", "t", "--attach", Path("nope")}, kPwd, 3, Path("nope")},
        {{"add", "note", box, "--folder", "3", "--title", "t", "--body-file", Path("nope")}, kPwd, 3, Path("nope")},
        {{"attach", "add", box, "note:1", Path("nope")}, kPwd, 3, Path("nope")},
        {{"frobnicate"}, "", 2, "zembrix-cli: unknown command 'frobnicate' (run zembrix-cli help)"},
        {{"help", "frobnicate"}, "", 2, "help: unknown command 'frobnicate'"},
        {{"attach", "frobnicate"}, "", 2, "attach: unknown command 'frobnicate' (run zembrix-cli attach --help)"},
        {{}, "", 2, "a command is required (run zembrix-cli help)"},
        {{"generate", "--length", "0"}, "", 2, "generate: --length: Value 0 not in range"},
        {{"add", "web", box}, "", 2, "add web: --folder is required (run zembrix-cli add web --help)"},
    };
    for (const TCase& c : cases) {
        const TCliResult r = RunCli(c.Args, c.Input + "\n");
        const std::string what = c.Args.empty() ? "(none)" : c.Args[0] + " " + (c.Args.size() > 1 ? c.Args.back() : "");
        EXPECT_EQ(r.Code, c.Code) << what << ": " << r.Err;
        EXPECT_EQ(r.Out, "") << what;
        if (!c.InErr.empty()) {
            EXPECT_EQ(Lines(r.Err).size(), 1u) << what << ": " << r.Err;
            EXPECT_NE(r.Err.find("zembrix-cli: "), std::string::npos) << r.Err;
            EXPECT_NE(r.Err.find(c.InErr), std::string::npos) << what << ": " << r.Err;
        } else {
            EXPECT_FALSE(r.Err.empty()) << what;
        }
    }
    // An input that ends before the password is no wrong password.
    const TCliResult ended = RunCli({"ls", box}, "");
    EXPECT_EQ(ended.Code, 2);
    EXPECT_EQ(ended.Err, "zembrix-cli: " + box + ": no password given (standard input has ended)\n");

    // Every help page, through --help or help, ends with the exit codes.
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"--help"}, {"help"}, {"help", "add", "web"}, {"add", "web", "--help"}, {"attach", "--help"},
             {"search", "--help"}, {"help", "show"}}) {
        const TCliResult r = RunCli(args);
        EXPECT_EQ(r.Code, 0) << args.back();
        EXPECT_NE(r.Out.find("Exit codes: 0 success"), std::string::npos) << args.back() << ": " << r.Out;
        EXPECT_TRUE(r.Out.ends_with("read-only or in use elsewhere.\n")) << args.back();
    }
    EXPECT_NE(RunCli({"help", "add", "web"}).Out.find("--generate"), std::string::npos);
    EXPECT_EQ(RunCli({"--version"}).Out, "zembrix-cli 1.0\n");
}

TEST_F(CliTest, ABoxOpenInTheDesktopProgramIsRefusedAndOursIsAnnounced)
{
    const std::string box = NewBox();
    {
        TOpenFileMarker desktop; // what the desktop program holds while the box is open there
        ASSERT_TRUE(desktop.Announce(box));
        const TCliResult r = RunCli({"ls", box}, kPwd + "\n");
        EXPECT_EQ(r.Code, 3);
        EXPECT_NE(r.Err.find(box + ": the box is open in another Zembrix program"), std::string::npos) << r.Err;
        EXPECT_EQ(RunCli({"add", "web", box, "--folder", "4", "--title", "t"}, kPwd + "\n").Code, 3);
    }
    EXPECT_EQ(RunCli({"ls", box}, kPwd + "\n").Code, 0);

    // The tool announces the box while it has it open: here while rmdir asks on the terminal.
    Ok({"mkdir", box, "3", "临时"});
    bool announced = false;
    int second = -1;
    const TCliResult r = RunCliOnTerminal(
        {"rmdir", box, "<通用数据>/临时"},
        {{"Password for " + box + ": ", kPwd + "\r"},
         {"? [y/N] ", "n\r", [&] {
              announced = IsFileOpenedElsewhere(box);
              second = RunCli({"ls", box}, kPwd + "\n").Code;
          }}});
    EXPECT_EQ(r.Code, 0) << r.Out;
    EXPECT_TRUE(announced);
    EXPECT_EQ(second, 3);
    EXPECT_NE(r.Out.find("Nothing deleted"), std::string::npos) << r.Out;
    EXPECT_FALSE(IsFileOpenedElsewhere(box)); // withdrawn when the tool ended
    EXPECT_EQ(Json({"tree", box})[2]["folders"].size(), 4u);
}

TEST_F(CliTest, PasswordTypedOnATerminalIsNotEchoed)
{
    const std::string box = NewBox();
    Ok({"add", "web", box, "--folder", "4", "--title", "终端"});
    const TCliResult r = RunCliOnTerminal({"ls", box, "4"}, {{"Password for " + box + ": ", kPwd + "\r"}});
    EXPECT_EQ(r.Code, 0) << r.Out;
    EXPECT_EQ(r.Out.find(kPwd), std::string::npos) << r.Out;
    EXPECT_NE(r.Out.find("终端"), std::string::npos) << r.Out;

    // create asks twice and refuses two different answers.
    const TCliResult c = RunCliOnTerminal({"create", Path("t.zmb")},
                                          {{"New password for " + Path("t.zmb") + ": ", "one\r"}, {"Repeat it: ", "two\r"}});
    EXPECT_EQ(c.Code, 2) << c.Out;
    EXPECT_NE(c.Out.find("the two passwords differ"), std::string::npos) << c.Out;
    EXPECT_FALSE(fs::exists(Path("t.zmb")));
}

TEST_F(CliTest, PipedPasswordLosesOneTrailingCrLf)
{
    const std::string box = NewBox();
    EXPECT_EQ(RunCli({"info", box}, kPwd + "\r\n").Code, 0);
    EXPECT_EQ(RunCli({"info", box}, kPwd).Code, 0);             // no line break at all
    EXPECT_EQ(RunCli({"info", box}, kPwd + " \n").Code, 1);     // blanks are part of it
    EXPECT_EQ(RunCli({"info", box}, kPwd + "\r\r\n").Code, 1);  // only one CR goes
}

// Sets or removes environment variables for the scope (the tool inherits them).
class TEnvScope {
public:
    TEnvScope(std::initializer_list<std::pair<const char*, const char*>> Values)
    {
        for (const auto& [name, value] : Values) {
            const char* old = std::getenv(name);
            FSaved.emplace_back(name, old != nullptr ? std::optional<std::string>(old) : std::nullopt);
            if (value != nullptr)
                ::setenv(name, value, 1);
            else
                ::unsetenv(name);
        }
    }
    ~TEnvScope()
    {
        for (const auto& [name, value] : FSaved) {
            if (value)
                ::setenv(name.c_str(), value->c_str(), 1);
            else
                ::unsetenv(name.c_str());
        }
    }

private:
    std::vector<std::pair<std::string, std::optional<std::string>>> FSaved;
};

TEST_F(CliTest, ClipPutsAFieldThereForItsTimeAndNeedsADisplay)
{
    const std::string box = NewBox();
    Ok({"add", "web", box, "--folder", "4", "--title", "t", "--user", "bob", "--password", "pw"});
    Ok({"add", "note", box, "--folder", "15", "--title", "n"});
    {
        TEnvScope env({{"DISPLAY", nullptr}, {"WAYLAND_DISPLAY", nullptr}, {"QT_QPA_PLATFORM", nullptr}});
        const TCliResult r = RunCli({"clip", box, "web:1"}); // no password on standard input: none is asked for
        EXPECT_EQ(r.Code, 1);
        EXPECT_NE(r.Err.find("no display"), std::string::npos) << r.Err;
    }
    TEnvScope env({{"QT_QPA_PLATFORM", "offscreen"}});
    const TCliResult r = RunCli({"clip", box, "web:1", "--field", "user", "--timeout", "1"}, kPwd + "\n");
    EXPECT_EQ(r.Code, 0) << r.Err;
    EXPECT_NE(r.Err.find("the user of web:1 is on the clipboard for 1 s"), std::string::npos) << r.Err;
    EXPECT_NE(r.Err.find("the clipboard is cleared"), std::string::npos) << r.Err;
    const std::pair<std::vector<std::string>, int> refused[] = {
        {{"clip", box, "web:1", "--field", "account"}, 2},
        {{"clip", box, "note:1"}, 2},
        {{"clip", box, "web:7"}, 1},
        {{"clip", box, "web:1", "--timeout", "0"}, 2},
    };
    for (const auto& [args, code] : refused)
        EXPECT_EQ(RunCli(args, kPwd + "\n").Code, code) << args[2];
}

TEST_F(CliTest, GenerateFollowsLengthAndKinds)
{
    TCliResult r = RunCli({"generate", "--length", "12", "--count", "20", "--kinds", "digit"});
    ASSERT_EQ(r.Code, 0) << r.Err;
    std::vector<std::string> lines = Lines(r.Out);
    ASSERT_EQ(lines.size(), 20u);
    for (const std::string& p : lines) {
        EXPECT_EQ(p.size(), 12u);
        EXPECT_EQ(p.find_first_not_of("0123456789"), std::string::npos) << p;
    }
    r = RunCli({"generate", "--min", "3", "--max", "4", "--count", "200", "--kinds", "upper,symbol"});
    ASSERT_EQ(r.Code, 0) << r.Err;
    bool three = false, four = false;
    for (const std::string& p : Lines(r.Out)) {
        EXPECT_TRUE(p.size() == 3 || p.size() == 4) << p;
        three = three || p.size() == 3;
        four = four || p.size() == 4;
        for (char ch : p)
            EXPECT_TRUE((ch >= 'A' && ch <= 'Z') || std::ispunct(static_cast<unsigned char>(ch))) << p;
        EXPECT_EQ(p.find('`'), std::string::npos);
    }
    EXPECT_TRUE(three && four);
    const std::string one = Trim(RunCli({"generate"}).Out);
    EXPECT_TRUE(one.size() >= 5 && one.size() <= 8) << one;
    EXPECT_EQ(RunCli({"generate", "--min", "5", "--max", "3"}).Code, 2);
    EXPECT_EQ(RunCli({"generate", "--kinds", "emoji"}).Code, 2);
    EXPECT_EQ(RunCli({"generate", "--length", "5", "--min", "3", "--max", "4"}).Code, 2);
}

TEST_F(CliTest, DemoBuildsABoxAndShowsIt)
{
    const TCliResult r = RunCli({"demo", Path("demo")});
    ASSERT_EQ(r.Code, 0) << r.Err;
    const std::string file = Path("demo") + "/demo.zmb";
    EXPECT_NE(r.Out.find(file), std::string::npos);
    EXPECT_NE(r.Out.find("├─ 电子邮件  [4] 2 entries"), std::string::npos) << r.Out;
    EXPECT_NE(r.Out.find("工作邮箱"), std::string::npos);
    EXPECT_NE(r.Out.find("note:1"), std::string::npos); // the search finds a note
    const TCliResult i = RunCli({"info", file, "--json"}, "demo\n");
    ASSERT_EQ(i.Code, 0) << i.Err;
    const json j = json::parse(i.Out);
    EXPECT_EQ(j["entries"], (json{{"web", 3}, {"bank", 2}, {"note", 2}}));
    EXPECT_EQ(j["attachments"], 1);
    EXPECT_EQ(RunCli({"verify", file}, "demo\n").Code, 0);
    EXPECT_EQ(RunCli({"demo", Path("demo")}).Code, 2); // the box exists there now
}

} // namespace

TEST_F(CliTest, EntryPasswordsComeByPromptOrGeneratorAndTheOldOptionWarns)
{
    const std::string box = NewBox();
    // -p: the line after the login password, never an argument.
    TCliResult r = RunCli({"add", "web", box, "--folder", "4", "--title", "a", "-p"}, kPwd + "\nentry-pw 条目\n");
    ASSERT_EQ(r.Code, 0) << r.Err;
    EXPECT_EQ(r.Err, "");
    EXPECT_EQ(Ok({"show", box, "web:1", "-a", "password"}), "entry-pw 条目\n");

    r = RunCli({"add", "web", box, "--folder", "4", "--title", "b", "--password", "visible"}, kPwd + "\n");
    ASSERT_EQ(r.Code, 0) << r.Err;
    EXPECT_EQ(Lines(r.Err).size(), 1u);
    EXPECT_NE(r.Err.find("zembrix-cli: warning: --password shows the password"), std::string::npos) << r.Err;

    r = RunCli({"add", "bank", box, "--folder", "2", "--bank", "b", "--account", "1", "--generate", "--length", "30",
                "--kinds", "symbol"},
               kPwd + "\n");
    ASSERT_EQ(r.Code, 0) << r.Err;
    const std::string generated = Trim(Ok({"show", box, "bank:1", "-a", "password"}));
    EXPECT_EQ(generated.size(), 30u);
    for (char c : generated)
        EXPECT_TRUE(std::ispunct(static_cast<unsigned char>(c))) << generated;

    // Refused without a change: too long for the field, input ended, a length the field cannot hold.
    const std::string before = ReadFile(box);
    for (const auto& [args, input] : std::vector<std::pair<std::vector<std::string>, std::string>>{
             {{"edit", box, "web:1", "-p"}, kPwd + "\n" + std::string(31, 'x') + "\n"},
             {{"edit", box, "web:1", "-p"}, kPwd + "\n"},
             {{"add", "web", box, "--folder", "4", "--title", "c", "--generate", "--length", "31"}, kPwd + "\n"},
             {{"add", "note", box, "--folder", "3", "--title", "c", "-p"}, kPwd + "\nx\n"}}) {
        r = RunCli(args, input);
        EXPECT_EQ(r.Code, 2) << args.back() << ": " << r.Err;
        EXPECT_EQ(Lines(r.Err).size(), 1u) << r.Err;
    }
    EXPECT_EQ(ReadFile(box), before);
    EXPECT_EQ(Ok({"show", box, "web:1", "-a", "password"}), "entry-pw 条目\n");
}

TEST_F(CliTest, LoginPasswordMustNotBeEmptyByAccidentAndTheAnswerIsPrompted)
{
    const std::string empty = Path("empty.zmb");
    TCliResult r = RunCli({"create", empty}, "\n");
    EXPECT_EQ(r.Code, 2);
    EXPECT_NE(r.Err.find("--allow-empty-password"), std::string::npos) << r.Err;
    EXPECT_FALSE(fs::exists(empty));
    r = RunCli({"create", empty, "--allow-empty-password"}, "\n");
    ASSERT_EQ(r.Code, 0) << r.Err;
    EXPECT_NE(r.Err.find("no real protection"), std::string::npos) << r.Err;
    EXPECT_NE(Ok({"info", empty}, "\n").find("Encrypted:         yes (Blowfish), but with the empty password: no real "
                                               "protection"),
              std::string::npos);
    EXPECT_EQ(json::parse(Ok({"info", empty, "--json"}, "\n"))["empty_password"], true);

    // The recovery answer as the line after the password; recover hands the password back.
    const std::string box = Path("q.zmb");
    r = RunCli({"create", box, "--question", "问题", "--answer-prompt"}, kPwd + "\n答案\n");
    ASSERT_EQ(r.Code, 0) << r.Err;
    EXPECT_EQ(r.Err, "");
    EXPECT_EQ(RunCli({"recover", box}, "答案\n").Out, kPwd + "\n");
    r = RunCli({"passwd", box, "--question", "q2", "--answer-prompt"}, kPwd + "\nnew-pw\na2\n");
    ASSERT_EQ(r.Code, 0) << r.Err;
    EXPECT_EQ(RunCli({"recover", box}, "a2\n").Out, "new-pw\n");
    r = RunCli({"passwd", box, "--question", "q3", "--answer", "a3"}, "new-pw\nnewer\n");
    ASSERT_EQ(r.Code, 0) << r.Err;
    EXPECT_NE(r.Err.find("warning: --answer shows the recovery answer"), std::string::npos) << r.Err;
    EXPECT_EQ(RunCli({"passwd", box, "--question", "q4"}, "newer\nx\n").Code, 2);
}

TEST_F(CliTest, EntriesAreNamedByIdPathOrTitle)
{
    const std::string box = NewBox();
    Ok({"add", "web", box, "--folder", "<网上信息>/电子邮件", "--title", "工作邮箱", "--user", "ann"}); // web:1
    Ok({"add", "web", box, "--folder", "<网上信息>/电子邮件", "--title", "同名"});                       // web:2
    Ok({"add", "web", box, "--folder", "<网上信息>/论坛账号", "--title", "同名"});                       // web:3
    Ok({"add", "web", box, "--folder", "4", "--title", "a/b"});                                          // web:4
    Ok({"add", "bank", box, "--folder", "2", "--bank", "中国银行", "--account", "42"});                   // bank:1
    Ok({"add", "note", box, "--folder", "3", "--title", "便条", "--body", "line1\nline2"});              // note:1

    struct TCase {
        std::string Name;
        int Code;
        std::string Ref; // or the text the one-line error holds
    } cases[] = {
        {"web:1", 0, "web:1"},
        {"<网上信息>/电子邮件/工作邮箱", 0, "web:1"},
        {"工作邮箱", 0, "web:1"},
        {"<网上信息>/论坛账号/同名", 0, "web:3"},
        {"a/b", 0, "web:4"},
        {"中国银行", 0, "bank:1"},
        {"便条", 0, "note:1"},
        {"同名", 1, "2 entries are called \"同名\": web:2 in <网上信息>/电子邮件, web:3 in <网上信息>/论坛账号"},
        {"<网上信息>/电子邮件/没有", 1, "no entry \"<网上信息>/电子邮件/没有\""},
        {"web:9", 1, "no entry web:9"},
    };
    for (const TCase& c : cases) {
        const TCliResult r = RunCli({"show", box, c.Name, "--json"}, kPwd + "\n");
        EXPECT_EQ(r.Code, c.Code) << c.Name << ": " << r.Err;
        if (c.Code == 0) {
            EXPECT_EQ(json::parse(r.Out)["ref"], c.Ref) << c.Name;
        } else {
            EXPECT_EQ(Lines(r.Err).size(), 1u) << r.Err;
            EXPECT_NE(r.Err.find(c.Ref), std::string::npos) << c.Name << ": " << r.Err;
        }
    }

    // Raw fields for scripts, in the order asked; a field the kind lacks is a usage error.
    EXPECT_EQ(Ok({"show", box, "工作邮箱", "-a", "user", "-a", "Title"}), "ann\n工作邮箱\n");
    EXPECT_EQ(Ok({"show", box, "便条", "-a", "body"}), "line1\nline2\n");
    EXPECT_EQ(RunCli({"show", box, "中国银行", "-a", "title"}, kPwd + "\n").Code, 2);

    // Changes by name; an ambiguous name changes nothing.
    const std::string before = ReadFile(box);
    EXPECT_EQ(RunCli({"rm", box, "工作邮箱", "同名"}, kPwd + "\n").Code, 1);
    EXPECT_EQ(ReadFile(box), before);
    Ok({"mv", box, "<网上信息>/论坛账号/同名", "--to", "<网上信息>/电子邮件"});
    Ok({"edit", box, "a/b", "--user", "bob"});
    EXPECT_EQ(Ok({"show", box, "web:4", "-a", "user"}), "bob\n");
    Ok({"rm", box, "工作邮箱"});
    EXPECT_EQ(RunCli({"show", box, "web:1"}, kPwd + "\n").Code, 1);
    Ok({"attach", "add", box, "便条", Path("box.zmb"), "--name", "copy"});
    EXPECT_NE(Ok({"attach", "ls", box, "<通用数据>/便条"}).find("copy"), std::string::npos);
}

TEST_F(CliTest, LsWithoutAFolderShowsTheWholeTreeAndRecursesOnAsk)
{
    const std::string box = NewBox();
    Ok({"add", "web", box, "--folder", "<网上信息>/电子邮件", "--title", "工作邮箱", "--password", "pw"});
    Ok({"mkdir", box, "<网上信息>/电子邮件", "内层"});
    Ok({"add", "web", box, "--folder", "<网上信息>/电子邮件/内层", "--title", "深处"});
    const std::vector<std::string> all = Lines(Ok({"ls", box}));
    const auto at = [&](const std::string& Line) {
        return std::find(all.begin(), all.end(), Line) - all.begin();
    };
    // Categories at the left, their folders and entries indented below them.
    EXPECT_EQ(all.front(), "<网上信息>/ [1]");
    EXPECT_LT(at("  电子邮件/ [4]"), at("    工作邮箱 [web:1]"));
    EXPECT_LT(at("    工作邮箱 [web:1]"), at("    内层/ [18]"));
    EXPECT_LT(at("    内层/ [18]"), at("      深处 [web:2]"));
    EXPECT_LT(at("      深处 [web:2]"), at("<银行账号>/ [2]"));
    EXPECT_LT(at("<银行账号>/ [2]"), at("<通用数据>/ [3]"));
    EXPECT_EQ(Ok({"ls", box}).find("pw"), std::string::npos);

    EXPECT_EQ(Lines(Ok({"ls", box, "-R", "<网上信息>/电子邮件"})),
              (std::vector<std::string>{"电子邮件/ [4]", "  工作邮箱 [web:1]", "  内层/ [18]", "    深处 [web:2]"}));
    const json tree = Json({"ls", box, "-R", "4"});
    EXPECT_EQ(tree["entries"][0]["title"], "工作邮箱");
    EXPECT_EQ(tree["folders"][0]["entries"][0]["ref"], "web:2");
}

TEST_F(CliTest, APasswordKeptInTheCommentsIsMaskedAndNeverSearched)
{
    // The line an import writes when it cuts a password to the field.
    const std::string box = NewBox();
    Ok({"add", "web", box, "--folder", "4", "--title", "t", "--password", "cut", "--comments",
        "note\nPassword: cut-but-whole-secret"});
    const std::string shown = Ok({"show", box, "web:1"});
    EXPECT_EQ(shown.find("whole-secret"), std::string::npos) << shown;
    EXPECT_NE(shown.find("  Password: " + std::string(20, '*')), std::string::npos) << shown;
    EXPECT_EQ(Json({"ls", box, "4"})["entries"][0]["comments"], "note\nPassword: " + std::string(20, '*'));
    EXPECT_EQ(Json({"show", box, "web:1", "--show-passwords"})["comments"], "note\nPassword: cut-but-whole-secret");

    EXPECT_EQ(RunCli({"search", box, "whole-secret"}, kPwd + "\n").Code, 1);
    EXPECT_EQ(Json({"search", box, "note"}).size(), 1u);
}

TEST_F(CliTest, ASessionRunsCommandsWithoutFileHoldsTheBoxAndLocksWhenIdle)
{
    const std::string box = NewBox();
    const std::string prompt = "zembrix> ";
    TCliResult other;
    const TCliResult r = RunCliOnTerminal(
        {"open", box, "--lock-after", "2"},
        {{"Password for " + box + ": ", kPwd + "\r"},
         {prompt, "add web --folder 4 --title \"a b\" -p\r"},
         {"Password of the web entry: ", "pw-1\r"},
         {"Repeat it: ", "pw-1\r"},
         {prompt, "show \"a b\" -a password\r", [&] { other = RunCli({"ls", box}, kPwd + "\n"); }},
         // Nothing typed for two seconds: the password is asked again, a wrong one refused.
         {"Locked. Password for " + box + ": ", "wrong\r"},
         {"Locked. Password for " + box + ": ", kPwd + "\r"},
         {prompt, "search a\r"},
         {prompt, "exit\r"}});
    EXPECT_EQ(r.Code, 0) << r.Out;
    EXPECT_NE(r.Out.find("web:1"), std::string::npos) << r.Out;
    EXPECT_NE(r.Out.find("\npw-1\r\n"), std::string::npos) << r.Out;
    EXPECT_EQ(r.Out.find("pw-1\r\n" + std::string("pw-1")), std::string::npos) << "typed without echo";
    EXPECT_NE(r.Out.find(box + ": locked after 2 s without use"), std::string::npos) << r.Out;
    EXPECT_NE(r.Out.find(box + ": wrong password"), std::string::npos) << r.Out;
    EXPECT_NE(r.Out.find("Closed " + box), std::string::npos) << r.Out;
    // While the session runs, the box is open for other programs.
    EXPECT_EQ(other.Code, 3) << other.Err;
    EXPECT_NE(other.Err.find("open in another Zembrix program"), std::string::npos) << other.Err;
    EXPECT_FALSE(IsFileOpenedElsewhere(box));
}

TEST_F(CliTest, ASessionReadsAScriptFromAPipeAndEndsWithTheLastCode)
{
    const std::string box = NewBox();
    struct TCase {
        std::string Script;
        int Code;
        std::string Out, Err;
    } cases[] = {
        {"add web --folder 4 --title t -p\nsecret\nshow t -a password\n", 0, "web:1\nsecret\n", ""},
        {"search nothing-like-it\n", 1, "No entries found\n", ""},
        {"frobnicate\n", 2, "", "zembrix-cli: unknown command 'frobnicate' (run zembrix-cli help)\n"},
        {"show \"t\n", 2, "", "zembrix-cli: a quote is not closed\n"},
        {"open x\nexit\nshow t\n", 2, "", "zembrix-cli: open: not inside a session (exit first)\n"},
        {"generate --length 3 --kinds digit\nexit\n", 0, "", ""},
    };
    for (const TCase& c : cases) {
        const TCliResult r = RunCli({"open", box}, kPwd + "\n" + c.Script);
        EXPECT_EQ(r.Code, c.Code) << c.Script << r.Err;
        if (!c.Out.empty()) {
            EXPECT_EQ(r.Out, c.Out) << c.Script;
        }
        EXPECT_EQ(r.Err, c.Err) << c.Script;
    }
    EXPECT_EQ(RunCli({"open", box}, "wrong\nls\n").Code, 1);
    EXPECT_EQ(RunCli({"open", box}, "").Code, 2);
}

TEST_F(CliTest, AnalyzeFlagsWeakReusedEmptyAndBreachedPasswordsAndEstimateRates)
{
    const std::string box = NewBox();
    const std::string strong = "Vq7#pL2!zR9@wK4$";
    Ok({"add", "web", box, "--folder", "4", "--title", "good", "--password", strong});         // web:1
    Ok({"add", "web", box, "--folder", "4", "--title", "a", "--user", "bob", "--password", "bob"}); // web:2
    Ok({"add", "web", box, "--folder", "4", "--title", "b", "--password", "bob"});                  // web:3
    Ok({"add", "web", box, "--folder", "4", "--title", "c"});                                       // web:4

    // A sorted list with the breached "bob" somewhere inside, in the published CR LF form.
    std::vector<std::string> digests;
    for (const std::string& w : {std::string("bob"), std::string("x1"), std::string("x2"), std::string("x3")}) {
        THash_SHA1 h;
        h.Init();
        h.Calc(w.data(), static_cast<int>(w.size()));
        h.Done();
        digests.push_back(h.DigestBase16());
    }
    for (int i = 0; i < 300; ++i) {
        char hex[41];
        std::snprintf(hex, sizeof(hex), "%040X", i * 7919);
        digests.push_back(hex);
    }
    std::sort(digests.begin(), digests.end());
    std::string list;
    for (const std::string& d : digests)
        list += d + ":" + (d == digests[0] ? "1" : "42") + "\r\n";
    WriteFile(Path("list.txt"), list);

    TCliResult r = RunCli({"analyze", box, "--hibp", Path("list.txt"), "--json"}, kPwd + "\n");
    EXPECT_EQ(r.Code, 1) << r.Err;
    const json found = json::parse(r.Out);
    ASSERT_EQ(found.size(), 3u) << found;
    const auto checks = [&](std::size_t I) {
        std::vector<std::string> names;
        for (const json& p : found[I]["problems"])
            names.push_back(p["check"]);
        return names;
    };
    EXPECT_EQ(found[0]["ref"], "web:2");
    EXPECT_EQ(checks(0), (std::vector<std::string>{"weak", "reused", "same-as-user", "breached"}));
    EXPECT_EQ(found[0]["problems"][1]["with"], json::array({"web:3"}));
    EXPECT_EQ(found[0]["problems"][3]["count"], 42);
    EXPECT_EQ(checks(1), (std::vector<std::string>{"weak", "reused", "breached"}));
    EXPECT_EQ(checks(2), (std::vector<std::string>{"empty"}));
    EXPECT_EQ(r.Out.find("bob\""), std::string::npos) << "passwords are never printed";

    // Nothing to flag: exit 0. A list that is no such list: exit 3 before the password is asked.
    Ok({"rm", box, "web:2", "web:3", "web:4"});
    r = RunCli({"analyze", box, "--hibp", Path("list.txt")}, kPwd + "\n");
    EXPECT_EQ(r.Code, 0) << r.Out << r.Err;
    EXPECT_NE(r.Out.find("1 password checked, 0 entries need a better one"), std::string::npos) << r.Out;
    WriteFile(Path("bad.txt"), "not a list\n");
    r = RunCli({"analyze", box, "--hibp", Path("bad.txt")}, "");
    EXPECT_EQ(r.Code, 3);
    EXPECT_NE(r.Err.find("is no HASH:COUNT line"), std::string::npos) << r.Err;

    EXPECT_NE(RunCli({"estimate"}, "password\n").Out.find("Strength: very weak"), std::string::npos);
    EXPECT_NE(RunCli({"estimate"}, strong + "\n").Out.find("score 4/4"), std::string::npos);
    EXPECT_EQ(RunCli({"estimate"}, "").Code, 2);
}

TEST_F(CliTest, CompletionAndManualPageNameEveryCommandAndOption)
{
    const std::string completion = RunCli({"--complete"}).Out;
    const std::string manual = RunCli({"--man"}).Out;
    for (const std::string path : {"open", "add web", "attach get", "analyze", "estimate", "show"})
        EXPECT_NE(completion.find("\"" + path + "\")"), std::string::npos) << path;
    EXPECT_NE(completion.find("--show-passwords --show-password -a --attribute"), std::string::npos) << completion;
    EXPECT_NE(manual.find("\\fBzembrix\\-cli add web\\fR FILE"), std::string::npos);
    EXPECT_NE(manual.find("\\-\\-password\\-prompt"), std::string::npos);
    EXPECT_NE(manual.find(".SH EXIT STATUS"), std::string::npos);
}
