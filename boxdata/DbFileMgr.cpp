#include "boxdata/DbFileMgr.h"

#include "boxdata/BoxSchema.h"
#include "boxdata/RecordBuffer.h"
#include "boxdata/StoredRecords.h"
#include "dataproc/AnsiText.h"
#include "dataproc/Exception.h"
#include "dataproc/FilePaths.h"
#include "dataproc/FileReplacement.h"
#include "dataproc/UpdateBracket.h"
#include "storage/Nork.h"
#include "storage/NorkLeftovers.h"

#include <cstring>
#include <sys/stat.h>

TDbFileMgr DbFileMgr;

TDbFileMgr::TDbFileMgr()
    : FDatabase(std::make_unique<TNorkDatabase>()),
      FFolderTable(std::make_unique<TNorkTable>(FDatabase.get())),
      FNetItemTable(std::make_unique<TNorkTable>(FDatabase.get())),
      FBankItemTable(std::make_unique<TNorkTable>(FDatabase.get())),
      FCommItemTable(std::make_unique<TNorkTable>(FDatabase.get())),
      FAttachTable(std::make_unique<TNorkTable>(FDatabase.get()))
{
    FDatabase->SetOnProgress([this](TNorkDatabase*, int PercentDone) {
        if (FOnProgress)
            FOnProgress(PercentDone);
    });
}

TDbFileMgr::~TDbFileMgr()
{
    try {
        CloseDatabase();
    } catch (...) {
        // Nothing can be reported while the program ends.
    }
}

void TDbFileMgr::SetMessageProc(TMessageProc Proc)
{
    FMessageProc = std::move(Proc);
}

void TDbFileMgr::SetOnProgress(TProgressProc Proc)
{
    FOnProgress = std::move(Proc);
}

void TDbFileMgr::ShowMessage(const std::string& Text)
{
    if (FMessageProc)
        FMessageProc(Text);
    else
        FLastMessage = Text;
}

// ---- operations on a named file ----

bool TDbFileMgr::CreateDatabase(const std::string& FileName, const std::string& Password, bool CheckPassword,
                                bool UsePwdQues, const std::string& PwdQues, const std::string& PwdAnswer)
{
    using namespace BoxSchema;
    FLastMessage.clear();
    // The new box is built in memory and replaces FileName only when it is complete, so a
    // failure leaves no half-made box behind and an existing file as it was.
    std::unique_ptr<TFileReplacement> file;
    try {
        TReplaceOptions options;
        options.Prefix = kNorkTempPrefix;
        file = std::make_unique<TFileReplacement>(FileName, options);
    } catch (const EFileError&) {
        ShowMessage("无法创建数据库。");
        return false;
    }
    TMemoryStream image; // wipes what it held when released
    {
        TNorkDatabase db;
        TNorkTable folders(&db);
        TNorkDatabase::NewFileImage(image, true, "Zlib", CheckPassword, "Blowfish", Password);
        db.Open(&image, Password);
        if (UsePwdQues)
            db.SetPwdQuestion(true, PwdQues, PwdAnswer, Password);

        uint8_t ext[kExtDataSize] = {};
        std::memcpy(ext, kAppIdent, std::strlen(kAppIdent));
        std::memcpy(ext + 8, kAppVersion, std::strlen(kAppVersion));
        db.SetExtData(ext, kExtDataSize);
        db.SetComments(kComments);

        for (const TTableDef& t : kTables)
            db.CreateTable(t.Name, t.RecordSize, t.BlobCount, t.RecCapacity);
        for (const TIndexDef& i : kIndexes)
            db.CreateIndex(i.Table, i.Name, i.FieldOffset, itLongint);

        db.Open(&image, Password);
        folders.Open(kFolderTable, true);
        {
            TUpdateBracket bracket(folders);
            for (const TDefaultFolder& f : kDefaultFolders) {
                TRecordBuffer rec;
                PackFolder(TZembraFolder{0, f.ParentID, f.Name, f.SortCode}, rec.Data());
                folders.AppendRecord(rec.Data(), FolderRec::kSize, f.ID);
            }
        }
        folders.Close();
        db.Close();
    }
    file->Write(image.Memory(), image.Size());
    file->Commit();
    return true;
}

bool TDbFileMgr::IsValidFile(const std::string& FileName)
{
    using namespace BoxSchema;
    TNorkDatabase db;
    db.SetFileName(FileName);
    uint8_t ext[kExtDataSize] = {};
    db.GetExtData(ext, kExtDataSize);
    return AnsiFieldBytes(ext, 8) == kAppIdent && AnsiFieldBytes(ext + 8, 4) == kAppVersion;
}

// Both answer false for every error of the file or the engine (a missing, damaged or foreign
// file); memory exhaustion and programming errors are not answers and pass on.
bool TDbFileMgr::CheckPassword(const std::string& FileName, const std::string& Password)
{
    try {
        TNorkDatabase db;
        const bool ok = db.Open(FileName, Password);
        db.Close();
        return ok;
    } catch (const Exception&) {
        return false;
    }
}

bool TDbFileMgr::GetCheckPassword(const std::string& FileName)
{
    try {
        TNorkDatabase db;
        const bool result = db.Open(FileName, "") ? db.Encrypted() : true;
        db.Close();
        return result;
    } catch (const Exception&) {
        return false;
    }
}

bool TDbFileMgr::GetPwdQuestion(const std::string& FileName, std::string& Question, std::string& Answer)
{
    TNorkDatabase db;
    db.SetFileName(FileName);
    const bool used = db.GetPwdQuestion(Question);
    if (used)
        db.GetPwdAnswer(Answer);
    return used;
}

