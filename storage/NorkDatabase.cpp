#include "storage/NorkDatabase.h"

#include "dataproc/AnsiText.h"
#include "dataproc/FilePaths.h"
#include "dataproc/FileStream.h"
#include "dataproc/NorkCipher.h"
#include "dataproc/Wipe.h"
#include "storage/NorkCodec.h"
#include "storage/NorkError.h"
#include "storage/NorkNames.h"
#include "storage/NorkTable.h"
#include "storage/WipedValue.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {

std::string AddressText(const void* P)
{
    char text[32];
    std::snprintf(text, sizeof(text), "%p", P);
    return text;
}

} // namespace

TNorkDatabase::TNorkDatabase()
    : FCompressMgr(std::make_unique<TCompressMgr>()), FEncryptMgr(std::make_unique<TEncryptMgr>())
{
}

TNorkDatabase::~TNorkDatabase()
{
    try {
        Close();
    } catch (...) {
        // Destruction cannot report a failed flush; the handle is closed regardless.
    }
    for (TNorkTable* table : FTables)
        table->DetachDatabase();
    FTables.clear();
}

std::string TNorkDatabase::HashString(const std::string& Password)
{
    std::string bytes = Utf8ToAnsi(Password);
    std::string digest = THash_SHA::CalcString(nullptr, bytes);
    WipeString(bytes);
    return digest;
}

// ---- creating and opening ----

bool TNorkDatabase::CreateDatabase(const std::string& FileName)
{
    return CreateDatabase(FileName, false, std::string(), false, std::string(), std::string());
}

void TNorkDatabase::NewFileImage(TMemoryStream& Image, bool CompressBlob, const std::string& CompressAlgoName,
                                 bool Encrypt, const std::string& EncryptAlgoName, const std::string& Password)
{
    TWipedValue<uint8_t[kFixedPartSize]> image;
    uint8_t* out = image.Value;
    std::memcpy(out + kMagicOfs, "NORK", 4);
    std::memcpy(out + kVersionOfs, "1.0", 3);

    TCommentsBlock comments{};
    if (Encrypt)
        EncodeBlock(&comments, sizeof(comments), EncryptAlgoName, Password);
    std::memcpy(out + kCommentsOfs, &comments, sizeof(comments));

    TDBOptions options{};
    options.CompressBlob = CompressBlob ? 1 : 0;
    StrToAnsiField(options.CompressAlgoName, sizeof(options.CompressAlgoName), CompressAlgoName);
    options.Encrypt = Encrypt ? 1 : 0;
    StrToAnsiField(options.EncryptAlgoName, sizeof(options.EncryptAlgoName), EncryptAlgoName);
    std::memcpy(out + kDBOptionsOfs, &options, sizeof(options));

    TWipedValue<TDBKeyData> keyData;
    StrToAnsiField(keyData.Value.HashPassword, sizeof(keyData.Value.HashPassword), HashString(Password));
    EncodeBlock(&keyData.Value, sizeof(keyData.Value), "Blowfish", std::string());
    std::memcpy(out + kDBKeyDataOfs, &keyData.Value, sizeof(keyData.Value));
    // Both catalogue copies stay zero: no tables.

    Image.Clear();
    Image.Write(out, kFixedPartSize);
    Image.SetPosition(0);
}

bool TNorkDatabase::CreateDatabase(const std::string& FileName, bool CompressBlob, const std::string& CompressAlgoName,
                                   bool Encrypt, const std::string& EncryptAlgoName, const std::string& Password)
{
    TMemoryStream image;
    NewFileImage(image, CompressBlob, CompressAlgoName, Encrypt, EncryptAlgoName, Password);
    try {
        TFileStream file(FileName, fmCreate, shDenyNone);
        if (file.Write(image.Memory(), image.Size()) != image.Size())
            return false;
        file.Flush();
    } catch (const EFileError&) {
        return false;
    }
    return true;
}

bool TNorkDatabase::Open(const std::string& AFileName, const std::string& APassword)
{
    Close();
    FInMemory = false;
    FFileName = FullPath(AFileName);
    FMemStream = nullptr;
    return OpenDatabase(APassword);
}

bool TNorkDatabase::Open(TMemoryStream* AStream, const std::string& APassword)
{
    Close();
    FInMemory = true;
    FMemStream = AStream;
    FFileName.clear();
    return OpenDatabase(APassword);
}

