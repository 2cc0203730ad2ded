#include "storage/NorkFileIO.h"

#include "dataproc/AnsiText.h"
#include "dataproc/Exception.h"
#include "dataproc/NorkAlgoMgr.h"
#include "dataproc/Wipe.h"
#include "storage/NorkError.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <vector>

namespace {

constexpr int64_t kChunk = 1 << 20;
constexpr int kZeroChunk = 1 << 16;
const uint8_t kZeros[kZeroChunk] = {};

} // namespace

TNorkFileIO::~TNorkFileIO()
{
    CloseNoThrow();
}

void TNorkFileIO::Open(const std::string& AFileName, bool AExclusive, bool AReadOnly, int32_t AStartOffset)
{
    Close();
    auto stream = std::make_unique<TNorkDiskFileStream>();
    stream->SetOffset(AStartOffset);
    stream->SetReadOnly(AReadOnly);
    stream->SetExclusive(AExclusive);
    stream->Open(AFileName);
    FDBStream = std::move(stream);
}

void TNorkFileIO::Open(TMemoryStream* AStream, bool AExclusive, bool AReadOnly, int32_t AStartOffset)
{
    Close();
    auto stream = std::make_unique<TNorkMemFileStream>();
    stream->SetOffset(AStartOffset);
    stream->SetReadOnly(AReadOnly);
    stream->SetExclusive(AExclusive);
    stream->Open(AStream);
    FDBStream = std::move(stream);
}

void TNorkFileIO::Close()
{
    if (!FDBStream)
        return;
    // A password manager must not lose an entry the user saw stored: what was written through
    // this handle reaches the device before the handle goes.
    try {
        if (FDBStream->IsOpen() && !FDBStream->Flushed())
            FDBStream->Flush();
    } catch (...) {
        FDBStream.reset();
        throw;
    }
    FDBStream.reset();
}

int TNorkFileIO::Handle() const
{
    const auto* disk = dynamic_cast<const TNorkDiskFileStream*>(FDBStream.get());
    return disk != nullptr ? disk->Handle() : -1;
}

void TNorkFileIO::Flush()
{
    if (FDBStream && FDBStream->IsOpen() && !FDBStream->Flushed())
        FDBStream->Flush();
}

void TNorkFileIO::CloseNoThrow() noexcept
{
    try {
        Close();
    } catch (...) {
        FDBStream.reset();
    }
}

int64_t TNorkFileIO::ReadAt(int64_t Position, void* Buffer, int64_t Count)
{
    if (!FDBStream || Count <= 0)
        return 0;
    FDBStream->SetPosition(Position);
    auto* out = static_cast<uint8_t*>(Buffer);
    int64_t done = 0;
    while (done < Count) {
        const int want = static_cast<int>(std::min<int64_t>(Count - done, INT_MAX / 2));
        const int got = FDBStream->Read(out + done, want);
        if (got <= 0)
            break;
        done += got;
    }
    return done;
}

void TNorkFileIO::WriteAt(int64_t Position, const void* Buffer, int64_t Count)
{
    if (Count <= 0)
        return;
    // A write that cannot happen is refused before anything is kept for undoing it.
    if (!FDBStream || !FDBStream->IsOpen() || FDBStream->ReadOnly())
        FailWrite();
    ++FWriteCount;
    if (FUndo.Depth() > 0)
        FUndo.Keep(Position, Count, [this](int64_t P, void* B, int64_t N) { return ReadAt(P, B, N); });
    WriteRaw(Position, Buffer, Count);
}

void TNorkFileIO::WriteRaw(int64_t Position, const void* Buffer, int64_t Count)
{
    if (!FDBStream)
        FailWrite();
    FDBStream->SetPosition(Position);
    const auto* in = static_cast<const uint8_t*>(Buffer);
    int64_t done = 0;
    while (done < Count) {
        const int want = static_cast<int>(std::min<int64_t>(Count - done, INT_MAX / 2));
        const int put = FDBStream->Write(in + done, want);
        if (put <= 0)
            FailWrite();
        done += put;
    }
}