bool TDbFileMgr::GetPwdByAnswer(const std::string& FileName, const std::string& Answer, std::string& Password)
{
    TNorkDatabase db;
    db.SetFileName(FileName);
    return db.GetPwdByAnswer(Answer, Password);
}

// ---- the open box ----

void TDbFileMgr::OpenDatabase(const std::string& FileName, const std::string& Password)
{
    using namespace BoxSchema;
    CloseDatabase();
    // What a rebuild killed before its rename left beside the box goes first.
    RemoveLeftoverFiles(FolderOf(FullPath(FileName)));
    FDatabase->SetExclusive(true);
    FDatabase->SetMaxCache(0);
    // The result is not looked at: callers check the password first, and a database that did
    // not open makes the first table raise.
    FDatabase->Open(FileName, Password);
    try {
        OpenTables();
    } catch (...) {
        // Never leave a box half open: some tables readable, others not.
        try {
            CloseDatabase();
        } catch (...) {
        }
        throw;
    }
    FFileName = FullPath(FileName);
    FPassword = Password;
}

void TDbFileMgr::ReOpenDatabase()
{
    if (!FFileName.empty())
        OpenDatabase(FFileName, FPassword);
}

void TDbFileMgr::OpenTables()
{
    using namespace BoxSchema;
    FFolderTable->Open(kFolderTable, true);
    FNetItemTable->Open(kNetItemTable, true);
    FBankItemTable->Open(kBankItemTable, true);
    FCommItemTable->Open(kCommItemTable, true);
    FAttachTable->Open(kAttachTable, true);
}

void TDbFileMgr::CloseTables()
{
    ++FGeneration;
    FFolderTable->Close();
    FNetItemTable->Close();
    FBankItemTable->Close();
    FCommItemTable->Close();
    FAttachTable->Close();
}

void TDbFileMgr::CloseDatabase()
{
    CloseTables();
    FDatabase->Close();
}

bool TDbFileMgr::IsOpen() const
{
    return FDatabase->Active();
}

void TDbFileMgr::BeginUpdate()
{
    FDatabase->BeginUpdate();
}

void TDbFileMgr::EndUpdate()
{
    FDatabase->EndUpdate();
}

void TDbFileMgr::CancelUpdate() noexcept
{
    FDatabase->CancelUpdate();
}

namespace {

// Runs a rebuild with the tables closed and opens the box again afterwards, whatever happened;
// a failure of the reopen after a failed rebuild does not hide the rebuild's own error. A box
// whose path leads elsewhere is refused first: opening it again by its path would open another file.
template <class Fn>
bool RebuildAndReopen(TDbFileMgr& Mgr, TNorkDatabase& Database, Fn Rebuild)
{
    Database.CheckFileInPlace();
    Mgr.CloseTables();
    bool result = false;
    try {
        result = Rebuild();
    } catch (const ENorkFileReplaced&) {
        throw;
    } catch (...) {
        try {
            Mgr.ReOpenDatabase();
        } catch (...) {
        }
        throw;
    }
    Mgr.ReOpenDatabase();
    return result;
}

} // namespace

bool TDbFileMgr::ChangePassword(const std::string& NewPassword, bool CheckPwd)
{
    return RebuildAndReopen(*this, *FDatabase, [&] {
        const bool ok = FDatabase->ChangePassword(NewPassword, CheckPwd);
        if (ok)
            FPassword = NewPassword;
        return ok;
    });
}

void TDbFileMgr::SetPwdQuestion(bool UseQuestion, const std::string& Question, const std::string& Answer)
{
    FDatabase->SetPwdQuestion(UseQuestion, Question, Answer, FPassword);
}

bool TDbFileMgr::Compact()
{
    return RebuildAndReopen(*this, *FDatabase, [&] { return FDatabase->Compact(); });
}

bool TDbFileMgr::SaveCopyAs(const std::string& NewFileName)
{
    CloseTables();
    bool saved = false;
    try {
        saved = FDatabase->SaveCopyAs(NewFileName);
    } catch (...) {
        // Back to the file that was opened, as far as its path still leads to it.
        try {
            if (FDatabase->Active())
                OpenTables();
        } catch (...) {
        }
        throw;
    }
    if (!saved) {
        OpenTables();
        return false;
    }
    FFileName = FDatabase->FileName();
    OpenTables();
    return true;
}

TFileFate TDbFileMgr::FileFate() const
{
    return FDatabase->FileFate();
}

int32_t TDbFileMgr::FileSize() const
{
    struct stat st {};
    if (FFileName.empty() || ::stat(FFileName.c_str(), &st) != 0)
        return 0;
    return static_cast<int32_t>(st.st_size);
}

std::chrono::system_clock::time_point TDbFileMgr::FileDate() const
{
    struct stat st {};
    if (FFileName.empty() || ::stat(FFileName.c_str(), &st) != 0)
        return {};
    return std::chrono::system_clock::from_time_t(st.st_mtim.tv_sec) +
           std::chrono::duration_cast<std::chrono::system_clock::duration>(std::chrono::nanoseconds(st.st_mtim.tv_nsec));
}

bool TDbFileMgr::FileIsReadOnly() const
{
    return FDatabase->ReadOnly();
}

bool TDbFileMgr::Encrypted() const
{
    return FDatabase->Active() && FDatabase->Encrypted();
}

std::string TDbFileMgr::CompressAlgoName() const
{
    return FDatabase->Active() && FDatabase->Compressed() ? FDatabase->CompressAlgoName() : std::string();
}