bool TNorkDatabase::OpenDatabase(const std::string& APassword)
{
    bool accepted = false;
    try {
        accepted = WithFileIO([&] {
            if (!FFileIO.IsValidDBFile())
                RaiseNorkError(SNorkInvalidFile, FInMemory ? AddressText(FMemStream) : FFileName);
            if (!FFileIO.IsValidVersion())
                RaiseNorkError(SNorkVersionTooHigh);
            if (FFileIO.Size() < kFixedPartSize)
                RaiseFileCorrupt();
            if (!FInMemory) {
                FFileAnchor.Open(FFileName);
                if (!FFileAnchor.Holds(FFileIO.Handle()))
                    RaiseFileReplaced(ffReplaced);
            }
            LoadTableTab();
            FFileIO.ReadDBOptions(FDBOptions);
            FFileIO.ReadDBKeyData(FDBKeyData);
            InitAlgorithms();
            LoadTableNames();
            if (!Encrypted())
                return true;
            const std::string stored(AnsiFieldBytes(FDBKeyData.HashPassword, sizeof(FDBKeyData.HashPassword)));
            if (HashString(APassword) != stored)
                return false;
            FPassword = APassword;
            std::string key = Utf8ToAnsi(APassword);
            try {
                std::lock_guard<std::mutex> lock(FDPCSect);
                FEncryptMgr->InitKey(key);
            } catch (...) {
                WipeString(key);
                throw;
            }
            WipeString(key);
            return true;
        });
    } catch (...) {
        FFileAnchor.Close();
        FTableNames.clear();
        WipeString(FPassword);
        SecureZero(&FDBKeyData, sizeof(FDBKeyData));
        throw;
    }
    if (!accepted) {
        FFileAnchor.Close();
        SecureZero(&FDBKeyData, sizeof(FDBKeyData));
    }
    FActive = accepted;
    return accepted;
}

void TNorkDatabase::InitAlgorithms()
{
    std::lock_guard<std::mutex> lock(FDPCSect);
    if (FDBOptions.CompressBlob) {
        FCompressMgr->SetAlgoName(CompressAlgoName());
        FCompressMgr->SetLevel(clNormal);
    }
    if (FDBOptions.Encrypt) {
        FEncryptMgr->SetAlgoName(EncryptAlgoName());
        FEncryptMgr->SetMode(emCTS);
    }
}

void TNorkDatabase::LoadTableTab()
{
    TTableTab tab{};
    FFileIO.ReadTableTab(tab);
    CheckTableTab(tab);
    FTableTab = tab;
}

void TNorkDatabase::LoadTableNames()
{
    FTableNames.clear();
    for (int i = 0; i < FTableTab.TableCount; ++i) {
        TTableHeader header{};
        FFileIO.ReadTableHeader(FTableTab, i, header);
        FTableNames.push_back(AnsiFieldToStr(header.TableName, sizeof(header.TableName)));
    }
}

void TNorkDatabase::Close()
{
    // A bracket left open by a caller ends here too: with what it wrote, unless a step of it
    // failed half-way; then its change is taken back (and a failure to do so reported).
    std::string undoFailure;
    if (FUpdateCount > 0) {
        try {
            FFileIO.UndoSpoiltChanges();
        } catch (const std::exception& e) {
            undoFailure = e.what();
        }
    }
    CloseAllTables();
    FActive = false;
    WipeString(FPassword);
    SecureZero(&FDBKeyData, sizeof(FDBKeyData));
    {
        // Fresh managers forget the key schedule of the old password.
        std::lock_guard<std::mutex> lock(FDPCSect);
        FEncryptMgr = std::make_unique<TEncryptMgr>();
        FCompressMgr = std::make_unique<TCompressMgr>();
    }
    FUpdateCount = 0;
    FFileIO.ForgetChanges();
    FFileIO.Close();
    FFileAnchor.Close();
    if (!undoFailure.empty())
        throw EFileError("A change that failed half-way could not be taken back: " + undoFailure);
}

void TNorkDatabase::CloseAllTables()
{
    for (TNorkTable* table : FTables)
        if (table->Active())
            table->Close();
}

void TNorkDatabase::RegisterTable(TNorkTable* Table)
{
    FTables.push_back(Table);
}

void TNorkDatabase::UnregisterTable(TNorkTable* Table) noexcept
{
    FTables.erase(std::remove(FTables.begin(), FTables.end(), Table), FTables.end());
}

