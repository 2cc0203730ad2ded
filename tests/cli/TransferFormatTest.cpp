// The export formats without a box: every writer read back by its reader with every field of
// every kind, and what the readers make of files written elsewhere, malformed ones included.
#include "cli/CliError.h"
#include "cli/transfer/Base64.h"
#include "cli/transfer/FormatCsv.h"
#include "cli/transfer/FormatJson.h"
#include "cli/transfer/FormatKeePassXml.h"
#include "cli/transfer/Gzip.h"
#include "cli/transfer/ImportReader.h"
#include "cli/transfer/SecretMemory.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

// ---- a small box, as an export reads it ----

TSnapshotFolder Folder(int32_t ID, int32_t Parent, const std::string& Name, int32_t Sort, const std::string& Path)
{
    TSnapshotFolder f;
    f.Folder = {ID, Parent, Name, Sort};
    f.Path = Path;
    return f;
}

std::string Binary(std::size_t Size)
{
    std::string b;
    for (std::size_t i = 0; i < Size; ++i)
        b.push_back(static_cast<char>((i * 7919) % 256)); // zero bytes and every other value
    return b;
}

TBoxSnapshot Sample()
{
    TBoxSnapshot s;
    s.Name = "家";
    s.Folders = {Folder(1, 0, "<网上信息>", 1, "<网上信息>"),
                 Folder(4, 1, "电子邮件", 10, "<网上信息>/电子邮件"),
                 Folder(18, 4, "子 & <目录>", 5, "<网上信息>/电子邮件/子 & <目录>"),
                 Folder(2, 0, "<银行账号>", 2, "<银行账号>"),
                 Folder(9, 2, "招商银行", 10, "<银行账号>/招商银行"),
                 Folder(3, 0, "<通用数据>", 3, "<通用数据>"),
                 Folder(15, 3, "重要纪事", 10, "<通用数据>/重要纪事")};
    s.Folders[0].Children = {1};
    s.Folders[1].Children = {2};
    s.Folders[3].Children = {4};
    s.Folders[5].Children = {6};
    s.Categories = {0, 3, 5};

    TZmbNetItem w;
    w.ID = 7;
    w.FolderID = 4;
    w.Caption = "工作邮箱";
    w.UserName = "张伟";
    w.Password = "p\"á,55&<中>";
    w.Hyperlink = "https://mail.example.com/?a=1&b=2";
    w.Email = "zw@example.com";
    w.Comments = "第一行\r\n第二行, \"quoted\"\n\n  indented  \n";
    w.SortCode = 10;
    s.Folders[1].Web.push_back(w);
    TZmbNetItem w2;
    w2.ID = 8;
    w2.FolderID = 4;
    w2.Caption = "labels in the comments";
    w2.Comments = "E-mail: not a field\nComments: nor this";
    w2.SortCode = 20;
    s.Folders[1].Web.push_back(w2);
    TZmbNetItem w3;
    w3.ID = 9;
    w3.FolderID = 18;
    w3.Caption = "   ";
    w3.SortCode = -5;
    s.Folders[2].Web.push_back(w3);

    TZmbBankItem b;
    b.ID = 1;
    b.FolderID = 9;
    b.BankName = "招商银行";
    b.AccType = "一卡通";
    b.UserName = "张伟";
    b.Account = "6225 8812 3456 7890";
    b.Password = "246810";
    b.Comments = "网银\n两行";
    b.SortCode = 10;
    s.Folders[4].Bank.push_back(b);

    TSnapshotNote n;
    n.Item.ID = 3;
    n.Item.FolderID = 15;
    n.Item.Caption = "家里";
    n.Item.Comments = "Wi-Fi 密码：sunflower\r\n\t缩进\n";
    n.Item.SortCode = 30;
    TAttachData a1;
    a1.ID = 1;
    a1.Name = "路由器 设置.bin";
    a1.Bin = Binary(70000);
    a1.Size = 70000;
    TAttachData a2;
    a2.ID = 2;
    a2.Name = "empty";
    a2.Size = 0;
    n.Attachments = {a1, a2};
    s.Folders[6].Notes.push_back(n);
    s.WebCount = 3;
    s.BankCount = 1;
    s.NoteCount = 1;
    s.AttachmentCount = 2;
    return s;
}

