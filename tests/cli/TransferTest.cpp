// export and import end to end: each format from a box into a fresh box, cut fields, refused
// input, and both directions against the real keepassxc-cli.
#include "CliFolderTest.h"
#include "CliRunner.h"
#include "cli/transfer/Gzip.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

namespace fs = std::filesystem;
using nlohmann::json;

namespace {

const std::string kPwd = "s3cret-口令";
const std::string kPeer = "/usr/bin/keepassxc-cli";
const std::string kPeerPwd = "peer-口令";

std::string Repeat(const std::string& S, int N)
{
    std::string out;
    for (int i = 0; i < N; ++i)
        out += S;
    return out;
}

std::string Binary(std::size_t Size)
{
    std::string b;
    for (std::size_t i = 0; i < Size; ++i)
        b.push_back(static_cast<char>((i * 7919) % 256));
    return b;
}

class TransferTest : public TCliFolderTest {
protected:
    std::string NewBox(const std::string& Name)
    {
        const std::string file = Path(Name);
        const TCliResult r = RunCli({"create", file}, kPwd + "\n");
        EXPECT_EQ(r.Code, 0) << r.Err;
        return file;
    }

    TCliResult Ok(const std::vector<std::string>& Args, const std::string& Input = kPwd + "\n")
    {
        const TCliResult r = RunCli(Args, Input);
        EXPECT_EQ(r.Code, 0) << "zembrix-cli " << Args[0] << ": " << r.Err;
        return r;
    }

    // keepassxc-cli, which must succeed; the database password goes first on its input.
    std::string Peer(const std::vector<std::string>& Args, const std::string& MoreInput = "")
    {
        if (!fs::exists(kPeer)) {
            ADD_FAILURE() << kPeer << " is missing (scripts/install-deps.sh installs the keepassxc package)";
            return {};
        }
        const TCliResult r = RunProgram(kPeer, Args, kPeerPwd + "\n" + MoreInput);
        EXPECT_EQ(r.Code, 0) << "keepassxc-cli " << Args[0] << ": " << r.Err;
        return r.Out;
    }

    // Entries of every kind with Chinese text, in user folders, one empty folder, attachments
    // with every byte value, and an order within a folder that differs from the order of adding.
    void Fill(const std::string& Box)
    {
        Ok({"mkdir", Box, "<网上信息>", "银行网站"});
        Ok({"mkdir", Box, "<网上信息>/银行网站", "子目录"});
        Ok({"mkdir", Box, "<通用数据>", "空的"});
        Ok({"add", "web", Box, "--folder", "<网上信息>/电子邮件", "--title", "工作邮箱", "--user", "张伟", "--password",
            "pá55中文", "--link", "https://mail.example.com/?a=1&b=2", "--email", "zw@example.com", "--comments",
            "第一行\n第二行 <&> \"引号\""});
        Ok({"add", "web", Box, "--folder", "<网上信息>/电子邮件", "--title", "私人邮箱", "--user", "me", "--email",
            "me@example.cn"});
        Ok({"add", "web", Box, "--folder", "<网上信息>/银行网站/子目录", "--title", "网银登录", "--user", "zhang",
            "--password", "x&y<z>,\"q\""});
        Ok({"mv", Box, "web:1", "--to", "<网上信息>/电子邮件"}); // now after 私人邮箱
        Ok({"add", "bank", Box, "--folder", "<银行账号>/招商银行", "--bank", "招商银行", "--account",
            "6225 8812 3456 7890", "--type", "一卡通", "--holder", "张伟", "--password", "246810", "--comments",
            "网银\n第二行"});
        WriteFile(Path("data.bin"), Binary(70000));
        WriteFile(Path("路由器设置.txt"), "管理地址 192.168.1.1\n");
        WriteFile(Path("empty"), "");
        Ok({"add", "note", Box, "--folder", "<通用数据>/重要纪事", "--title", "家里", "--body",
            "Wi-Fi 密码：sunflower\n\t缩进一行", "--attach", Path("data.bin"), "--attach", Path("路由器设置.txt"),
            "--attach", Path("empty")});
        Ok({"add", "note", Box, "--folder", "<通用数据>", "--title", "备忘", "--body", "买牛奶"});
    }