// ---- the file handle ----

void TNorkDatabase::OpenFileIO()
{
    if (FInMemory) {
        FFileIO.Open(FMemStream, FExclusive, FReadOnly, FStartOffset);
    } else if (FReadAnchored) {
        FFileIO.Open(FFileAnchor.HandlePath(), FExclusive, true, FStartOffset);
        return; // reading for a copy says nothing about whether the box may be written
    } else {
        // Looked at before the handle is taken and again after, so that a swap in between is
        // caught as well: the handle must be on the file this database read its catalogue from.
        CheckFileInPlace();
        FFileIO.Open(FFileName, FExclusive, FReadOnly, FStartOffset);
        if (FActive && FFileAnchor.IsOpen() && !FFileAnchor.Holds(FFileIO.Handle())) {
            FFileIO.CloseNoThrow();
            RaiseFileReplaced(ffReplaced);
        }
    }
    FReadOnly = FFileIO.DBStream()->ReadOnly();
}

TFileFate TNorkDatabase::FileFate() const
{
    return FActive && !FInMemory ? FFileAnchor.FateOf(FFileName) : ffSame;
}

void TNorkDatabase::CheckFileInPlace() const
{
    const TFileFate fate = FileFate();
    if (fate != ffSame)
        RaiseFileReplaced(fate);
}

void TNorkDatabase::RaiseFileReplaced(TFileFate Fate) const
{
    throw ENorkFileReplaced(NorkFormat(Fate == ffGone ? SNorkFileGone : SNorkFileReplaced, FFileName), Fate);
}

std::string TNorkDatabase::SourcePath() const
{
    return FReadAnchored ? FFileAnchor.HandlePath() : FFileName;
}

void TNorkDatabase::AcquireFileIO(bool Savepoint)
{
    if (FUpdateCount == 0 || !FFileIO.IsOpen()) {
        OpenFileIO();
        FWritesAtBegin = FFileIO.WriteCount();
    }
    if (Savepoint) {
        try {
            FFileIO.BeginChange();
        } catch (...) {
            if (FUpdateCount == 0)
                FFileIO.CloseNoThrow();
            throw;
        }
    }
    ++FUpdateCount;
}

void TNorkDatabase::ReleaseFileIO(bool Savepoint)
{
    if (FUpdateCount == 0)
        return;
    if (!Savepoint) {
        --FUpdateCount;
        return;
    }
    // A change that a failed step left half made is taken back as a whole.
    if (FFileIO.ChangeSpoilt()) {
        const std::string why = FFileIO.ChangeSpoiltBy();
        const std::string undoFailure = CancelFileIO();
        throw Exception(why + (undoFailure.empty() ? "; the change was taken back" : "; " + undoFailure));
    }
    if (FUpdateCount > 1) {
        FFileIO.EndChange();
        --FUpdateCount;
        return;
    }
    // A change written while the path was swapped went into a file nobody will read: it is
    // taken back there too and reported, never announced as made.
    if (FFileIO.WriteCount() != FWritesAtBegin) {
        const TFileFate fate = FileFate();
        if (fate != ffSame) {
            CancelFileIO(); // the file is out of use either way: a failure here changes nothing
            RaiseFileReplaced(fate);
        }
    }
    // The outermost change is complete once it is on the device; when it cannot be put there,
    // it is taken back as a whole, so the caller's error and the file agree.
    try {
        FFileIO.Flush();
    } catch (const std::exception& e) {
        const std::string undoFailure = CancelFileIO();
        if (!undoFailure.empty())
            throw EFileError(std::string(e.what()) + "; " + undoFailure);
        throw;
    }
    FFileIO.ForgetChanges();
    FUpdateCount = 0;
    FFileIO.Close();
}

std::string TNorkDatabase::CancelFileIO() noexcept
{
    if (FUpdateCount == 0)
        return std::string();
    std::string failure;
    bool changed = false;
    try {
        changed = FFileIO.UndoChange();
    } catch (const std::exception& e) {
        changed = true;
        failure = std::string("the change could not be taken back: ") + e.what();
    } catch (...) {
        changed = true;
        failure = "the change could not be taken back";
    }
    if (changed)
        ReloadAfterUndo();
    if (--FUpdateCount == 0) {
        FFileIO.ForgetChanges();
        FFileIO.CloseNoThrow();
    }
    return failure;
}