std::string Write(const std::function<void(TSecretText&)>& Writer)
{
    TSecretText out;
    Writer(out);
    return out.Str();
}

const TImportEntry* Find(const TImportData& Data, const std::string& Caption)
{
    for (const TImportEntry& e : Data.Entries)
        if (e.Caption() == Caption)
            return &e;
    return nullptr;
}

std::vector<std::string> Names(std::initializer_list<const char*> L)
{
    return std::vector<std::string>(L.begin(), L.end());
}

// The message the reader raised for Text.
std::string Rejection(const std::function<TImportData(std::string&, const std::string&)>& Reader, std::string Text)
{
    try {
        Reader(Text, "in.file");
    } catch (const ECliError& e) {
        EXPECT_EQ(e.Code(), ecRejected) << e.Message();
        return e.Message();
    }
    return "(accepted)";
}

// ---- tests ----

TEST(TransferFormat, EveryWriterIsReadBackWithEveryFieldOfEveryKind)
{
    const TBoxSnapshot snap = Sample();
    struct TCase {
        const char* Name;
        std::function<void(TSecretText&)> Write;
        std::function<TImportData(std::string&, const std::string&)> Read;
        bool Attachments, SortCodes;
    } cases[] = {
        {"json", [&](TSecretText& o) { WriteJsonExport(snap, o); }, ReadJsonImport, true, true},
        {"csv", [&](TSecretText& o) { WriteCsvExport(snap, o); }, ReadCsvImport, false, false},
        {"keepass-xml",
         [&](TSecretText& o) {
             std::vector<std::string> warnings;
             WriteKeePassXmlExport(snap, o, warnings);
             EXPECT_TRUE(warnings.empty());
         },
         ReadKeePassXmlImport, true, false},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        std::string text = Write(c.Write);
        const TImportData d = c.Read(text, "export");
        EXPECT_TRUE(d.Notices.empty()) << d.Notices.front();
        ASSERT_EQ(d.Entries.size(), 5u);

        const TImportEntry* w = Find(d, "工作邮箱");
        ASSERT_NE(w, nullptr);
        EXPECT_EQ(w->Kind, ztNetItem);
        EXPECT_EQ(w->Folder.Category, 1);
        EXPECT_EQ(w->Folder.Names, Names({"电子邮件"}));
        EXPECT_EQ(w->Web.UserName, "张伟");
        EXPECT_EQ(w->Web.Password.str(), "p\"á,55&<中>");
        EXPECT_EQ(w->Web.Hyperlink, "https://mail.example.com/?a=1&b=2");
        EXPECT_EQ(w->Web.Email, "zw@example.com");
        EXPECT_EQ(w->Web.Comments, "第一行\r\n第二行, \"quoted\"\n\n  indented  \n");
        EXPECT_TRUE(w->Extra.empty());
        const TImportEntry* w2 = Find(d, "labels in the comments");
        ASSERT_NE(w2, nullptr);
        EXPECT_EQ(w2->Web.Email, "");
        EXPECT_EQ(w2->Web.Comments, "E-mail: not a field\nComments: nor this");
        const TImportEntry* w3 = Find(d, "   ");
        ASSERT_NE(w3, nullptr);
        EXPECT_EQ(w3->Folder.Names, Names({"电子邮件", "子 & <目录>"}));

        const TImportEntry* b = Find(d, "招商银行");
        ASSERT_NE(b, nullptr);
        EXPECT_EQ(b->Kind, ztBankItem);
        EXPECT_EQ(b->Folder.Category, 2);
        EXPECT_EQ(b->Bank.AccType, "一卡通");
        EXPECT_EQ(b->Bank.UserName, "张伟");
        EXPECT_EQ(b->Bank.Account, "6225 8812 3456 7890");
        EXPECT_EQ(b->Bank.Password.str(), "246810");
        EXPECT_EQ(b->Bank.Comments, "网银\n两行");
        EXPECT_TRUE(b->Extra.empty());

        const TImportEntry* n = Find(d, "家里");
        ASSERT_NE(n, nullptr);
        EXPECT_EQ(n->Kind, ztCommItem);
        EXPECT_EQ(n->Folder.Category, 3);
        EXPECT_EQ(n->Folder.Names, Names({"重要纪事"}));
        EXPECT_EQ(n->Note.Comments, "Wi-Fi 密码：sunflower\r\n\t缩进\n");
        EXPECT_TRUE(n->Extra.empty());
        if (c.Attachments) {
            ASSERT_EQ(n->Attachments.size(), 2u);
            EXPECT_EQ(n->Attachments[0].Name, "路由器 设置.bin");
            EXPECT_EQ(n->Attachments[0].Bin.str(), Binary(70000));
            EXPECT_EQ(n->Attachments[0].Size, 70000);
            EXPECT_EQ(n->Attachments[1].Name, "empty");
            EXPECT_EQ(n->Attachments[1].Bin.str(), "");
        } else
            EXPECT_TRUE(n->Attachments.empty());

        if (c.SortCodes) {
            EXPECT_EQ(w3->SortCode, -5);
            ASSERT_EQ(d.Folders.size(), 4u); // the categories are not created
            EXPECT_EQ(d.Folders[1].Ref.Names, Names({"电子邮件", "子 & <目录>"}));
            EXPECT_EQ(d.Folders[1].SortCode, 5);
        } else {
            // File order stands for the order within a folder.
            EXPECT_LT(w - d.Entries.data(), w2 - d.Entries.data());
        }
    }
}

