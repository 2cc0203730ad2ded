#include "dataproc/Blowfish.h"
#include "dataproc/Exception.h"
#include "dataproc/FilePaths.h"
#include "dataproc/MemoryStream.h"
#include "TestVectors.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>

namespace {

const char* const kName = "TEnc_Blowfish";

// A cipher keyed as the self test keys it: the class name as raw key bytes, no vector.
void KeyByName(TEnc_Blowfish& Bf, TEncryptMode Mode)
{
    Bf.SetMode(Mode);
    Bf.Init(kName, static_cast<int>(std::strlen(kName)), nullptr);
}

std::vector<uint8_t> Encode(TEncrypt& C, const std::vector<uint8_t>& In)
{
    std::vector<uint8_t> out(In.size());
    C.EncodeBuffer(In.data(), out.data(), static_cast<int>(In.size()));
    return out;
}

std::vector<uint8_t> Decode(TEncrypt& C, const std::vector<uint8_t>& In)
{
    std::vector<uint8_t> out(In.size());
    C.DecodeBuffer(In.data(), out.data(), static_cast<int>(In.size()));
    return out;
}

const std::vector<uint8_t> kTest(HashTestBuffer, HashTestBuffer + 32);

// The chaining rule worked out independently from single ECB blocks: blocks C = E(P ^ F),
// F ^= C; a tail is XORed with E(F).
std::vector<uint8_t> CtsFromEcb(const std::vector<uint8_t>& Plain)
{
    TEnc_Blowfish ecb;
    KeyByName(ecb, emECB);
    TEnc_Blowfish probe;
    KeyByName(probe, emCTS);
    uint8_t f[8];
    std::memcpy(f, probe.Vector(), 8);
    std::vector<uint8_t> out(Plain.size());
    std::size_t i = 0;
    for (; i + 8 <= Plain.size(); i += 8) {
        uint8_t b[8];
        for (int k = 0; k < 8; ++k)
            b[k] = Plain[i + static_cast<std::size_t>(k)] ^ f[k];
        ecb.EncodeBuffer(b, b, 8);
        for (int k = 0; k < 8; ++k) {
            out[i + static_cast<std::size_t>(k)] = b[k];
            f[k] ^= b[k];
        }
    }
    if (i < Plain.size()) {
        uint8_t t[8];
        std::memcpy(t, f, 8);
        ecb.EncodeBuffer(t, t, 8);
        for (std::size_t k = 0; i + k < Plain.size(); ++k)
            out[i + k] = Plain[i + k] ^ t[k];
    }
    return out;
}

TEST(CipherModesTest, CtsFollowsTheChainingRule)
{
    for (std::size_t len : {1u, 7u, 8u, 13u, 32u, 35u}) {
        std::vector<uint8_t> plain(len);
        for (std::size_t i = 0; i < len; ++i)
            plain[i] = static_cast<uint8_t>(i * 31 + 5);
        TEnc_Blowfish bf;
        KeyByName(bf, emCTS);
        EXPECT_EQ(Encode(bf, plain), CtsFromEcb(plain)) << len;
    }
}

TEST(CipherModesTest, CtsTestBufferProperties)
{
    TEnc_Blowfish bf;
    KeyByName(bf, emCTS);
    const auto full = Encode(bf, kTest);
    bf.Done();
    EXPECT_EQ(Decode(bf, full), kTest);

    // 13 bytes: one full block equal to the first block of the 32-byte result, then a 5-byte tail.
    bf.Done();
    const std::vector<uint8_t> first13(kTest.begin(), kTest.begin() + 13);
    const auto enc13 = Encode(bf, first13);
    EXPECT_TRUE(std::equal(enc13.begin(), enc13.begin() + 8, full.begin()));
    EXPECT_NE(std::vector<uint8_t>(enc13.begin() + 8, enc13.end()), std::vector<uint8_t>(full.begin() + 8, full.begin() + 13));
    bf.Done();
    EXPECT_EQ(Decode(bf, enc13), first13);

    // 16 + 16 without Done equals one call over 32.
    bf.Done();
    const auto a = Encode(bf, std::vector<uint8_t>(kTest.begin(), kTest.begin() + 16));
    const auto b = Encode(bf, std::vector<uint8_t>(kTest.begin() + 16, kTest.end()));
    std::vector<uint8_t> joined = a;
    joined.insert(joined.end(), b.begin(), b.end());
    EXPECT_EQ(joined, full);
}

TEST(CipherModesTest, EveryModeRoundTripsAndChainsAcrossCalls)
{
    std::vector<uint8_t> plain(45);
    for (std::size_t i = 0; i < plain.size(); ++i)
        plain[i] = static_cast<uint8_t>(255 - i * 3);
    for (TEncryptMode mode : {emCTS, emCBC, emCFB, emOFB, emECB}) {
        TEnc_Blowfish bf;
        KeyByName(bf, mode);
        const auto whole = Encode(bf, plain);
        EXPECT_NE(whole, plain) << mode;
        bf.Done();
        EXPECT_EQ(Decode(bf, whole), plain) << mode;
        // In place.
        bf.Done();
        std::vector<uint8_t> inplace = plain;
        bf.EncodeBuffer(inplace.data(), inplace.data(), static_cast<int>(inplace.size()));
        EXPECT_EQ(inplace, whole) << mode;
        // A first part of whole blocks followed by the rest continues one chained stream
        // (the byte-wise modes for any split).
        const std::size_t split = (mode == emCFB || mode == emOFB) ? 11 : 16;
        bf.Done();
        auto part1 = Encode(bf, std::vector<uint8_t>(plain.begin(), plain.begin() + static_cast<long>(split)));
        auto part2 = Encode(bf, std::vector<uint8_t>(plain.begin() + static_cast<long>(split), plain.end()));
        part1.insert(part1.end(), part2.begin(), part2.end());
        EXPECT_EQ(part1, whole) << mode;
    }
}

TEST(CipherModesTest, EcbLeavesTheTailUnchanged)
{
    TEnc_Blowfish bf;
    KeyByName(bf, emECB);
    const std::vector<uint8_t> first13(kTest.begin(), kTest.begin() + 13);
    const auto enc = Encode(bf, first13);
    EXPECT_TRUE(std::equal(enc.begin() + 8, enc.end(), first13.begin() + 8));
    EXPECT_FALSE(std::equal(enc.begin(), enc.begin() + 8, first13.begin()));
}

TEST(CipherModesTest, CbcKeepsTheRegisterOnATail)
{
    TEnc_Blowfish bf;
    KeyByName(bf, emCBC);
    const std::vector<uint8_t> plain(13, 0x42);
    Encode(bf, plain);
    uint8_t afterTail[8];
    std::memcpy(afterTail, bf.Feedback(), 8);
    bf.Done();
    Encode(bf, std::vector<uint8_t>(plain.begin(), plain.begin() + 8));
    EXPECT_EQ(std::memcmp(afterTail, bf.Feedback(), 8), 0);
}

TEST(CipherModesTest, UnkeyedOrEmptyKeyIsRefused)
{
    TEnc_Blowfish bf;
    uint8_t buf[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    uint8_t out[8] = {};
    try {
        bf.EncodeBuffer(buf, out, 8);
        FAIL() << "no exception";
    } catch (const EEncryptException& e) {
        EXPECT_EQ(e.ErrorCode, 3);
        EXPECT_STREQ(e.what(), "TEnc_Blowfish is not initialized call Init() or InitKey() before.");
    }
    EXPECT_EQ(out[0], 0) << "nothing is written";
    EXPECT_THROW(bf.DecodeBuffer(buf, buf, 0), EEncryptException) << "the check runs for empty buffers too";
    EXPECT_THROW(bf.Init("", 0, nullptr), EEncryptException);
    EXPECT_FALSE(bf.Initialized());
    // Protect forgets the key.
    bf.Init("k", 1, nullptr);
    EXPECT_TRUE(bf.Initialized());
    bf.Protect();
    EXPECT_FALSE(bf.Initialized());
    EXPECT_EQ(ToHex(bf.Vector(), 8), "FFFFFFFFFFFFFFFF");
}

TEST(CipherModesTest, InitKeyIsDeterministicAndAcceptsTheEmptyKey)
{
    TEnc_Blowfish a, b, c;
    a.InitKey("password", nullptr);
    b.InitKey("password", nullptr);
    c.InitKey("Password", nullptr);
    EXPECT_EQ(ToHex(a.Vector(), 8), ToHex(b.Vector(), 8));
    EXPECT_EQ(Encode(a, kTest), Encode(b, kTest));
    EXPECT_NE(Encode(a, kTest), Encode(c, kTest));
    TEnc_Blowfish empty;
    empty.InitKey("", nullptr);
    EXPECT_TRUE(empty.Initialized());
    // The key is the 20-byte SHA-0 digest of the key bytes.
    uint8_t digest[20];
    THash_SHA::CalcString(digest, "password");
    TEnc_Blowfish raw;
    raw.Init(digest, 20, nullptr);
    a.Done();
    EXPECT_EQ(Encode(a, kTest), Encode(raw, kTest));
}

TEST(CipherModesTest, StringStreamAndFileForms)
{
    TEnc_Blowfish bf;
    bf.InitKey("key", nullptr);
    const std::string enc = bf.EncodeString("7 bytes");
    EXPECT_EQ(enc.size(), 7u);
    bf.Done();
    EXPECT_EQ(bf.DecodeString(enc), "7 bytes");

    // A stream longer than one 4096-byte chunk coded in place equals one buffer call.
    std::vector<uint8_t> plain(10000);
    for (std::size_t i = 0; i < plain.size(); ++i)
        plain[i] = static_cast<uint8_t>(i);
    bf.Done();
    const auto expected = Encode(bf, plain);
    TMemoryStream stream;
    stream.Write(plain.data(), static_cast<int64_t>(plain.size()));
    bf.Done();
    bf.EncodeStream(&stream, nullptr, -1);
    EXPECT_EQ(std::vector<uint8_t>(stream.Memory(), stream.Memory() + stream.Size()), expected);

    // Files: to another file (cut to what was written) and back in place.
    const std::string src = CreateTempFile(TempFolder(), "bfsrc");
    const std::string dst = CreateTempFile(TempFolder(), "bfdst");
    {
        std::ofstream(src, std::ios::binary).write(reinterpret_cast<const char*>(plain.data()), 10000);
        std::ofstream(dst, std::ios::binary) << std::string(20000, 'x');
    }
    bf.Done();
    bf.EncodeFile(src, dst);
    std::ifstream in(dst, std::ios::binary);
    std::vector<uint8_t> onDisk((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(onDisk, expected);
    bf.Done();
    bf.DecodeFile(dst, "  ");
    std::ifstream back(dst, std::ios::binary);
    std::vector<uint8_t> decoded((std::istreambuf_iterator<char>(back)), std::istreambuf_iterator<char>());
    EXPECT_EQ(decoded, plain);

    // Names that differ in letter case are two files: "a" is read, "A" is written.
    const std::string lower = src + "-a";
    const std::string upper = src + "-A";
    std::ofstream(lower, std::ios::binary).write(reinterpret_cast<const char*>(plain.data()), 10000);
    bf.Done();
    bf.EncodeFile(lower, upper);
    std::ifstream lowerIn(lower, std::ios::binary), upperIn(upper, std::ios::binary);
    EXPECT_EQ(std::vector<uint8_t>((std::istreambuf_iterator<char>(lowerIn)), std::istreambuf_iterator<char>()), plain);
    EXPECT_EQ(std::vector<uint8_t>((std::istreambuf_iterator<char>(upperIn)), std::istreambuf_iterator<char>()),
              expected);
    std::remove(lower.c_str());
    std::remove(upper.c_str());

    std::remove(src.c_str());
    std::remove(dst.c_str());
    EXPECT_THROW(bf.EncodeFile(src, dst), EFileError);
}

} // namespace
