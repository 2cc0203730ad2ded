#include "dataproc/Exception.h"
#include "dataproc/FilePaths.h"
#include "dataproc/FileStream.h"
#include "dataproc/MemoryStream.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <sys/wait.h>
#include <unistd.h>

namespace {

TEST(StreamTest, MemoryStreamBasics)
{
    TMemoryStream s;
    EXPECT_EQ(s.Write("hello", 5), 5);
    EXPECT_EQ(s.GetPosition(), 5);
    s.Seek(8, soBeginning);
    s.Write("!", 1); // writing past the end fills the gap with zeros
    ASSERT_EQ(s.GetSize(), 9);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(s.Memory()), 9), std::string("hello\0\0\0!", 9));
    char buf[16] = {};
    s.SetPosition(3);
    EXPECT_EQ(s.Read(buf, 16), 6);
    EXPECT_EQ(s.Read(buf, 16), 0);
    s.SetSize(2);
    EXPECT_EQ(s.GetPosition(), 2);

    TMemoryStream copy;
    copy.Write("xyz", 3);
    copy.SetPosition(1);
    s.Clear();
    s.CopyFrom(copy, 0); // 0 copies all of the source from its start
    EXPECT_EQ(std::string(reinterpret_cast<char*>(s.Memory()), 3), "xyz");
}

TEST(StreamTest, ExclusiveAndSharedOpensKeepEachOtherOut)
{
    const std::string name = CreateTempFile(TempFolder(), "streamtest");
    {
        TFileStream shared1(name, fmOpenRead, shDenyNone);
        TFileStream shared2(name, fmOpenReadWrite, shDenyNone);
        EXPECT_THROW(TFileStream(name, fmOpenReadWrite, shExclusive), EFileError);
    }
    {
        TFileStream held(name, fmOpenReadWrite, shExclusive);
        held.Write("data", 4);
        // Another process cannot open it in either mode while it is held.
        const pid_t child = fork();
        if (child == 0) {
            int failures = 0;
            for (TShareMode mode : {shExclusive, shDenyNone}) {
                try {
                    TFileStream other(name, fmOpenRead, mode);
                } catch (const EFileError&) {
                    ++failures;
                }
            }
            _exit(failures);
        }
        int status = 0;
        waitpid(child, &status, 0);
        EXPECT_EQ(WEXITSTATUS(status), 2);
        try {
            TFileStream again(name, fmCreate, shDenyNone);
            FAIL() << "no exception";
        } catch (const EFileError& e) {
            EXPECT_NE(e.Message().find(name), std::string::npos);
            EXPECT_NE(e.Message().find("in use by another process"), std::string::npos);
        }
        EXPECT_EQ(held.GetSize(), 4) << "a refused create does not truncate the held file";
    }
    TFileStream afterwards(name, fmOpenReadWrite, shExclusive);
    EXPECT_EQ(afterwards.GetSize(), 4);
    std::remove(name.c_str());
}

TEST(StreamTest, MissingFilesAndReadOnlyHandles)
{
    const std::string name = TempFolder() + "/zembrix-no-such-file";
    EXPECT_TRUE(IsFileReadOnly(name));
    try {
        TFileStream f(name, fmOpenRead, shDenyNone);
        FAIL();
    } catch (const EFileError& e) {
        EXPECT_NE(e.Message().find(name), std::string::npos);
    }
    const std::string real = CreateTempFile(TempFolder(), "ro");
    EXPECT_FALSE(IsFileReadOnly(real));
    TFileStream ro(real, fmOpenRead, shDenyNone);
    EXPECT_EQ(ro.Write("x", 1), 0) << "a read-only handle writes nothing";
    std::remove(real.c_str());
}

// An exclusive handle keeps the size itself; it must still agree with the file after writes
// past the end, truncation and growth, and a shared handle must see what others do.
TEST(StreamTest, FileSizeFollowsWritesAndTruncation)
{
    const std::string name = CreateTempFile(TempFolder(), "size");
    {
        TFileStream f(name, fmOpenReadWrite, shExclusive);
        EXPECT_EQ(f.GetSize(), 0);
        f.Seek(10, soBeginning);
        f.Write("abc", 3);
        EXPECT_EQ(f.GetSize(), 13) << "a write past the end extends the file";
        f.SetPosition(2);
        f.Write("x", 1);
        EXPECT_EQ(f.GetSize(), 13) << "a write inside leaves the size";
        f.SetSize(5);
        EXPECT_EQ(f.GetSize(), 5);
        f.SetSize(40);
        EXPECT_EQ(f.GetSize(), 40);
        EXPECT_EQ(f.Seek(0, soEnd), 40);
    }
    {
        TFileStream a(name, fmOpenReadWrite, shDenyNone);
        TFileStream b(name, fmOpenReadWrite, shDenyNone);
        EXPECT_EQ(a.GetSize(), 40);
        b.Seek(0, soEnd);
        b.Write("tail", 4);
        EXPECT_EQ(a.GetSize(), 44) << "a shared handle sees another handle's growth";
    }
    std::remove(name.c_str());
}

TEST(StreamTest, FullPathIsAbsoluteAndNormal)
{
    EXPECT_EQ(FullPath("/a/b/../c/./d"), "/a/c/d");
    EXPECT_EQ(FullPath("x.zmb").front(), '/');
    EXPECT_EQ(FolderOf("/a/b/c.zmb"), "/a/b");
}

} // namespace