TEST(TransferFormat, KeePassXmlOfAnotherProgramMapsForeignEntriesAndRefusesWhatItCannotRead)
{
    // As the usual managers write it: a root group, history, tags, a custom string, a pooled
    // gzip binary and a recycle bin.
    const std::string file = R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<KeePassFile>
	<Meta>
		<Generator>Other</Generator>
		<RecycleBinEnabled>True</RecycleBinEnabled>
		<RecycleBinUUID>cmVjeWNsZWJpbnV1aWQxMg==</RecycleBinUUID>
		<Binaries>
			<Binary ID="0" Compressed="True">H4sIAAAAAAAAA8tIzcnJ5wIAIDA6NgYAAAA=</Binary>
		</Binaries>
	</Meta>
	<Root>
		<Group>
			<UUID>cm9vdGdyb3VwdXVpZDEyMw==</UUID>
			<Name>Passwords</Name>
			<Entry>
				<String><Key>Title</Key><Value>at the root</Value></String>
			</Entry>
			<Group>
				<Name>网上</Name>
				<Group>
					<Name>子</Name>
					<Entry>
						<Tags>work;mail</Tags>
						<String><Key>Notes</Key><Value>第一行
第二行</Value></String>
						<String><Key>Password</Key><Value ProtectInMemory="True">secret密码</Value></String>
						<String><Key>Title</Key><Value>条目一</Value></String>
						<String><Key>URL</Key><Value>http://x.cn</Value></String>
						<String><Key>UserName</Key><Value>张三</Value></String>
						<String><Key>PIN</Key><Value>1234</Value></String>
						<History><Entry><String><Key>Title</Key><Value>old</Value></String></Entry></History>
					</Entry>
					<Entry>
						<String><Key>Title</Key><Value>扫描件</Value></String>
						<String><Key>UserName</Key><Value>u</Value></String>
						<String><Key>Notes</Key><Value>n</Value></String>
						<Binary><Key>附件.txt</Key><Value Ref="0"/></Binary>
						<Binary><Key>inline.txt</Key><Value>aW5saW5l</Value></Binary>
					</Entry>
				</Group>
			</Group>
			<Group>
				<UUID>cmVjeWNsZWJpbnV1aWQxMg==</UUID>
				<Name>Recycle Bin</Name>
				<Entry><String><Key>Title</Key><Value>deleted</Value></String></Entry>
			</Group>
			<Group><Name>empty</Name></Group>
		</Group>
	</Root>
</KeePassFile>
)";
    std::string text = file;
    const TImportData d = ReadKeePassXmlImport(text, "in.xml");
    EXPECT_EQ(text, ""); // wiped
    ASSERT_EQ(d.Entries.size(), 3u);
    EXPECT_EQ(d.Entries[0].Web.Caption, "at the root");
    EXPECT_EQ(d.Entries[0].Folder.Category, 1);
    EXPECT_TRUE(d.Entries[0].Folder.Names.empty());

    const TImportEntry& web = d.Entries[1];
    EXPECT_EQ(web.Kind, ztNetItem);
    EXPECT_EQ(web.Folder.Category, 1);
    EXPECT_EQ(web.Folder.Names, Names({"网上", "子"}));
    EXPECT_EQ(web.Web.Caption, "条目一");
    EXPECT_EQ(web.Web.UserName, "张三");
    EXPECT_EQ(web.Web.Password.str(), "secret密码");
    EXPECT_EQ(web.Web.Hyperlink, "http://x.cn");
    EXPECT_EQ(web.Web.Comments, "第一行\n第二行");
    EXPECT_EQ(web.Extra, (std::vector<TLabelledLine>{{"PIN", "1234"}, {"Tags", "work;mail"}}));
    EXPECT_NE(web.How.find("foreign entry from group \"网上/子\""), std::string::npos) << web.How;
    EXPECT_NE(web.Source.find("line 22"), std::string::npos) << web.Source;

    const TImportEntry& files = d.Entries[2];
    EXPECT_EQ(files.Kind, ztCommItem);
    EXPECT_EQ(files.Folder.Category, 3);
    EXPECT_EQ(files.Folder.Names, Names({"网上", "子"}));
    EXPECT_EQ(files.Note.Caption, "扫描件");
    EXPECT_EQ(files.Note.Comments, "n");
    EXPECT_EQ(files.Extra, (std::vector<TLabelledLine>{{"UserName", "u"}}));
    ASSERT_EQ(files.Attachments.size(), 2u);
    EXPECT_EQ(files.Attachments[0].Name, "附件.txt");
    EXPECT_EQ(files.Attachments[0].Bin.str(), "hello\n");
    EXPECT_EQ(files.Attachments[1].Bin.str(), "inline");

    // Every group is mirrored, the empty one too; the recycle bin and the history are left out
    // and said so.
    ASSERT_EQ(d.Folders.size(), 3u);
    EXPECT_EQ(d.Folders[2].Ref.Names, Names({"empty"}));
    ASSERT_EQ(d.Notices.size(), 2u);
    EXPECT_NE(d.Notices[0].find("recycle bin"), std::string::npos);
    EXPECT_NE(d.Notices[1].find("1 older versions"), std::string::npos);

    struct TBad {
        std::string Text, InMessage;
    } bad[] = {
        {"<KeePassFile><Root><Group>\n<Entry>\n</Group></Root></KeePassFile>", "in.file: not XML: "},
        {"<KeePassFile><Root><Group>\n<Entry>\n</Group></Root></KeePassFile>", "at line 3, column"},
        {"<?xml version=\"1.0\"?>\n<Database/>", "line 2: the document is <Database>"},
        {"<KeePassFile><Meta/></KeePassFile>", "has no <Root>"},
        {"<KeePassFile><Root>\n<Group><Entry><String><Key>Password</Key>\n<Value Protected=\"True\">x2Fk</Value>"
         "</String></Entry></Group></Root></KeePassFile>",
         "line 3: a protected value is enciphered"},
        {"<KeePassFile><Root><Group>\n\n<Entry><Binary><Key>a</Key><Value Ref=\"7\"/></Binary></Entry>"
         "</Group></Root></KeePassFile>",
         "line 3: the binary 7 is not in <Meta><Binaries>"},
        {"<KeePassFile><Root><Group><Entry><Binary><Key>a</Key><Value>not*base64</Value></Binary></Entry>"
         "</Group></Root></KeePassFile>",
         "not base64"},
        {"<KeePassFile><Root><Group><Entry><Binary><Key>a</Key><Value Compressed=\"True\">aGVsbG8=</Value>"
         "</Binary></Entry></Group></Root></KeePassFile>",
         "no complete gzip stream"},
        {"<KeePassFile><Root><Group><Entry><String><Key>Title</Key><Value>\xC3\x28</Value></String></Entry>"
         "</Group></Root></KeePassFile>",
         "not UTF-8"},
    };
    for (const TBad& b : bad)
        EXPECT_NE(Rejection(ReadKeePassXmlImport, b.Text).find(b.InMessage), std::string::npos)
            << b.InMessage << ": " << Rejection(ReadKeePassXmlImport, b.Text);
}

