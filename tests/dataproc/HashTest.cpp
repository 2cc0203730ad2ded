#include "dataproc/Exception.h"
#include "dataproc/FilePaths.h"
#include "dataproc/Hash.h"
#include "dataproc/MemoryStream.h"
#include "TestVectors.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <new>

namespace {

template <class H>
std::string Hex(const std::string& Message)
{
    uint8_t digest[20] = {};
    H::CalcString(digest, Message);
    H h;
    return ToHex(digest, static_cast<std::size_t>(h.DigestKeySize()));
}

TEST(HashTest, Sha0MatchesPublishedVectors)
{
    const auto rows = ReadVectorFile("sha0.txt");
    ASSERT_EQ(rows.size(), 3u);
    for (const auto& row : rows)
        EXPECT_EQ(Hex<THash_SHA>(VectorMessage(row[0])), row[1]) << row[0];
}

// FIPS 180-4's examples (one block, two blocks, a million "a"), and the self test.
TEST(HashTest, Sha1MatchesPublishedExamples)
{
    EXPECT_EQ(Hex<THash_SHA1>("abc"), "A9993E364706816ABA3E25717850C26C9CD0D89D");
    EXPECT_EQ(Hex<THash_SHA1>("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"),
              "84983E441C3BD26EBAAE4AA1F95129E5E54670F1");
    EXPECT_EQ(Hex<THash_SHA1>(std::string(1000000, 'a')), "34AA973CD4C4DAA4F61EEB2BDBAD27316534016F");
    EXPECT_EQ(Hex<THash_SHA1>(""), "DA39A3EE5E6B4B0D3255BFEF95601890AFD80709");
    EXPECT_TRUE(THash_SHA1::SelfTest());
    EXPECT_TRUE(THash_SHA::SelfTest()) << "SHA-0 keeps its schedule";
}

TEST(HashTest, Md4MatchesRfc1320Suite)
{
    const auto rows = ReadVectorFile("md4.txt");
    ASSERT_EQ(rows.size(), 7u);
    for (const auto& row : rows)
        EXPECT_EQ(Hex<THash_MD4>(VectorMessage(row[0])), row[1]) << row[0];
}

TEST(HashTest, TestBufferDigestsAndSelfTests)
{
    uint8_t digest[20];
    THash_SHA::CalcBuffer(digest, HashTestBuffer, sizeof(HashTestBuffer));
    EXPECT_EQ(ToHex(digest, 20), "DC1F7D7C96DDC7FC4D0AF2CC12E7F7665BB185AC");
    // Not SHA-1: the schedule of SHA-1 rotates, which gives another digest of the same bytes.
    THash_MD4 md4;
    md4.Init();
    md4.Calc(HashTestBuffer, sizeof(HashTestBuffer));
    md4.Done();
    EXPECT_EQ(md4.DigestBase16(), "25EABFCC8CC96FD92DCF7EBD7F877C7C");
    EXPECT_TRUE(THash_SHA::SelfTest());
    EXPECT_TRUE(THash_MD4::SelfTest());
}

TEST(HashTest, DigestTextForms)
{
    const std::string sha = THash_SHA::CalcString(nullptr, "abc");
    EXPECT_EQ(sha.size(), 28u);
    EXPECT_EQ(sha.back(), '=');
    EXPECT_EQ(sha, "AWS4qRTNKl50xPf/CCxNl/Ht+IA="); // base64 of 0164B8A9...
    const std::string md4 = THash_MD4::CalcString(nullptr, "abc");
    EXPECT_EQ(md4.size(), 24u);
    EXPECT_EQ(md4.substr(22), "==");
    // The empty message still gives a full-length text.
    EXPECT_EQ(THash_SHA::CalcString(nullptr, "").size(), 28u);

    THash_SHA h;
    h.Init();
    h.Calc("abc", 3);
    h.Done();
    EXPECT_EQ(h.DigestString(), h.DigestBase64());
    EXPECT_EQ(h.DigestKeyStr(), std::string(reinterpret_cast<const char*>(h.DigestKey()), 20));
    EXPECT_EQ(h.DigestStr(7), h.DigestKeyStr());
}

TEST(HashTest, SplitFeedsGiveTheSameDigest)
{
    std::string msg(reinterpret_cast<const char*>(HashTestBuffer), sizeof(HashTestBuffer));
    msg += msg + msg; // 96 bytes, so splits cross the 64-byte block edge
    const std::vector<std::vector<int>> splits = {{10, 22}, {5, 59, 1}, {63, 1, 1}, {64, 32}, {1, 1, 1, 93}};
    for (const auto& split : splits) {
        int total = 0;
        for (int n : split)
            total += n;
        THash_SHA sha;
        THash_MD4 md4;
        sha.Init();
        md4.Init();
        int at = 0;
        for (int n : split) {
            sha.Calc(msg.data() + at, n);
            md4.Calc(msg.data() + at, n);
            at += n;
        }
        sha.Done();
        md4.Done();
        const std::string whole = msg.substr(0, static_cast<std::size_t>(total));
        EXPECT_EQ(sha.DigestBase64(), THash_SHA::CalcString(nullptr, whole)) << total;
        EXPECT_EQ(md4.DigestBase64(), THash_MD4::CalcString(nullptr, whole)) << total;
    }
}

TEST(HashTest, LengthsAroundThePaddingEdge)
{
    // 55 bytes fit one final block, 56 need a second one; both must agree with a one-byte-at-a-time feed.
    for (int len : {0, 1, 55, 56, 57, 63, 64, 65, 119, 120}) {
        const std::string msg(static_cast<std::size_t>(len), 'q');
        THash_SHA h;
        h.Init();
        for (char c : msg)
            h.Calc(&c, 1);
        h.Done();
        EXPECT_EQ(h.DigestBase64(), THash_SHA::CalcString(nullptr, msg)) << len;
    }
}

TEST(HashTest, StreamAndFileForms)
{
    const std::string msg = "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq";
    TMemoryStream stream;
    stream.Write(msg.data(), static_cast<int64_t>(msg.size()));
    // Negative size: the whole stream from its start, wherever the position was.
    uint8_t digest[20];
    THash_SHA::CalcStream(digest, stream, -1);
    EXPECT_EQ(ToHex(digest, 20), "D2516EE1ACFA5BAF33DFC1C471E438449EF134C8");
    // A size from the current position.
    stream.SetPosition(3);
    EXPECT_EQ(THash_SHA::CalcStream(nullptr, stream, 5), THash_SHA::CalcString(nullptr, msg.substr(3, 5)));

    const std::string file = CreateTempFile(TempFolder(), "hashtest");
    {
        std::FILE* f = std::fopen(file.c_str(), "wb");
        std::fwrite(msg.data(), 1, msg.size(), f);
        std::fclose(f);
    }
    EXPECT_EQ(THash_SHA::CalcFile(nullptr, file), THash_SHA::CalcString(nullptr, msg));
    std::remove(file.c_str());
    EXPECT_THROW(THash_SHA::CalcFile(nullptr, file), EFileError);
}

TEST(HashTest, DestroyingAHashZeroesItsDigest)
{
    alignas(THash_SHA) unsigned char storage[sizeof(THash_SHA)];
    auto* h = new (storage) THash_SHA();
    h->Init();
    h->Calc("secret", 6);
    h->Done();
    const std::ptrdiff_t at = h->DigestKey() - storage;
    ASSERT_NE(std::memcmp(storage + at, std::string(20, '\0').data(), 20), 0);
    h->~THash_SHA();
    EXPECT_EQ(std::memcmp(storage + at, std::string(20, '\0').data(), 20), 0);
}

} // namespace
