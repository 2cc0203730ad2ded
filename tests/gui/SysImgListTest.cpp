#include "services/qt/SysImgList.h"

#include "gui/TestIconTheme.h"
#include "services/TempDir.h"

#include <gtest/gtest.h>

namespace {

class SysImgListTest : public ::testing::Test {
protected:
    TTestIconTheme FTheme;
    TTempDir FDir;
    TSysImageList FList;
};

TEST_F(SysImgListTest, ExtensionKeys)
{
    const std::pair<const char*, const char*> cases[] = {
        {"Report.PDF", ".PDF"}, {"archive.tar.gz", ".gz"},     {"README", ".UnknownExt"},
        {"x.", "."},            {"dir.d/file", ".UnknownExt"}, {".pdf", ".pdf"},
    };
    for (const auto& [name, key] : cases)
        EXPECT_EQ(TSysImageList::ExtKey(name), key) << name;
}

TEST_F(SysImgListTest, OneEntryPerExtensionWhateverItsCase)
{
    const int pdf = FList.GetIconIndexFromExt("Report.PDF");
    EXPECT_EQ(FList.GetIconIndexFromExt("x.pdf"), pdf);
    EXPECT_EQ(FList.CacheCount(), 1);
    EXPECT_FALSE(FList.Icon(pdf).isNull());

    const int txt = FList.GetIconIndexFromExt("notes.txt");
    EXPECT_NE(txt, pdf);
    EXPECT_EQ(FList.CacheCount(), 2);

    // No extension and an extension nobody knows: a plain file icon from the style.
    const int none = FList.GetIconIndexFromExt("Makefile");
    EXPECT_EQ(FList.GetIconIndexFromExt("data.zzqqxx"), none);
    EXPECT_FALSE(FList.Icon(none).isNull());
    EXPECT_EQ(FList.CacheCount(), 4);
    EXPECT_EQ(FList.Count(), 3); // pdf, text, plain file: each icon held once
    EXPECT_TRUE(FList.Icon(-1).isNull());
    EXPECT_TRUE(FList.Icon(FList.Count()).isNull());
}

TEST_F(SysImgListTest, FoldersAndRealFiles)
{
    const int closed = FList.GetFolderIconIndex(false);
    const int open = FList.GetFolderIconIndex(true);
    EXPECT_NE(closed, open);
    EXPECT_EQ(FList.GetFolderIconIndex(true), open);
    EXPECT_EQ(FList.CacheCount(), 2);

    EXPECT_EQ(FList.GetIconIndexFromPath(QString::fromStdString(FDir.Path().string())), closed);
    // A file without extension is judged by its content.
    WriteAll(FDir / "scan", "%PDF-1.4\n%\xE2\xE3\xCF\xD3\n");
    EXPECT_EQ(FList.GetIconIndexFromPath(QString::fromStdString(FDir / "scan")), FList.GetIconIndexFromExt("a.pdf"));
}

} // namespace