void TNorkDatabase::ReloadAfterUndo() noexcept
{
    // What the file holds again is what memory must hold: the catalogue, the key data and every
    // open table with its map, cache and indexes.
    try {
        if (FActive) {
            LoadTableTab();
            FFileIO.ReadDBKeyData(FDBKeyData);
            LoadTableNames();
        }
    } catch (...) {
        // The tables below then fail to open again and stay closed.
    }
    for (TNorkTable* table : FTables)
        if (table->Active())
            table->Reload();
}

void TNorkDatabase::BeginUpdate()
{
    CheckActive();
    AcquireFileIO(true);
}

void TNorkDatabase::EndUpdate()
{
    CheckActive();
    ReleaseFileIO(true);
}

void TNorkDatabase::CancelUpdate() noexcept
{
    (void)CancelFileIO();
}

// ---- tables ----

int TNorkDatabase::TableIndexOf(const std::string& TableName) const
{
    const std::string stored = StoredName(TableName);
    for (std::size_t i = 0; i < FTableNames.size(); ++i)
        if (SameText(FTableNames[i], stored))
            return static_cast<int>(i);
    return -1;
}

bool TNorkDatabase::TableExists(const std::string& TableName) const
{
    return TableIndexOf(TableName) >= 0;
}

int TNorkDatabase::FindTableInFile(const std::string& TableName)
{
    const std::string stored = StoredName(TableName);
    for (int i = 0; i < FTableTab.TableCount; ++i) {
        TTableHeader header{};
        FFileIO.ReadTableHeader(FTableTab, i, header);
        if (SameText(AnsiFieldToStr(header.TableName, sizeof(header.TableName)), stored))
            return i;
    }
    return -1;
}

bool TNorkDatabase::CreateTable(const std::string& TableName, int RecordSize, int BlobCount, int RecCapacity)
{
    CheckActive();
    if (!IsValidName(TableName))
        RaiseNorkError(SNorkInvalidTableName, TableName);
    if (RecCapacity < 1)
        RecCapacity = 1;
    return WithFileIO([&] {
        LoadTableTab();
        if (FTableTab.TableCount >= kMaxTables)
            RaiseNorkError(SNorkTooManyTables);
        if (FindTableInFile(TableName) >= 0)
            RaiseNorkError(SNorkDuplicateTable, TableName);

        TTableHeader header{};
        StrToAnsiField(header.TableName, sizeof(header.TableName), TableName);
        header.RecordSize = RecordSize;
        header.BlobCount = BlobCount;
        header.InitAliveCapa = RecCapacity;
        uint8_t both[kTableHeaderSpace];
        std::memcpy(both, &header, sizeof(header));
        std::memcpy(both + sizeof(header), &header, sizeof(header));

        // The header goes in before the catalogue entry that points at it, so an interrupted
        // creation leaves only unused space behind.
        TTableTab tab = FTableTab;
        const int64_t offset = FFileIO.AppendData(both, sizeof(both));
        tab.TableHeaderOffset[tab.TableCount] = static_cast<int32_t>(offset);
        ++tab.TableCount;
        FFileIO.WriteTableTab(tab);
        FTableTab = tab;
        FTableNames.push_back(StoredName(TableName));
        return true;
    });
}

bool TNorkDatabase::DeleteTable(const std::string& TableName)
{
    CheckActive();
    if (!IsValidName(TableName))
        RaiseNorkError(SNorkInvalidTableName, TableName);
    CloseAllTables();
    return WithFileIO([&] {
        LoadTableTab();
        const int index = FindTableInFile(TableName);
        if (index < 0)
            RaiseNorkError(SNorkTableNotFound, TableName);
        // Later entries move down one place; the last old entry stays behind, stale.
        TTableTab tab = FTableTab;
        for (int i = index; i + 1 < tab.TableCount; ++i)
            tab.TableHeaderOffset[i] = tab.TableHeaderOffset[i + 1];
        --tab.TableCount;
        FFileIO.WriteTableTab(tab);
        FTableTab = tab;
        LoadTableNames();
        return true;
    });
}

