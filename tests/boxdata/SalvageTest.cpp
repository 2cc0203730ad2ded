// Salvage under damage nobody chose: the box cut short at many lengths, and single bits flipped
// at random places. Every salvaged box must check clean and hold, as it was, everything whose
// bytes the damage did not reach. The complete check's findings are counted: how many of the
// flips it names, how many leave the box reading exactly as before, and how many change what the
// box answers without a finding (the format has no checksum, so a flipped bit inside a readable
// text field cannot be told from text).
#include "DamageFixture.h"

#include "boxdata/BoxSalvage.h"
#include "storage/Nork.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <iostream>
#include <random>
#include <set>

using namespace DamageFixture;

namespace {

// A byte range of the file and the content ("web:1", "folder:18") that depends on it.
struct TRange {
    int64_t Begin;
    int64_t End;
    std::string Ref;
    bool Record = false; // the record's slot (not its blob)
};

const char* const kRefKinds[] = {"folder", "web", "bank", "note", "attach"};

// Where each folder, entry and attachment lies: its record slot and its blob block.
std::vector<TRange> Ranges(const TBytes& B)
{
    const TFileMap map{B};
    std::vector<TRange> out;
    for (int t = tnFolder; t <= tnAttach; ++t) {
        const TTableHeader h = map.Header(t);
        const int64_t size = PhyRecSizeOf(h);
        for (int64_t s = 0; s < int64_t(h.BaseUseSpace) + h.AliveUseSpace; ++s) {
            const int64_t ofs = map.SlotOfs(t, s);
            const TPhyRecPrefix p = Get<TPhyRecPrefix>(B, ofs);
            const std::string ref = std::string(kRefKinds[t]) + ":" + std::to_string(p.SysRecordID);
            out.push_back({ofs, ofs + size, ref, true});
            if (h.BlobCount > 0) {
                const TBlobInfo info = map.Blob(t, p.SysRecordID);
                if (info.DataOfs != 0)
                    out.push_back({info.DataOfs, int64_t(info.DataOfs) + info.Capacity, ref});
            }
        }
    }
    return out;
}

class SalvageTest : public ::testing::Test {
protected:
    void SetUp() override { Prepare(true); }

    void Prepare(bool Encrypt)
    {
        FBox.BuildOnce(Encrypt);
        // Compacted, so that every byte belongs to something: no dead space, no spare capacity.
        TDbFileMgr mgr;
        mgr.OpenDatabase(FBox.File(), kPassword);
        ASSERT_TRUE(mgr.Compact());
        mgr.CloseDatabase();
        FBytes = FBox.Bytes();
        FOriginal = ReadContent(FBox.File());
        FRanges = Ranges(FBytes);
        // Entries and folders depend on the records of the folders above them (damage there can
        // put them below another category), which their content names first: "P|name" for a
        // folder, "|F|..." for an entry.
        const std::vector<TRange> direct = FRanges;
        const auto parentOf = [&](const std::string& Content) {
            return std::stoi(Content.substr(Content[0] == '|' ? 1 : 0));
        };
        for (const auto& [ref, content] : FOriginal) {
            if (ref.rfind("attach:", 0) == 0)
                continue;
            for (int32_t folder = parentOf(content); folder > 3;) {
                const std::string above = "folder:" + std::to_string(folder);
                for (const TRange& r : direct)
                    if (r.Ref == above)
                        FRanges.push_back({r.Begin, r.End, ref});
                folder = parentOf(FOriginal.at(above));
            }
        }
    }

    // Refs whose bytes meet the damaged range [Begin, End).
    std::set<std::string> Touched(int64_t Begin, int64_t End) const
    {
        std::set<std::string> refs;
        for (const TRange& r : FRanges)
            if (r.Begin < End && Begin < r.End)
                refs.insert(r.Ref);
        return refs;
    }

    // What a flipped bit reaches. A flip in a record's id may give it the id of another record,
    // and which of the two then keeps the id cannot always be told: that record counts as touched.
    std::set<std::string> TouchedByFlip(int64_t At, int Bit) const
    {
        std::set<std::string> refs = Touched(At, At + 1);
        const int64_t idOfs = int64_t(offsetof(TPhyRecPrefix, SysRecordID));
        for (const TRange& r : FRanges)
            if (r.Record && At >= r.Begin + idOfs && At < r.Begin + idOfs + 4) {
                const int32_t id = Get<TPhyRecPrefix>(FBytes, r.Begin).SysRecordID;
                const int32_t other = id ^ int32_t(uint32_t(1) << (8 * (At - r.Begin - idOfs) + Bit));
                refs.insert(r.Ref.substr(0, r.Ref.find(':') + 1) + std::to_string(other));
            }
        return refs;
    }