TEST(TransferFormat, CsvOfAnotherProgramAndMalformedCsvNameTheirLines)
{
    // A root group starting every path, a BOM, CRLF rows, quotes doubled, a line break and
    // spaces inside fields, columns in another order and an extra one.
    std::string text = "\xEF\xBB\xBF\"Title\",\"Group\",\"Extra\",\"Username\",\"Password\",\"URL\",\"Notes\",\"TOTP\"\r\n"
                       "\"条目一\",\"Passwords/网上/子\",\"x\",\"张三\",\"se\"\"cret\",\"http://x.cn\",\"第一行\r\n第二行\","
                       "\"otpauth://totp/x\"\r\n"
                       " plain ,Passwords,,u,,,, \r\n"
                       ",,,,,,,\r\n";
    const TImportData d = ReadCsvImport(text, "in.csv");
    ASSERT_EQ(d.Entries.size(), 2u);
    const TImportEntry& e = d.Entries[0];
    EXPECT_EQ(e.Kind, ztNetItem);
    EXPECT_EQ(e.Source, "line 2");
    EXPECT_EQ(e.Folder.Names, Names({"网上", "子"}));
    EXPECT_EQ(e.Web.Password.str(), "se\"cret");
    EXPECT_EQ(e.Web.Comments, "第一行\r\n第二行");
    EXPECT_EQ(e.Extra, (std::vector<TLabelledLine>{{"TOTP", "otpauth://totp/x"}}));
    EXPECT_EQ(d.Entries[1].Source, "line 4");
    EXPECT_EQ(d.Entries[1].Web.Caption, " plain "); // spaces belong to the field
    EXPECT_TRUE(d.Entries[1].Folder.Names.empty());
    ASSERT_EQ(d.Notices.size(), 2u);
    EXPECT_NE(d.Notices[0].find("\"Passwords\", the first group name"), std::string::npos) << d.Notices[0];
    EXPECT_NE(d.Notices[1].find("1 rows without any text"), std::string::npos) << d.Notices[1];

    // Our own categories come back as their kinds, with the labelled lines read.
    text = "Group,Title,Username,Password,Notes\n"
           "<银行账号>/招商银行,招商银行,张伟,1,\"Account type: 一卡通\nAccount number: 6225\nComments: 网银\"\n"
           "<通用数据>,n,u,,body\n";
    const TImportData ours = ReadCsvImport(text, "in.csv");
    ASSERT_EQ(ours.Entries.size(), 2u);
    EXPECT_EQ(ours.Entries[0].Kind, ztBankItem);
    EXPECT_EQ(ours.Entries[0].Bank.AccType, "一卡通");
    EXPECT_EQ(ours.Entries[0].Bank.Account, "6225");
    EXPECT_EQ(ours.Entries[0].Bank.Comments, "网银");
    EXPECT_EQ(ours.Entries[1].Kind, ztCommItem);
    EXPECT_EQ(ours.Entries[1].Extra, (std::vector<TLabelledLine>{{"Username", "u"}}));
    EXPECT_TRUE(ours.Notices.empty());

    struct TBad {
        std::string Text, InMessage;
    } bad[] = {
        {"Title,Notes\na,b\n\"c\"x,d\n", "in.file: not CSV: line 3"},
        {"Title,Notes\na,\"open\nstill open\n", "not CSV: line 2: a quoted field"},
        {"Title,Notes\na,b\"c\n", "not CSV: line 2"},
        {"", "line 1: the file holds no header row"},
        {"a,b\n1,2\n", "line 1: the first row does not name the columns"},
        {"Title\nok\n\xFF\xFE\n", "line 3: the text is not UTF-8"},
    };
    for (const TBad& b : bad)
        EXPECT_NE(Rejection(ReadCsvImport, b.Text).find(b.InMessage), std::string::npos)
            << b.InMessage << ": " << Rejection(ReadCsvImport, b.Text);
}