void TNorkFileIO::FailWrite()
{
    std::string name = "(memory)";
    std::string reason = "The file is not open.";
    if (FDBStream) {
        if (!FDBStream->InMemory())
            name = FDBStream->FileName();
        if (FDBStream->IsOpen())
            reason = FDBStream->ReadOnly() ? "The file is open for reading only." : "Not every byte was written.";
    }
    throw EFileError("Cannot write file \"" + name + "\". " + reason);
}

void TNorkFileIO::BeginChange()
{
    if (FKeepUndo)
        FUndo.Begin(Size());
}

void TNorkFileIO::EndChange()
{
    FUndo.End();
}

bool TNorkFileIO::UndoChange()
{
    const bool changed = FUndo.Changed();
    FUndo.Undo([this](int64_t P, const void* B, int64_t N) { WriteRaw(P, B, N); },
               [this](int64_t Size) {
                   if (FDBStream && FDBStream->GetSize() != Size)
                       FDBStream->SetSize(Size);
               });
    return changed;
}

void TNorkFileIO::UndoSpoiltChanges()
{
    if (!FUndo.AnySpoilt())
        return;
    while (FUndo.Depth() > 0)
        UndoChange();
}

int64_t TNorkFileIO::Size()
{
    return FDBStream ? FDBStream->GetSize() : 0;
}

void TNorkFileIO::CheckGrowth(int64_t NewEnd)
{
    if (NewEnd > kMaxFileSize)
        RaiseNorkError(SNorkFileTooLarge, FDBStream ? FDBStream->FileName() : std::string());
}

bool TNorkFileIO::IsValidDBFile()
{
    char head[10] = {};
    if (ReadAt(kMagicOfs, head, sizeof(head)) != int64_t(sizeof(head)))
        return false;
    return AnsiFieldBytes(head, 5) == "NORK";
}

bool TNorkFileIO::IsValidVersion()
{
    char head[10] = {};
    ReadAt(kMagicOfs, head, sizeof(head));
    return AnsiFieldBytes(head + kVersionOfs, 5).compare("1.0") <= 0;
}

std::string TNorkFileIO::ReadDBVersion()
{
    char head[10] = {};
    ReadAt(kMagicOfs, head, sizeof(head));
    return AnsiFieldToStr(head + kVersionOfs, 5);
}

void TNorkFileIO::ReadExtData(TExtDataBlock& Data)
{
    ReadAt(kExtDataOfs, &Data, sizeof(Data));
}

void TNorkFileIO::WriteExtData(const TExtDataBlock& Data)
{
    WriteAt(kExtDataOfs, &Data, sizeof(Data));
}

void TNorkFileIO::ReadComments(TCommentsBlock& Data)
{
    ReadAt(kCommentsOfs, &Data, sizeof(Data));
}

void TNorkFileIO::WriteComments(const TCommentsBlock& Data)
{
    WriteAt(kCommentsOfs, &Data, sizeof(Data));
}

void TNorkFileIO::ReadDBOptions(TDBOptions& Data)
{
    ReadAt(kDBOptionsOfs, &Data, sizeof(Data));
}

void TNorkFileIO::WriteDBOptions(const TDBOptions& Data)
{
    WriteAt(kDBOptionsOfs, &Data, sizeof(Data));
}

void TNorkFileIO::ReadDBKeyData(TDBKeyData& Data)
{
    ReadAt(kDBKeyDataOfs, &Data, sizeof(Data));
    DecodeBlock(&Data, sizeof(Data), "Blowfish", std::string());
}

void TNorkFileIO::WriteDBKeyData(const TDBKeyData& Data)
{
    TDBKeyData copy = Data;
    try {
        EncodeBlock(&copy, sizeof(copy), "Blowfish", std::string());
        WriteAt(kDBKeyDataOfs, &copy, sizeof(copy));
    } catch (...) {
        SecureZero(&copy, sizeof(copy));
        throw;
    }
    SecureZero(&copy, sizeof(copy));
}

void TNorkFileIO::ReadTableTab(TTableTab& Data)
{
    ReadAt(kTableTabOfs, &Data, sizeof(Data));
}