    // The box as its JSON export tells it, with folder ids replaced by paths (ids may differ
    // between boxes); entries in export order.
    struct TCanon {
        std::vector<json> Folders; // {path, sort}
        std::vector<json> Entries; // kind, folder path, fields; sort, attachments
    };
    TCanon Canonical(const std::string& Box, bool SortCodes = true, bool Attachments = true)
    {
        const TCliResult r = Ok({"export", Box});
        const json doc = json::parse(r.Out, nullptr, false);
        EXPECT_FALSE(doc.is_discarded());
        std::map<int, std::string> paths;
        TCanon c;
        for (const json& f : doc["folders"]) {
            const int parent = f["parent"];
            const std::string path = parent == 0 ? f["name"].get<std::string>() : paths[parent] + "/" + f["name"].get<std::string>();
            paths[f["id"]] = path;
            c.Folders.push_back({{"path", path}, {"sort", f["sort"]}});
        }
        for (const char* kind : {"web", "bank", "notes"})
            for (json e : doc[kind]) {
                e["kind"] = kind;
                e["folder"] = paths[e["folder"]];
                e.erase("id");
                if (!SortCodes)
                    e.erase("sort");
                if (e.contains("attachments")) {
                    for (json& a : e["attachments"])
                        a.erase("id");
                    if (!Attachments)
                        e.erase("attachments");
                }
                c.Entries.push_back(e);
            }
        return c;
    }
    static const json* Entry(const TCanon& C, const std::string& Title)
    {
        for (const json& e : C.Entries)
            if (e.value("title", e.value("bank", "")) == Title)
                return &e;
        return nullptr;
    }

};

TEST_F(TransferTest, EachFormatCarriesTheBoxIntoAFreshBox)
{
    const std::string box = NewBox("box.zmb");
    Fill(box);
    const TCanon original = Canonical(box);
    ASSERT_EQ(original.Entries.size(), 6u);

    struct TCase {
        const char* Format;
        bool SortCodes;   // entry sort codes as they were (else only their order)
        bool Attachments; // and every folder, also the empty one
    } cases[] = {{"json", true, true}, {"keepass-xml", false, true}, {"csv", false, false}};
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Format);
        const std::string out = Path(std::string("export.") + c.Format);
        TCliResult r = Ok({"export", box, "--format", c.Format, "-o", out});
        EXPECT_EQ(r.Out, "");
        EXPECT_NE(r.Err.find("mode 0600"), std::string::npos) << r.Err;
        EXPECT_NE(r.Err.find("passwords in clear text"), std::string::npos) << r.Err;
        EXPECT_EQ(fs::status(out).permissions() & fs::perms::all, fs::perms::owner_read | fs::perms::owner_write);
        EXPECT_EQ(RunCli({"export", box, "--format", c.Format, "-o", out}, kPwd + "\n").Code, 2); // exists

        const std::string fresh = NewBox(std::string("fresh-") + c.Format + ".zmb");
        r = Ok({"import", fresh, out, "--format", c.Format});
        EXPECT_NE(r.Out.find("Imported 6 entries (3 web, 1 bank, 2 general) with " +
                             std::string(c.Attachments ? "3" : "0") + " attachments"),
                  std::string::npos)
            << r.Out;
        EXPECT_NE(r.Out.find("  <通用数据>/重要纪事  家里"), std::string::npos) << r.Out;
        EXPECT_EQ(r.Err, "");

        const TCanon copy = Canonical(fresh, c.SortCodes, c.Attachments);
        const TCanon expected = Canonical(box, c.SortCodes, c.Attachments);
        EXPECT_EQ(json(copy.Entries), json(expected.Entries));
        if (c.Attachments) {
            EXPECT_EQ(json(copy.Folders), json(expected.Folders));
        }
        EXPECT_EQ(Ok({"verify", fresh}).Code, 0);
    }

    // Importing again reuses every folder and files the entries after those already there.
    const std::string fresh = Path("fresh-json.zmb");
    const TCliResult again = Ok({"import", fresh, Path("export.json")});
    EXPECT_NE(again.Out.find("created 0 folders, reused 17"), std::string::npos) << again.Out;
    const json ls = json::parse(Ok({"ls", fresh, "<网上信息>/电子邮件", "--json"}).Out);
    std::vector<std::pair<std::string, int>> order;
    for (const json& e : ls["entries"])
        order.emplace_back(e["title"], e["sort"]);
    EXPECT_EQ(order, (std::vector<std::pair<std::string, int>>{
                         {"私人邮箱", 20}, {"工作邮箱", 21}, {"私人邮箱", 41}, {"工作邮箱", 42}}));
}