bool TNorkDatabase::RenameTable(const std::string& OldTableName, const std::string& NewTableName)
{
    CheckActive();
    if (!IsValidName(NewTableName))
        RaiseNorkError(SNorkInvalidTableName, NewTableName);
    return WithFileIO([&] {
        LoadTableTab();
        const int index = FindTableInFile(OldTableName);
        if (index < 0)
            RaiseNorkError(SNorkTableNotFound, OldTableName);
        const int other = FindTableInFile(NewTableName);
        if (other >= 0 && other != index)
            RaiseNorkError(SNorkDuplicateTable, NewTableName);
        TTableHeader header{};
        FFileIO.ReadTableHeader(FTableTab, index, header);
        StrToAnsiField(header.TableName, sizeof(header.TableName), NewTableName);
        FFileIO.WriteTableHeader(FTableTab, index, header);
        LoadTableNames();
        return true;
    });
}

// ---- indexes ----

bool TNorkDatabase::CreateIndex(const std::string& TableName, const std::string& IndexName, int FieldOffset,
                                TNorkIndexType IndexType)
{
    return CreateIndex(TableName, IndexName, std::vector<TIndexFieldItem>{TIndexFieldItem{FieldOffset, IndexType}});
}

bool TNorkDatabase::CreateIndex(const std::string& TableName, const std::string& IndexName,
                                const std::vector<TIndexFieldItem>& IndexFieldItems)
{
    CheckActive();
    if (!IsValidName(TableName))
        RaiseNorkError(SNorkInvalidTableName, TableName);
    if (!IsValidName(IndexName))
        RaiseNorkError(SNorkInvalidIndexName, IndexName);
    return WithFileIO([&] {
        LoadTableTab();
        const int table = FindTableInFile(TableName);
        if (table < 0)
            RaiseNorkError(SNorkTableNotFound, TableName);
        TTableHeader header{};
        FFileIO.ReadTableHeader(FTableTab, table, header);
        CheckTableHeader(header, FFileIO.Size());
        if (header.IndexCount >= kMaxIndexes)
            RaiseNorkError(SNorkTooManyIndexes);
        const std::string stored = StoredName(IndexName);
        for (int k = 0; k < header.IndexCount; ++k) {
            const TIndexHeaderItem& other = header.IndexHeader[k];
            if (SameText(AnsiFieldToStr(other.IndexName, sizeof(other.IndexName)), stored))
                RaiseNorkError(SNorkDuplicateIndex, IndexName);
        }
        // Deleted records count: their slots would carry no link for the new index.
        if (header.BaseUseSpace != 0 || header.AliveUseSpace != 0)
            RaiseNorkError(SNorkCreateIndexFail);
        // The header holds at most eight field items; an index without any would order by id only.
        const std::size_t count = IndexFieldItems.size();
        if (count == 0 || count > std::size_t(kMaxIndexFields))
            RaiseNorkError(SNorkCreateIndexFail);
        for (std::size_t i = 0; i < count; ++i)
            for (std::size_t j = i + 1; j < count; ++j)
                if (IndexFieldItems[i].FieldOffset == IndexFieldItems[j].FieldOffset)
                    RaiseNorkError(SNorkDuplicateFieldOffset, IndexFieldItems[i].FieldOffset);
        for (const TIndexFieldItem& item : IndexFieldItems)
            if (item.FieldOffset < 0 ||
                int64_t(item.FieldOffset) + IndexFieldWidth(item.IndexType) > int64_t(header.RecordSize))
                RaiseNorkError(SNorkInvalidFieldOffset, item.FieldOffset);

        TIndexHeaderItem& entry = header.IndexHeader[header.IndexCount];
        std::memset(&entry, 0, sizeof(entry));
        StrToAnsiField(entry.IndexName, sizeof(entry.IndexName), IndexName);
        entry.FirstSlot = -1;
        entry.FieldCount = static_cast<int32_t>(count);
        for (int j = 0; j < kMaxIndexFields; ++j)
            entry.FieldItems[j] = std::size_t(j) < count ? IndexFieldItems[std::size_t(j)] : TIndexFieldItem{-1, 0};
        ++header.IndexCount;
        // Each record now carries one more link, so an alive area kept from before (a table that
        // was emptied) is too small for the records it was reserved for; the next append
        // reserves a new one instead of writing past the old one.
        if (header.AliveCapacity != 0) {
            header.AliveDataOfs = 0;
            header.AliveCapacity = 0;
            header.AliveUseSpace = 0;
        }
        FFileIO.WriteTableHeader(FTableTab, table, header);
        return true;
    });
}

// ---- free-use data, comments, recovery question ----