TEST(TransferFormat, MalformedJsonNamesTheLineOrElement)
{
    const std::string head = R"({"format":"zembrix-export","version":1,)";
    struct TBad {
        std::string Text, InMessage;
    } bad[] = {
        {"{\n\"format\": \"zembrix-export\",\n\"version\": 1,,\n}", "not JSON: parse error at line 3"},
        {R"({"format":"other","version":1})", "format: \"zembrix-export\" expected"},
        {R"({"format":"zembrix-export","version":2})", "version 2 is not known"},
        {head + R"("folders":[{"id":4,"parent":1,"name":"a"}]})", "folders[0]: \"sort\" is missing"},
        {head + R"("folders":[{"id":40,"parent":0,"name":"a","sort":1}]})", "none of the three categories"},
        {head + R"("folders":[{"id":4,"parent":5,"name":"a","sort":1},{"id":5,"parent":4,"name":"b","sort":1}]})",
         "its parents form a loop"},
        {head + R"("folders":[{"id":4,"parent":77,"name":"a","sort":1}]})", "parent folder 77 is not in the file"},
        {head + R"("web":[{"folder":1,"title":"t"},{"folder":12,"title":"u"}]})", "web[1].folder: folder 12"},
        {head + R"("bank":[{"folder":2,"password":7}]})", "bank[0].password: a string expected"},
        {head + R"("notes":[{"folder":3,"attachments":[{"name":"a","data":"YWJj!"}]}]})",
         "notes[0].attachments[0].data: not base64"},
        {head + R"("notes":[{"folder":3,"attachments":[{"name":"a"}]}]})", "\"data\" is missing"},
        {head + R"("notes":[{"folder":3,"attachments":[{"name":"a","size":30000000,"data":""}]}]})",
         "notes[0].attachments[0].data: empty, but the size is 30000000 bytes: the attachment's content is not in the "
         "file"},
    };
    for (const TBad& b : bad)
        EXPECT_NE(Rejection(ReadJsonImport, b.Text).find(b.InMessage), std::string::npos)
            << b.InMessage << ": " << Rejection(ReadJsonImport, b.Text);
    // The text the parser last read (perhaps a password) stays out of the message.
    EXPECT_EQ(Rejection(ReadJsonImport, head + "\"web\":[{\"password\":\"hunter2\x01\"}]}").find("hunter2"),
              std::string::npos);
}