void TNorkFileIO::WriteTableTab(const TTableTab& Data)
{
    uint8_t both[2 * sizeof(TTableTab)];
    std::memcpy(both, &Data, sizeof(Data));
    std::memcpy(both + sizeof(Data), &Data, sizeof(Data));
    WriteAt(kTableTabOfs, both, sizeof(both));
}

int64_t TNorkFileIO::HeaderOffset(const TTableTab& TableTab, int TableIdx)
{
    if (TableIdx < 0 || TableIdx >= kMaxTables || TableIdx >= TableTab.TableCount)
        RaiseFileCorrupt();
    const int64_t ofs = TableTab.TableHeaderOffset[TableIdx];
    if (ofs < kFixedPartSize || ofs + int64_t(sizeof(TTableHeader)) > Size())
        RaiseFileCorrupt();
    return ofs;
}

void TNorkFileIO::ReadTableHeader(const TTableTab& TableTab, int TableIdx, TTableHeader& Data)
{
    const int64_t ofs = HeaderOffset(TableTab, TableIdx);
    if (ReadAt(ofs, &Data, sizeof(Data)) != int64_t(sizeof(Data)))
        RaiseFileCorrupt();
}

void TNorkFileIO::WriteTableHeader(const TTableTab& TableTab, int TableIdx, const TTableHeader& Data)
{
    const int64_t ofs = HeaderOffset(TableTab, TableIdx);
    uint8_t both[kTableHeaderSpace];
    std::memcpy(both, &Data, sizeof(Data));
    std::memcpy(both + sizeof(Data), &Data, sizeof(Data));
    WriteAt(ofs, both, sizeof(both));
}

int64_t TNorkFileIO::AppendBlock(int64_t BlockSize)
{
    const int64_t start = Size();
    if (BlockSize <= 0)
        return start;
    CheckGrowth(start + BlockSize);
    for (int64_t done = 0; done < BlockSize;) {
        const int64_t n = std::min<int64_t>(BlockSize - done, kZeroChunk);
        WriteAt(start + done, kZeros, n);
        done += n;
    }
    return start;
}

int64_t TNorkFileIO::AppendData(const void* Buffer, int64_t Count)
{
    const int64_t start = Size();
    CheckGrowth(start + Count);
    WriteAt(start, Buffer, Count);
    return start;
}

void TNorkFileIO::CopyBlock(int64_t SourceOffset, int64_t DestOffset, int64_t BlockSize)
{
    if (BlockSize <= 0 || SourceOffset == DestOffset)
        return;
    CheckGrowth(DestOffset + BlockSize);
    std::vector<uint8_t> buffer(static_cast<std::size_t>(std::min(BlockSize, kChunk)));
    // Copying towards higher offsets runs from the end, so an overlap never reads copied bytes.
    const bool backward = DestOffset > SourceOffset;
    for (int64_t done = 0; done < BlockSize;) {
        const int64_t n = std::min<int64_t>(BlockSize - done, kChunk);
        const int64_t at = backward ? BlockSize - done - n : done;
        const int64_t got = std::max<int64_t>(ReadAt(SourceOffset + at, buffer.data(), n), 0);
        std::memset(buffer.data() + got, 0, static_cast<std::size_t>(n - got));
        WriteAt(DestOffset + at, buffer.data(), n);
        done += n;
    }
}

namespace {

void CodeBlock(void* Buffer, int Size, const std::string& AlgoName, const std::string& Key, bool Encode)
{
    TEncryptMgr mgr;
    mgr.SetAlgoName(AlgoName);
    mgr.SetMode(emCTS);
    std::string key = Utf8ToAnsi(Key);
    try {
        mgr.InitKey(key);
    } catch (...) {
        WipeString(key);
        throw;
    }
    WipeString(key);
    if (Encode)
        mgr.EncodeBuffer(Buffer, Buffer, Size);
    else
        mgr.DecodeBuffer(Buffer, Buffer, Size);
}

} // namespace

void EncodeBlock(void* Buffer, int Size, const std::string& AlgoName, const std::string& Key)
{
    CodeBlock(Buffer, Size, AlgoName, Key, true);
}

void DecodeBlock(void* Buffer, int Size, const std::string& AlgoName, const std::string& Key)
{
    CodeBlock(Buffer, Size, AlgoName, Key, false);
}