void TNorkDatabase::SetExtData(const void* Buffer, int Size)
{
    WithFileIO([&] {
        TWipedValue<TExtDataBlock> block;
        if (Size > 0)
            std::memcpy(block.Value.Data, Buffer, std::min<std::size_t>(std::size_t(Size), sizeof(block.Value.Data)));
        FFileIO.WriteExtData(block.Value);
    });
}

void TNorkDatabase::GetExtData(void* Buffer, int Size)
{
    WithFileIO([&] {
        TWipedValue<TExtDataBlock> block;
        FFileIO.ReadExtData(block.Value);
        if (Size > 0)
            std::memcpy(Buffer, block.Value.Data, std::min<std::size_t>(std::size_t(Size), sizeof(block.Value.Data)));
    });
}

void TNorkDatabase::SetComments(const std::string& Value)
{
    CheckActive();
    WithFileIO([&] {
        TWipedValue<TCommentsBlock> block;
        StrToAnsiField(block.Value.Text, sizeof(block.Value.Text), Value);
        if (Encrypted())
            EncodeBlock(&block.Value, sizeof(block.Value), EncryptAlgoName(), FPassword);
        FFileIO.WriteComments(block.Value);
    });
}

std::string TNorkDatabase::GetComments()
{
    CheckActive();
    return WithFileIO([&] {
        TWipedValue<TCommentsBlock> block;
        FFileIO.ReadComments(block.Value);
        if (Encrypted())
            DecodeBlock(&block.Value, sizeof(block.Value), EncryptAlgoName(), FPassword);
        return AnsiFieldToStr(block.Value.Text, sizeof(block.Value.Text));
    });
}

void TNorkDatabase::SetPwdQuestion(bool UseQuestion, const std::string& Question, const std::string& Answer,
                                   const std::string& Password)
{
    CheckActive();
    WithFileIO([&] {
        TWipedValue<TDBKeyData> keyData;
        TDBKeyData& k = keyData.Value;
        FFileIO.ReadDBKeyData(k);
        k.UseQuestion = UseQuestion ? 1 : 0;
        if (UseQuestion) {
            StrToAnsiField(k.OrgPassword, sizeof(k.OrgPassword), Password);
            StrToAnsiField(k.PwdQuestion, sizeof(k.PwdQuestion), Question);
            StrToAnsiField(k.PwdAnswer, sizeof(k.PwdAnswer), Answer);
        } else {
            SecureZero(k.OrgPassword, sizeof(k.OrgPassword));
            SecureZero(k.PwdQuestion, sizeof(k.PwdQuestion));
            SecureZero(k.PwdAnswer, sizeof(k.PwdAnswer));
        }
        FFileIO.WriteDBKeyData(k);
        FDBKeyData = k;
    });
}

bool TNorkDatabase::GetPwdQuestion(std::string& Question)
{
    TWipedValue<TDBKeyData> keyData;
    WithFileIO([&] { FFileIO.ReadDBKeyData(keyData.Value); });
    if (!keyData.Value.UseQuestion)
        return false;
    Question = AnsiFieldToStr(keyData.Value.PwdQuestion, sizeof(keyData.Value.PwdQuestion));
    return true;
}

bool TNorkDatabase::GetPwdAnswer(std::string& Answer)
{
    TWipedValue<TDBKeyData> keyData;
    WithFileIO([&] { FFileIO.ReadDBKeyData(keyData.Value); });
    if (!keyData.Value.UseQuestion)
        return false;
    Answer = AnsiFieldToStr(keyData.Value.PwdAnswer, sizeof(keyData.Value.PwdAnswer));
    return true;
}

bool TNorkDatabase::GetPwdByAnswer(const std::string& Answer, std::string& Password)
{
    return WithFileIO([&] {
        try {
            TWipedValue<TDBKeyData> keyData;
            const TDBKeyData& k = keyData.Value;
            FFileIO.ReadDBKeyData(keyData.Value);
            if (!k.UseQuestion)
                return false;
            std::string stored = AnsiFieldToStr(k.PwdAnswer, sizeof(k.PwdAnswer));
            const bool same = stored == Answer;
            WipeString(stored);
            if (same)
                Password = AnsiFieldToStr(k.OrgPassword, sizeof(k.OrgPassword));
            return same;
        } catch (const Exception&) {
            // A damaged or unreadable key block is no answer; memory exhaustion and programming
            // errors are not answers either and pass on.
            return false;
        }
    });
}