TEST(TransferFormat, Base64AndGzipRefuseDamagedInput)
{
    std::string all;
    for (int i = 0; i < 256; ++i)
        all.push_back(static_cast<char>(i));
    std::string out;
    for (std::size_t n = 0; n <= all.size(); n += 37) {
        ASSERT_TRUE(DecodeBase64(EncodeBase64(all.substr(0, n)), out));
        EXPECT_EQ(out, all.substr(0, n));
    }
    EXPECT_EQ(EncodeBase64("abcd"), "YWJjZA==");
    ASSERT_TRUE(DecodeBase64("YWJj\r\nZA==\n", out));
    EXPECT_EQ(out, "abcd");
    for (const char* bad : {"YWJ", "YW=j", "Y===", "YWJjZA==YQ==", "YR==", "YWJjZB==", "YW*j", "YWJjZA="})
        EXPECT_FALSE(DecodeBase64(bad, out)) << bad;

    const std::string data = Binary(200000);
    const std::string packed = GzipCompress(data);
    ASSERT_TRUE(GzipDecompress(packed, out));
    EXPECT_EQ(out, data);
    EXPECT_FALSE(GzipDecompress(packed.substr(0, packed.size() / 2), out));
    EXPECT_TRUE(out.empty());
    EXPECT_FALSE(GzipDecompress(packed + "x", out));
    ASSERT_TRUE(GzipDecompress(GzipCompress(""), out));
    EXPECT_EQ(out, "");
    // A trailer that claims more than the stream can hold, or more than the caller takes, is
    // refused without unpacking.
    std::string claims = packed;
    claims.replace(claims.size() - 4, 4, "\xFF\xFF\xFF\x7F");
    EXPECT_FALSE(GzipDecompress(claims, out));
    EXPECT_FALSE(GzipDecompress(packed, out, data.size() - 1));
    EXPECT_TRUE(out.empty());
}

