#include "dataproc/Blowfish.h"
#include "TestVectors.h"

#include <gtest/gtest.h>

namespace {

std::string EcbEncrypt(const std::vector<uint8_t>& Key, const std::vector<uint8_t>& Plain)
{
    TEnc_Blowfish bf;
    bf.SetMode(emECB);
    bf.Init(Key.data(), static_cast<int>(Key.size()), nullptr);
    std::vector<uint8_t> block = Plain;
    bf.EncodeBuffer(block.data(), block.data(), 8);
    const std::string cipher = ToHex(block.data(), 8);
    bf.DecodeBuffer(block.data(), block.data(), 8);
    EXPECT_EQ(block, Plain) << "decrypting gives the plaintext back";
    return cipher;
}

TEST(BlowfishTest, PublishedEcbVectors)
{
    const auto rows = ReadVectorFile("blowfish-ecb.txt");
    ASSERT_EQ(rows.size(), 34u);
    for (const auto& row : rows)
        EXPECT_EQ(EcbEncrypt(FromHex(row[0]), FromHex(row[1])), row[2]) << "key " << row[0];
}

TEST(BlowfishTest, PublishedVariableKeyLengthVectors)
{
    // Keys of 1 to 24 bytes: the schedule cycles through the key bytes.
    const auto rows = ReadVectorFile("blowfish-keylen.txt");
    ASSERT_EQ(rows.size(), 24u);
    for (const auto& row : rows)
        EXPECT_EQ(EcbEncrypt(FromHex(row[0]), FromHex("FEDCBA9876543210")), row[1]) << "key " << row[0];
}

TEST(BlowfishTest, KeysLongerThan56BytesAreCut)
{
    std::vector<uint8_t> key60(60);
    for (int i = 0; i < 60; ++i)
        key60[static_cast<std::size_t>(i)] = static_cast<uint8_t>(i * 7 + 1);
    const std::vector<uint8_t> key56(key60.begin(), key60.begin() + 56);
    const std::vector<uint8_t> plain = FromHex("0123456789ABCDEF");
    EXPECT_EQ(EcbEncrypt(key60, plain), EcbEncrypt(key56, plain));
    std::vector<uint8_t> key55(key60.begin(), key60.begin() + 55);
    EXPECT_NE(EcbEncrypt(key55, plain), EcbEncrypt(key56, plain));
    EXPECT_EQ(TEnc_Blowfish::MaxKeySize(), 56);
}

TEST(BlowfishTest, VectorIsTheAllOnesBlockUnderTheKey)
{
    const std::vector<uint8_t> key = FromHex("0123456789ABCDEF");
    TEnc_Blowfish bf;
    bf.Init(key.data(), 8, nullptr);
    EXPECT_EQ(ToHex(bf.Vector(), 8), EcbEncrypt(key, FromHex("FFFFFFFFFFFFFFFF")));
    EXPECT_EQ(ToHex(bf.Feedback(), 8), ToHex(bf.Vector(), 8));
    // A given vector is taken as it is.
    const std::vector<uint8_t> iv = FromHex("0011223344556677");
    bf.Init(key.data(), 8, iv.data());
    EXPECT_EQ(ToHex(bf.Vector(), 8), "0011223344556677");
}

TEST(BlowfishTest, SelfTest)
{
    EXPECT_TRUE(TEnc_Blowfish::SelfTest());
}

} // namespace