    // Salvages the damaged file and checks the result; answers false when the salvage refused.
    bool SalvageKeeps(const std::set<std::string>& Touched, const std::string& What)
    {
        const std::string salvaged = FBox.Path("salvaged.zmb");
        TDbFileMgr mgr;
        try {
            mgr.SalvageDatabase(FBox.File(), kPassword, salvaged);
        } catch (const ENorkFileCorrupt&) {
            return false; // nothing of the tables could be read
        } catch (const ENorkError&) {
            return false; // not even the magic: no box at all
        }
        const std::vector<std::string> left = mgr.Verify(salvaged, kPassword);
        EXPECT_TRUE(left.empty()) << What << ": the salvaged box is not sound: " << (left.empty() ? "" : left[0]);
        const auto now = ReadContent(salvaged);
        for (const auto& [ref, content] : FOriginal) {
            if (Touched.count(ref) != 0)
                continue;
            const auto it = now.find(ref);
            EXPECT_TRUE(it != now.end() && it->second == content) << What << ": " << ref << " was not kept";
        }
        return true;
    }

    TDamageBox FBox;
    TBytes FBytes;
    std::map<std::string, std::string> FOriginal;
    std::vector<TRange> FRanges;
};

TEST_F(SalvageTest, ABoxCutShortKeepsEverythingBeforeTheCut)
{
    const int64_t size = int64_t(FBytes.size());
    std::vector<int64_t> lengths{size - 1, size - 50, size - 86, 0, 9, 2000, kFixedPartSize, kFixedPartSize + 725};
    for (int64_t l = kFixedPartSize + kTableHeaderSpace * 5; l < size; l += 97)
        lengths.push_back(l);
    int refused = 0;
    for (const int64_t length : lengths) {
        TBytes cut(FBytes.begin(), FBytes.begin() + length);
        FBox.Save(cut);
        const std::string what = "cut to " + std::to_string(length) + " bytes";
        TDbFileMgr mgr;
        std::vector<std::string> found;
        try {
            found = mgr.Verify(FBox.File(), kPassword);
        } catch (const ENorkError&) {
            // Too short to carry the magic: no box at all, as the check says.
            EXPECT_LT(length, 10) << what;
        }
        EXPECT_TRUE(length < 10 || !found.empty()) << what << ": the check found nothing";
        if (!SalvageKeeps(Touched(length, size), what))
            ++refused;
    }
    // Only files without a single whole table header leave nothing to salvage.
    EXPECT_EQ(refused, 4);
    std::cout << "truncations: " << lengths.size() << " lengths, every one found by the check; " << refused
              << " too short to salvage anything, every other salvaged clean with everything before the cut\n";
}

// Encrypted (as zembrix-cli creates boxes) and not: in a box that is not encrypted a flipped bit in
// a text field is a different letter, which nothing can tell from the right one.
class BitFlipTest : public SalvageTest, public ::testing::WithParamInterface<bool> {
protected:
    void SetUp() override { Prepare(GetParam()); }
};

TEST_P(BitFlipTest, RandomFlipsAreFoundOrHarmlessAndSalvageKeepsWhatTheyMissed)
{
    const char* countText = std::getenv("ZMB_BITFLIPS");
    const char* seedText = std::getenv("ZMB_BITFLIP_SEED");
    const int count = countText ? std::atoi(countText) : 200;
    const unsigned seed = seedText ? unsigned(std::strtoul(seedText, nullptr, 10)) : std::random_device{}();
    const std::string box = GetParam() ? "encrypted box" : "box that is not encrypted";
    std::cout << "bit flips, " << box << ": seed " << seed << " (ZMB_BITFLIP_SEED repeats the run)\n";
    std::mt19937 random(seed);
    std::uniform_int_distribution<int64_t> offset(0, int64_t(FBytes.size()) - 1);
    int found = 0, harmless = 0, silent = 0;
    for (int i = 0; i < count; ++i) {
        const int64_t at = offset(random);
        const int bit = int(random() % 8);
        TBytes flipped = FBytes;
        flipped[std::size_t(at)] ^= uint8_t(1 << bit);
        FBox.Save(flipped);
        const std::string what = "bit " + std::to_string(bit) + " of byte " + std::to_string(at);
        TDbFileMgr mgr;
        const std::vector<std::string> lines = mgr.Verify(FBox.File(), kPassword);
        if (!lines.empty()) {
            ++found;
        } else {
            // Not named by the check: the box must read as before, or the flip is a silent change.
            bool same = false;
            try {
                same = ReadContent(FBox.File()) == FOriginal;
            } catch (const std::exception& e) {
                ADD_FAILURE() << what << ": the check found nothing but reading fails: " << e.what();
            }
            (same ? harmless : silent) += 1;
            if (!same) {
                std::cout << "  not found by the check, changes what the box answers: " << what << " (in";
                for (const std::string& ref : Touched(at, at + 1))
                    std::cout << " " << ref;
                std::cout << ")\n";
            }
        }
        EXPECT_TRUE(SalvageKeeps(TouchedByFlip(at, bit), what)) << what << ": the salvage refused";
    }
    std::cout << "bit flips, " << box << ": " << count << " cases: " << found << " found by the check, " << harmless
              << " leave the box reading as before, " << silent << " change it unnoticed; every salvage clean\n";
}

INSTANTIATE_TEST_SUITE_P(Boxes, BitFlipTest, ::testing::Values(true, false),
                         [](const ::testing::TestParamInfo<bool>& Info) { return Info.param ? "Encrypted" : "Plain"; });

} // namespace