TEST(TransferFormat, KeePassXmlExportKeepsBinariesWithOneNameApartAndWarnsOfControlCharacters)
{
    TBoxSnapshot snap = Sample();
    TSnapshotNote& note = snap.Folders[6].Notes[0];
    note.Attachments[1].Name = note.Attachments[0].Name;
    note.Item.Comments = "bell\x07";
    std::vector<std::string> warnings;
    std::string text = Write([&](TSecretText& o) { WriteKeePassXmlExport(snap, o, warnings); });
    ASSERT_EQ(warnings.size(), 2u);
    EXPECT_NE(warnings[0].find("control characters"), std::string::npos) << warnings[0];
    EXPECT_NE(warnings[1].find("\"路由器 设置.bin (2)\""), std::string::npos) << warnings[1];
    const TImportData d = ReadKeePassXmlImport(text, "x");
    const TImportEntry* n = Find(d, "家里");
    ASSERT_NE(n, nullptr);
    EXPECT_EQ(n->Note.Comments, "bell\x07");
    ASSERT_EQ(n->Attachments.size(), 2u);
    EXPECT_EQ(n->Attachments[1].Name, "路由器 设置.bin (2)");
    EXPECT_EQ(n->Attachments[1].Bin.str(), "");
}

} // namespace

// What a reader made of a text: its entries (where each was read, kind, folder, title), folders
// and notices, or its message.
std::string ReadAs(const std::string& Format, std::string Text, std::size_t PieceBytes)
{
    try {
        const TImportData d = ReadImportText(Format, Text, "in.file", PieceBytes);
        std::string s;
        for (const TImportEntry& e : d.Entries) {
            s += e.Source + " " + std::to_string(e.Kind) + " " + std::to_string(e.Folder.Category);
            for (const std::string& n : e.Folder.Names)
                s += "/" + n;
            s += " " + e.Caption() + " [" + e.Web.Password.str() + e.Note.Comments + "]";
            for (const TAttachData& a : e.Attachments)
                s += " " + a.Name + "=" + a.Bin.str();
            s += "\n";
        }
        for (const TImportFolder& f : d.Folders)
            s += "folder " + std::to_string(f.Ref.Category) + " " + std::to_string(f.Ref.Names.size()) + "\n";
        for (const std::string& n : d.Notices)
            s += "note " + n + "\n";
        return s;
    } catch (const ECliError& e) {
        return "error " + e.Message();
    }
}