TEST_F(TransferTest, FieldsTheBoxCutsAreReportedAndKeptWholeInTheComments)
{
    const std::string title = Repeat("汉", 16); // 32 bytes in the box, 30 fit
    const std::string password = std::string(31, 'p');
    const std::string bank = Repeat("银", 26);
    const std::string folder = Repeat("夹", 17);
    const std::string attachment = Repeat("附", 61) + ".txt";
    json doc = {{"format", "zembrix-export"},
                {"version", 1},
                {"folders", {{{"id", 40}, {"parent", 1}, {"name", folder}, {"sort", 10}}}},
                {"web",
                 {{{"folder", 40}, {"title", title}, {"password", password}, {"comments", "原来的注释"}, {"sort", 10}},
                  {{"folder", 1}, {"title", "smile"}, {"comments", "smile 😀"}}}},
                {"bank", {{{"folder", 2}, {"bank", bank}, {"account", "1"}}}},
                {"notes", {{{"folder", 3}, {"title", "n"}, {"body", "b"},
                            {"attachments", {{{"name", attachment}, {"size", 3}, {"data", "YWJj"}}}}}}}};
    WriteFile(Path("cut.json"), doc.dump());
    const std::string box = NewBox("box.zmb");
    const TCliResult r = Ok({"import", box, Path("cut.json")});
    const std::vector<std::string> warnings = Lines(r.Err);
    ASSERT_EQ(warnings.size(), 6u) << r.Err;
    for (const std::string& w : warnings)
        EXPECT_EQ(w.rfind("zembrix-cli: warning: ", 0), 0u) << w;
    EXPECT_NE(r.Err.find("folder \"<网上信息>/" + folder + "\": the name takes 34 bytes in the box, 30 fit"),
              std::string::npos) << r.Err;
    EXPECT_NE(r.Err.find("web entry \"" + title + "\" (web[0]): Title takes 32 bytes in the box, 30 fit; "
                         "the full text is in the comments"),
              std::string::npos) << r.Err;
    EXPECT_NE(r.Err.find("(web[0]): Password takes 31 bytes"), std::string::npos) << r.Err;
    EXPECT_NE(r.Err.find("(web[1]): the comments have characters that a box cannot store"), std::string::npos) << r.Err;
    EXPECT_NE(r.Err.find("(bank[0]): Bank takes 52 bytes"), std::string::npos) << r.Err;
    EXPECT_NE(r.Err.find("(notes[0]): the attachment name"), std::string::npos) << r.Err;
    EXPECT_NE(r.Out.find("5 fields were cut"), std::string::npos) << r.Out;

    // Cut at a character boundary; the full texts follow the comments as labelled lines.
    const TCanon c = Canonical(box);
    const json* w = Entry(c, Repeat("汉", 15));
    ASSERT_NE(w, nullptr);
    EXPECT_EQ((*w)["folder"], "<网上信息>/" + Repeat("夹", 15));
    EXPECT_EQ((*w)["password"], std::string(30, 'p'));
    EXPECT_EQ((*w)["comments"], "原来的注释\nTitle: " + title + "\nPassword: " + password);
    const json* b = Entry(c, Repeat("银", 25));
    ASSERT_NE(b, nullptr);
    EXPECT_EQ((*b)["comments"], "Bank: " + bank);
    const json* n = Entry(c, "n");
    ASSERT_NE(n, nullptr);
    EXPECT_EQ((*n)["body"], "b\nAttachment: " + attachment);
    EXPECT_EQ((*n)["attachments"][0]["name"], Repeat("附", 60));
    EXPECT_EQ((*n)["attachments"][0]["data"], "YWJj");
    EXPECT_EQ((*Entry(c, "smile"))["comments"], "smile ?");
}