// ---- settings ----

void TNorkDatabase::CheckActive() const
{
    if (!FActive)
        RaiseNorkError(SNorkDatabaseClosed);
}

void TNorkDatabase::CheckInactive() const
{
    if (FActive)
        RaiseNorkError(SNorkDatabaseOpen);
}

void TNorkDatabase::SetFileName(const std::string& Value)
{
    CheckInactive();
    FFileName = FullPath(Value);
    FInMemory = false;
    FMemStream = nullptr;
}

void TNorkDatabase::SetStartOffset(int32_t Value)
{
    CheckInactive();
    FStartOffset = std::max<int32_t>(Value, 0);
}

void TNorkDatabase::SetReadOnly(bool Value)
{
    CheckInactive();
    FReadOnly = Value;
}

void TNorkDatabase::SetExclusive(bool Value)
{
    CheckInactive();
    FExclusive = Value;
}

void TNorkDatabase::SetMaxCache(int32_t Value)
{
    CheckInactive();
    FMaxCache = std::max<int32_t>(Value, 0);
}

std::string TNorkDatabase::EncryptAlgoName() const
{
    return AnsiFieldToStr(FDBOptions.EncryptAlgoName, sizeof(FDBOptions.EncryptAlgoName));
}

std::string TNorkDatabase::CompressAlgoName() const
{
    return AnsiFieldToStr(FDBOptions.CompressAlgoName, sizeof(FDBOptions.CompressAlgoName));
}

// ---- codec services ----

void TNorkDatabase::EncodeRecordBuffer(const void* Source, void* Dest, int Size, bool Encrypt)
{
    if (Size <= 0)
        return;
    std::lock_guard<std::mutex> lock(FDPCSect);
    if (Encrypt)
        FEncryptMgr->EncodeBuffer(Source, Dest, Size);
    else if (Source != Dest)
        std::memmove(Dest, Source, static_cast<std::size_t>(Size));
}

void TNorkDatabase::DecodeRecordBuffer(const void* Source, void* Dest, int Size, bool Encrypt)
{
    if (Size <= 0)
        return;
    std::lock_guard<std::mutex> lock(FDPCSect);
    if (Encrypt)
        FEncryptMgr->DecodeBuffer(Source, Dest, Size);
    else if (Source != Dest)
        std::memmove(Dest, Source, static_cast<std::size_t>(Size));
}

void TNorkDatabase::EncodeBlobStream(TMemoryStream* Source, TMemoryStream* Dest, bool Compress, bool Encrypt)
{
    std::lock_guard<std::mutex> lock(FDPCSect);
    Source->SetPosition(0);
    if (Dest != Source)
        Dest->Clear();
    if (!Compress && !Encrypt) {
        if (Dest != Source)
            Dest->CopyFrom(*Source, 0);
        return;
    }
    if (Compress)
        FCompressMgr->EncodeStream(Source, Dest, Source->Size());
    if (Encrypt) {
        TMemoryStream compressed;
        TMemoryStream* input = Source;
        if (Compress) {
            compressed.Swap(*Dest); // Dest is empty again and receives the enciphered bytes
            input = &compressed;
        }
        input->SetPosition(0);
        FEncryptMgr->EncodeStream(input, Dest, input->Size());
    }
}

void TNorkDatabase::DecodeBlobStream(TMemoryStream* Source, TMemoryStream* Dest, bool Compress, bool Encrypt,
                                     int64_t PlainSize)
{
    // Only the cipher keeps state between calls; inflating needs no lock.
    if (Encrypt) {
        std::lock_guard<std::mutex> lock(FDPCSect);
        DecodeStoredBlob(FEncryptMgr.get(), nullptr, Source, Dest, PlainSize);
        Source = Dest;
    }
    if (Compress || !Encrypt)
        DecodeStoredBlob(nullptr, Compress ? FCompressMgr.get() : nullptr, Source, Dest, PlainSize);
}

std::unique_ptr<TNorkCodec> TNorkDatabase::NewCodec()
{
    CheckActive();
    std::string key = Encrypted() ? Utf8ToAnsi(FPassword) : std::string();
    try {
        auto codec = std::make_unique<TNorkCodec>(Compressed(), CompressAlgoName(), Encrypted(), EncryptAlgoName(), key);
        WipeString(key);
        return codec;
    } catch (...) {
        WipeString(key);
        throw;
    }
}