// Readers take their input in pieces: a line, an element, a string or a quoted field may end in
// another piece than it starts in, and the lines that messages name must not move.
TEST(TransferFormat, ReadingInSmallPiecesGivesWhatReadingWholeGives)
{
    const std::string gz = EncodeBase64(GzipCompress("packed bytes"));
    const struct TCase {
        const char* Format;
        std::string Text;
        std::string InResult; // part of what reading it whole gives
    } cases[] = {
        {"keepass-xml",
         "<?xml version=\"1.0\"?>\n<KeePassFile><Meta><Binaries><Binary ID=\"0\" Compressed=\"True\">" + gz +
             "</Binary></Binaries></Meta>\n<Root><Group><Name>r</Name>\n<Entry><String><Key>Title</Key>"
             "<Value>第一 &amp; 二</Value></String></Entry>\n<Group><Name>子</Name>\n<Entry><String><Key>Notes</Key>"
             "<Value>多\n行</Value></String><Binary><Key>f</Key><Value Ref=\"0\"/></Binary></Entry>\n</Group>\n"
             "</Group></Root></KeePassFile>\n",
         "line 6 3 3/子  [多\n行] f=packed bytes"},
        {"keepass-xml", "<KeePassFile><Root><Group>\n<Entry><String><Key>T\xE4\xB8\xADitle</Key><Value>x</Value>"
                        "</String></Entry>\n<Entry>\n</Group></Root></KeePassFile>",
         "error in.file: not XML: "},
        {"keepass-xml", "<KeePassFile><Root><Group>\n\n<Entry><String><Key>Title</Key><Value>cut in the mid",
         "error in.file: not XML: "},
        {"keepass-xml", "<KeePassFile><Root><Group>\n<Entry><String><Key>Title</Key><Value>a\xC3\x28</Value>",
         "line 2: <Value> holds text that is not UTF-8"},
        // Lists in any order: stored web, bank, notes, with folders that come after them.
        {"json", R"({"notes":[{"folder":4,"title":"n"}],"web":[{"folder":4,"title":"w","password":"p"}],)"
                 "\n\"folders\":[{\"id\":4,\"parent\":1,\"name\":\"a\",\"sort\":5}],\"format\":\"zembrix-export\",\"version\":1}",
         "web[0] 1 1/a w [p]\nnotes[0] 3 1/a n []\n"},
        {"json", "{\"format\":\"zembrix-export\",\"version\":1,\n\"web\":[{\"folder\":1,\"title\":\"cut in the mid",
         "error in.file: not JSON: parse error at line 2"},
        // A fault the text holds before the place where it stops being JSON: the latter is told.
        {"json", "{\"format\":\"other\",\n\"version\":1,,}", "error in.file: not JSON: parse error at line 2"},
        {"csv", "\xEF\xBB\xBFGroup,Title,Password,Notes\r\n<网上信息>/a,t1,p1,\"one\r\ntwo\"\r\nx,t2,,\r\n,,,\r\n",
         "line 4 1 1 t2 []"},
        {"csv", "Title,Notes\na,\"open\nstill open\n", "error in.file: not CSV: line 2: a quoted field"},
        {"csv", "Title,Notes\na,b\n\"c\"x,d\n", "error in.file: not CSV: line 3"},
        {"csv", "Title\nok\n\xFF\xFE\n", "error in.file: line 3: the text is not UTF-8"},
    };
    for (const TCase& c : cases) {
        const std::string whole = ReadAs(c.Format, c.Text, TImportSource::kPieceBytes);
        EXPECT_NE(whole.find(c.InResult), std::string::npos) << c.Text << "\n=> " << whole;
        for (const std::size_t piece : {1, 2, 3, 7, 64})
            EXPECT_EQ(ReadAs(c.Format, c.Text, piece), whole) << c.Text << " in pieces of " << piece;
    }
}

// A group's own entries are stored before those of its subgroups, also when the file lists some
// of them after a subgroup; the recycle bin is left out wherever the file names it.
TEST(TransferFormat, KeePassXmlEntriesAfterASubgroupKeepTheGroupOrder)
{
    std::string text = "<KeePassFile><Root><Group><Name>r</Name>\n"
                       "<Entry><String><Key>Title</Key><Value>a</Value></String></Entry>\n"
                       "<Group><UUID>QkJC</UUID><Name>bin</Name>\n"
                       "<Entry><String><Key>Password</Key><Value Protected=\"True\">x</Value></String></Entry>\n"
                       "</Group>\n"
                       "<Group><Name>g</Name>\n"
                       "<Entry><String><Key>Title</Key><Value>c</Value></String></Entry>\n"
                       "</Group>\n"
                       "<Entry><String><Key>Title</Key><Value>b</Value></String></Entry>\n"
                       "</Group></Root>\n"
                       "<Meta><RecycleBinUUID>QkJC</RecycleBinUUID></Meta></KeePassFile>\n";
    const TImportData d = ReadImportText("keepass-xml", text, "in.xml", 5);
    ASSERT_EQ(d.Entries.size(), 3u);
    EXPECT_EQ(d.Entries[0].Caption() + d.Entries[1].Caption() + d.Entries[2].Caption(), "abc");
    EXPECT_EQ(d.Entries[1].Source, "line 9");
    ASSERT_EQ(d.Notices.size(), 1u);
    EXPECT_NE(d.Notices[0].find("the recycle bin (group \"bin\", 1 entries)"), std::string::npos) << d.Notices[0];
}