TEST_F(TransferTest, InputThatDoesNotParseWritesNothingAndNeedsNoPassword)
{
    const std::string box = NewBox("box.zmb");
    Fill(box);
    const std::string before = ReadFile(box);
    WriteFile(Path("bad.json"), "{\"format\": \"zembrix-export\",\n\"version\": 1,\n\"web\": [}\n");
    WriteFile(Path("bad.csv"), "Group,Title\n<网上信息>,ok\n<网上信息>,\"open\n");
    WriteFile(Path("bad.xml"), "<KeePassFile><Root><Group>\n<Entry>\n</Group></Root></KeePassFile>\n");
    WriteFile(Path("good.json"), "{\"format\":\"zembrix-export\",\"version\":1,\"web\":[{\"folder\":1,\"title\":\"t\"}]}");
    struct TCase {
        std::vector<std::string> Args;
        std::string Input;
        int Code;
        std::string InErr;
    } cases[] = {
        {{"import", box, Path("bad.json")}, "", 1, Path("bad.json") + ": not JSON: parse error at line 3"},
        {{"import", box, Path("bad.csv")}, "", 1, Path("bad.csv") + ": not CSV: line 3"},
        {{"import", box, Path("bad.xml")}, "", 1, Path("bad.xml") + ": not XML: "},
        {{"import", box, Path("bad.xml"), "--format", "json"}, "", 1, "give --format keepass-xml"},
        {{"import", box, Path("missing.json")}, "", 3, Path("missing.json") + ": cannot read the file"},
        {{"import", box, Path("good.json"), "--format", "yaml"}, "", 2, ""},
        {{"import", box, Path("good.json")}, "wrong\n", 1, box + ": wrong password"},
        {{"import", Path("nobox.zmb"), Path("good.json")}, kPwd + "\n", 3, Path("nobox.zmb") + ": no such file"},
    };
    for (const TCase& c : cases) {
        const TCliResult r = RunCli(c.Args, c.Input);
        EXPECT_EQ(r.Code, c.Code) << c.Args[2] << ": " << r.Err;
        EXPECT_EQ(r.Out, "") << c.Args[2];
        if (!c.InErr.empty()) {
            EXPECT_EQ(Lines(r.Err).size(), 1u) << r.Err;
            EXPECT_NE(r.Err.find(c.InErr), std::string::npos) << r.Err;
        }
        EXPECT_EQ(ReadFile(box), before) << c.Args[2];
    }
}

// The whole input is checked before the box is opened, also when storing reads it a second
// time: a fault in the last entry, after many good ones, leaves the box as it was to the byte.
TEST_F(TransferTest, AFaultInTheLastEntryOfALargeInputWritesNothing)
{
    const std::string box = NewBox("box.zmb");
    Fill(box);
    const std::string before = ReadFile(box);
    const int n = 3000; // inputs of several read pieces
    std::string xml = "<KeePassFile><Root><Group><Name>r</Name>\n";
    std::string csv = "Group,Title,Notes\n";
    std::string json = "{\"format\":\"zembrix-export\",\"version\":1,\"web\":[\n";
    for (int i = 0; i < n; ++i) {
        const std::string t = "entry-" + std::to_string(i) + " " + std::string(100, 'x');
        xml += "<Entry><String><Key>Title</Key><Value>" + t + "</Value></String></Entry>\n";
        csv += "<网上信息>," + t + ",note\n";
        json += "{\"folder\":1,\"title\":\"" + t + "\"},\n";
    }
    WriteFile(Path("last.xml"), xml + "<Entry><String><Key>Password</Key><Value Protected=\"True\">eA==</Value>"
                                      "</String></Entry>\n</Group></Root></KeePassFile>\n");
    WriteFile(Path("last.csv"), csv + "<网上信息>,last,\xFF\n");
    WriteFile(Path("last.json"), json + "{\"folder\":1,\"title\":7}]}\n");
    // Packed, the same file; cut short, a damaged stream.
    const std::string good = xml + "</Group></Root></KeePassFile>\n";
    const std::string packed = GzipCompress(good);
    WriteFile(Path("cut.xml"), packed.substr(0, packed.size() - 9));
    struct TCase {
        std::string Input, InErr;
    } cases[] = {
        {"last.xml", "line " + std::to_string(n + 2) + ": a protected value"},
        {"last.csv", "line " + std::to_string(n + 2) + ": the text is not UTF-8"},
        {"last.json", "not a zembrix-cli JSON export: web[" + std::to_string(n) + "].title: a string expected"},
        {"cut.xml", "gzip-packed, but the stream is damaged"},
    };
    for (const TCase& c : cases) {
        const TCliResult r = RunCli({"import", box, Path(c.Input)}, kPwd + "\n");
        EXPECT_EQ(r.Code, 1) << c.Input << ": " << r.Err;
        EXPECT_EQ(r.Out, "") << c.Input;
        EXPECT_NE(r.Err.find(Path(c.Input) + ": " + c.InErr), std::string::npos) << r.Err;
        EXPECT_EQ(ReadFile(box), before) << c.Input;
    }

    // The good file imports the same whether packed or not.
    WriteFile(Path("good.xml"), good);
    WriteFile(Path("good.xml.gz"), packed);
    const std::string plainBox = NewBox("plain.zmb"), packedBox = NewBox("packed.zmb");
    EXPECT_NE(Ok({"import", plainBox, Path("good.xml")}).Out.find("Imported " + std::to_string(n) + " entries"),
              std::string::npos);
    Ok({"import", packedBox, Path("good.xml.gz")}); // the format by the name without ".gz"
    EXPECT_EQ(Ok({"export", packedBox, "--format", "csv"}).Out, Ok({"export", plainBox, "--format", "csv"}).Out);
}

