#include "dataproc/Exception.h"
#include "dataproc/NorkAlgoMgr.h"

#include <gtest/gtest.h>

#include <cstring>
#include <zlib.h>

namespace {

TMemoryStream& Fill(TMemoryStream& S, const std::string& Text)
{
    S.Clear();
    S.Write(Text.data(), static_cast<int64_t>(Text.size()));
    return S;
}

std::string Content(const TMemoryStream& S)
{
    return std::string(reinterpret_cast<const char*>(S.Memory()), static_cast<std::size_t>(S.Size()));
}

std::string MessageOf(const std::function<void()>& Fn)
{
    try {
        Fn();
    } catch (const Exception& e) {
        return e.Message();
    }
    return "(no exception)";
}

TEST(AlgoMgrTest, StandardAlgorithmsAreRegistered)
{
    EXPECT_TRUE(IsEncryptAlgoRegistered("Blowfish"));
    EXPECT_TRUE(IsCompressAlgoRegistered("zlib"));
    EXPECT_FALSE(IsCompressAlgoRegistered("Deflate"));
    EXPECT_FALSE(IsEncryptAlgoRegistered("Zlib"));
    ASSERT_EQ(EncryptAlgoRegistry().size(), 1u);
    EXPECT_EQ(EncryptAlgoRegistry()[0].first, "Blowfish");
    EXPECT_EQ(CompressAlgoRegistry()[0].first, "Zlib");
}

TEST(AlgoMgrTest, SelectionByNameAndItsErrors)
{
    TCompressMgr comp;
    EXPECT_EQ(MessageOf([&] { comp.Level(); }), "FDPObject is nil");
    TMemoryStream s;
    EXPECT_EQ(MessageOf([&] { comp.EncodeStream(&s, &s, -1); }), "FDPObject is nil");
    comp.SetAlgoName("zlib");
    EXPECT_EQ(MessageOf([&] { comp.SetAlgoName("Deflate"); }), "Compression algorithm module 'Deflate' not found");
    EXPECT_EQ(comp.Level(), clNormal) << "the previous selection stays";
    comp.SetLevel(clMaximum);
    EXPECT_EQ(comp.Level(), clNormal) << "the level is fixed";

    TEncryptMgr enc;
    for (auto call : std::vector<std::function<void()>>{[&] { enc.Mode(); }, [&] { enc.InitKey("k"); },
                                                         [&] { enc.Done(); },
                                                         [&] { enc.EncodeBuffer(nullptr, nullptr, 0); }})
        EXPECT_EQ(MessageOf(call), "FDPObject is nil");
    EXPECT_EQ(MessageOf([&] { enc.SetAlgoName("Twofish"); }), "Encryption algorithm module 'Twofish' not found");
    EXPECT_THROW(TEncryptMgr::CheckAlgoRegistered("Zlib"), Exception);
    EXPECT_EQ(TEncryptMgr::CheckAlgoRegistered("BLOWFISH"), 0);
}

TEST(AlgoMgrTest, CompressedBytesAreOnePlainZlibStreamAtTheDefaultLevel)
{
    std::string text;
    for (int i = 0; i < 200; ++i)
        text += "entry " + std::to_string(i) + " ";
    TMemoryStream s;
    TCompressMgr comp;
    comp.SetAlgoName("Zlib");
    comp.EncodeStream(&Fill(s, text), nullptr, -1);

    // What zlib itself makes of the bytes at its default level.
    uLongf bound = compressBound(text.size());
    std::vector<Bytef> ref(bound);
    ASSERT_EQ(compress2(ref.data(), &bound, reinterpret_cast<const Bytef*>(text.data()), text.size(),
                        Z_DEFAULT_COMPRESSION),
              Z_OK);
    EXPECT_EQ(Content(s), std::string(reinterpret_cast<const char*>(ref.data()), bound));
    EXPECT_EQ(s.GetPosition(), s.GetSize()) << "left positioned at its end";

    comp.SetLevel(clSuperFast);
    TMemoryStream again;
    comp.EncodeStream(&Fill(again, text), nullptr, -1);
    EXPECT_EQ(Content(again), Content(s)) << "every level compresses the same";

    TMemoryStream out;
    comp.DecodeStream(&s, &out, -1);
    EXPECT_EQ(Content(out), text);
    // Bytes after the end of the stream are ignored.
    s.Seek(0, soEnd);
    s.Write("trailing", 8);
    comp.DecodeStream(&s, &out, -1);
    EXPECT_EQ(Content(out), text);
}

TEST(AlgoMgrTest, EmptyAndDamagedStreams)
{
    TCompressMgr comp;
    comp.SetAlgoName("Zlib");
    TMemoryStream s;
    comp.EncodeStream(&s, &s, -1);
    EXPECT_GT(s.Size(), 0) << "an empty input still gives a complete stream";
    comp.DecodeStream(&s, &s, -1);
    EXPECT_EQ(s.Size(), 0);

    TMemoryStream empty;
    EXPECT_EQ(MessageOf([&] { comp.DecodeStream(&empty, &empty, -1); }), "Decompression error: stream error");

    TMemoryStream garbage, dest;
    Fill(garbage, "this is not a zlib stream at all");
    Fill(dest, "old content");
    EXPECT_EQ(MessageOf([&] { comp.DecodeStream(&garbage, &dest, -1); }).rfind("Decompression error: ", 0), 0u);
    EXPECT_EQ(dest.Size(), 0) << "a failure leaves the destination empty";

    // A stream cut short raises too instead of returning part of the data.
    TMemoryStream whole;
    comp.EncodeStream(&Fill(whole, std::string(5000, 'z') + "tail"), nullptr, -1);
    whole.SetSize(whole.Size() - 3);
    EXPECT_EQ(MessageOf([&] { comp.DecodeStream(&whole, &dest, -1); }).rfind("Decompression error: ", 0), 0u);
}

TEST(AlgoMgrTest, EncryptionManagerRestartsTheChainAfterEveryCall)
{
    TEncryptMgr enc;
    enc.SetAlgoName("Blowfish");
    enc.SetMode(emCTS);
    enc.InitKey("secret");
    const std::string plain = "the same plaintext, twice over";
    std::string a = plain, b = plain;
    enc.EncodeBuffer(a.data(), a.data(), static_cast<int>(a.size()));
    enc.EncodeBuffer(b.data(), b.data(), static_cast<int>(b.size()));
    EXPECT_EQ(a, b);
    EXPECT_NE(a, plain);
    enc.DecodeBuffer(b.data(), b.data(), static_cast<int>(b.size()));
    EXPECT_EQ(b, plain);

    // Selecting the same class again keeps mode and key.
    enc.SetAlgoName("blowfish");
    std::string c = plain;
    enc.EncodeBuffer(c.data(), c.data(), static_cast<int>(c.size()));
    EXPECT_EQ(c, a);

    // A stream equals one buffer call over the same bytes.
    std::string big(10000, '\0');
    for (std::size_t i = 0; i < big.size(); ++i)
        big[i] = static_cast<char>(i * 13);
    TMemoryStream s;
    Fill(s, big);
    s.SetPosition(5000); // the whole stream is coded, from its start
    enc.EncodeStream(&s, nullptr, -1);
    enc.EncodeBuffer(big.data(), big.data(), static_cast<int>(big.size()));
    EXPECT_EQ(Content(s), big);
}

TEST(AlgoMgrTest, FailedCallStillRestartsTheChain)
{
    // A fresh manager on a new algorithm object is not keyed: the call raises, and the next
    // keyed call still starts from the vector.
    TEncryptMgr enc;
    enc.SetAlgoName("Blowfish");
    std::string buf = "12345678";
    EXPECT_THROW(enc.EncodeBuffer(buf.data(), buf.data(), 8), EEncryptException);
    enc.InitKey("k");
    std::string x = "abcdefghijk", y = x;
    enc.EncodeBuffer(x.data(), x.data(), static_cast<int>(x.size()));
    TEncryptMgr fresh;
    fresh.SetAlgoName("Blowfish");
    fresh.SetMode(emCTS);
    fresh.InitKey("k");
    fresh.EncodeBuffer(y.data(), y.data(), static_cast<int>(y.size()));
    EXPECT_EQ(x, y);
}

} // namespace