TEST_F(TransferTest, KeePassXCReadsOurKeePassXmlFieldByField)
{
    const std::string box = NewBox("box.zmb");
    Fill(box);
    const TCanon c = Canonical(box);
    Ok({"export", box, "--format", "keepass-xml", "-o", Path("box.xml")});
    const std::string db = Path("box.kdbx");
    Peer({"import", "-p", Path("box.xml"), db}, kPeerPwd + "\n");

    // The tree: every folder a group, every entry under its folder's path.
    std::vector<std::string> expected, listed;
    for (const json& f : c.Folders)
        expected.push_back(f["path"].get<std::string>() + "/");
    for (const json& e : c.Entries)
        expected.push_back(e["folder"].get<std::string>() + "/" + e.value("title", e.value("bank", "")));
    for (const std::string& line : Lines(Peer({"ls", "-R", "-f", db})))
        if (line.find("[empty]") == std::string::npos)
            listed.push_back(line);
    std::sort(expected.begin(), expected.end());
    std::sort(listed.begin(), listed.end());
    EXPECT_EQ(listed, expected);

    // Every field of every entry, as the peer shows it.
    auto show = [&](const json& E, std::vector<std::string> Attributes) {
        const std::string path = E["folder"].get<std::string>() + "/" + E.value("title", E.value("bank", ""));
        std::vector<std::string> args{"show", "-s"};
        for (const std::string& a : Attributes)
            args.insert(args.end(), {"-a", a});
        args.insert(args.end(), {db, path});
        return Peer(args);
    };
    for (const json& e : c.Entries) {
        SCOPED_TRACE(e.dump());
        const std::string kind = e["kind"];
        if (kind == "web") {
            std::vector<std::string> attributes{"Title", "UserName", "Password", "URL", "Notes"};
            std::string want = e["title"].get<std::string>() + "\n" + e["user"].get<std::string>() + "\n" +
                               e["password"].get<std::string>() + "\n" + e["link"].get<std::string>() + "\n" +
                               e["comments"].get<std::string>() + "\n";
            if (!e["email"].get<std::string>().empty()) {
                attributes.push_back("E-mail");
                want += e["email"].get<std::string>() + "\n";
            }
            EXPECT_EQ(show(e, attributes), want);
        } else if (kind == "bank") {
            EXPECT_EQ(show(e, {"Title", "UserName", "Password", "Notes", "Account type", "Account number"}),
                      e["bank"].get<std::string>() + "\n" + e["holder"].get<std::string>() + "\n" +
                          e["password"].get<std::string>() + "\n" + e["comments"].get<std::string>() + "\n" +
                          e["type"].get<std::string>() + "\n" + e["account"].get<std::string>() + "\n");
        } else {
            EXPECT_EQ(show(e, {"Title", "Notes"}), e["title"].get<std::string>() + "\n" + e["body"].get<std::string>() + "\n");
            const std::string path = e["folder"].get<std::string>() + "/" + e["title"].get<std::string>();
            for (const json& a : e["attachments"]) {
                // To a file: on standard output the peer writes the bytes as text.
                const std::string file = Path("peer-" + a["name"].get<std::string>());
                Peer({"attachment-export", db, path, a["name"].get<std::string>(), file});
                const std::string bytes = ReadFile(file);
                std::string want;
                if (a["name"] == "data.bin")
                    want = Binary(70000);
                else if (a["name"] == "路由器设置.txt")
                    want = "管理地址 192.168.1.1\n";
                EXPECT_EQ(bytes, want) << a["name"];
            }
        }
    }
}

TEST_F(TransferTest, ADatabaseMadeByKeePassXCImportsEntryByEntry)
{
    const std::string db = Path("peer.kdbx");
    Peer({"db-create", "-p", db}, kPeerPwd + "\n");
    Peer({"mkdir", db, "网上"});
    Peer({"mkdir", db, "网上/子"});
    Peer({"add", "-u", "张三", "--url", "http://x.cn", "--notes", "第一行\n第二行", "-p", db, "网上/子/条目一"},
         "secret密码\n");
    Peer({"add", "-u", "li", "-p", db, "根条目"}, "pw2\n");
    const std::string longTitle = Repeat("长", 20);
    Peer({"add", "-u", "u", db, "网上/子/" + longTitle});
    Peer({"add", "-u", "scanner", "--notes", "扫描", db, "网上/扫描件"});
    WriteFile(Path("scan.bin"), Binary(5000));
    Peer({"attachment-import", db, "网上/扫描件", "扫描.bin", Path("scan.bin")});
    WriteFile(Path("peer.xml"), Peer({"export", "-f", "xml", db}));
    WriteFile(Path("peer.csv"), Peer({"export", "-f", "csv", db}));

    for (const char* format : {"keepass-xml", "csv"}) {
        SCOPED_TRACE(format);
        const std::string box = NewBox(std::string("box-") + format + ".zmb");
        const std::string input = Path(format == std::string("csv") ? "peer.csv" : "peer.xml");
        const TCliResult r = Ok({"import", box, input});
        EXPECT_NE(r.Out.find("Imported 4 entries"), std::string::npos) << r.Out;
        EXPECT_NE(r.Err.find("Title takes 40 bytes in the box, 30 fit"), std::string::npos) << r.Err;
        const TCanon c = Canonical(box);

        const json* web = Entry(c, "条目一");
        ASSERT_NE(web, nullptr);
        EXPECT_EQ((*web)["kind"], "web");
        EXPECT_EQ((*web)["folder"], "<网上信息>/网上/子");
        EXPECT_EQ((*web)["user"], "张三");
        EXPECT_EQ((*web)["password"], "secret密码");
        EXPECT_EQ((*web)["link"], "http://x.cn");
        EXPECT_EQ((*web)["comments"], "第一行\n第二行");
        const json* root = Entry(c, "根条目");
        ASSERT_NE(root, nullptr);
        EXPECT_EQ((*root)["folder"], "<网上信息>");
        EXPECT_EQ((*root)["password"], "pw2");
        const json* cut = Entry(c, Repeat("长", 15));
        ASSERT_NE(cut, nullptr);
        EXPECT_EQ((*cut)["comments"], "Title: " + longTitle);

        const json* scan = Entry(c, "扫描件");
        ASSERT_NE(scan, nullptr);
        if (format == std::string("csv")) {
            // CSV carries no files: a web entry like the others.
            EXPECT_EQ((*scan)["kind"], "web");
            EXPECT_EQ((*scan)["folder"], "<网上信息>/网上");
            EXPECT_EQ((*scan)["user"], "scanner");
            EXPECT_NE(r.Out.find("note: \"Passwords\", the first group name"), std::string::npos) << r.Out;
        } else {
            // The entry with a file becomes a general entry; its other fields go into the body.
            EXPECT_EQ((*scan)["kind"], "notes");
            EXPECT_EQ((*scan)["folder"], "<通用数据>/网上");
            EXPECT_EQ((*scan)["body"], "扫描\nUserName: scanner");
            ASSERT_EQ((*scan)["attachments"].size(), 1u);
            EXPECT_EQ((*scan)["attachments"][0]["name"], "扫描.bin");
            EXPECT_EQ((*scan)["attachments"][0]["size"], 5000);
            const std::string id = std::to_string(
                json::parse(Ok({"attach", "ls", box, "note:1", "--json"}).Out)[0]["id"].get<int>());
            EXPECT_EQ(Ok({"attach", "get", box, id}).Out, Binary(5000));
            EXPECT_NE(r.Out.find("foreign entry with 1 attachments from group \"网上\": a general entry"),
                      std::string::npos) << r.Out;
        }
    }
}

} // namespace
