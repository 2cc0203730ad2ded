// The password box: five tables over one storage-engine database, the default folder tree,
// folders, entries of three kinds, attachments and search. This is the only component that
// knows what a box contains; windows, dialogs and the command-line tool all go through the one
// process-wide instance DbFileMgr. Nothing here shows anything: messages go through a function
// the caller sets.
//
// Errors: every method raises unless it says it answers a status. The errors are those of the
// storage engine (ENorkError, ENorkFileCorrupt), of the file (EFileError, naming the box and the
// reason, "No space left on device") and of the codecs; normal negative outcomes (no such entry,
// a wrong password for the checks) are statuses. Every change (an entry with its comments, an
// attachment with its content, a folder with what it holds, a move, a sort code, the password
// and question, a compaction) completes or, when it raises, has been taken back: the box holds
// what it held before, on the device and as the manager reads it. An error that says the
// change could not be taken back is the exception.
//
// Threads: the manager and everything it returns belong to one thread (the user-interface
// thread); nothing here locks. The operations on a named file use databases of their own and
// touch no state of the manager but the last message.
#pragma once

#include "boxdata/SearchText.h"
#include "boxdata/ZembraTypes.h"
#include "dataproc/FileAnchor.h"
#include "dataproc/MemoryStream.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

class TNorkDatabase;
class TNorkTable;
struct TSalvageReport; // boxdata/BoxSalvage.h

class TDbFileMgr {
public:
    // Shows a message to the user (the desktop program sets a message box; the default keeps the
    // text for LastMessage).
    using TMessageProc = std::function<void(const std::string& Text)>;
    // Progress of a rebuild (compaction, password change), 0..100.
    using TProgressProc = std::function<void(int PercentDone)>;

    TDbFileMgr();
    ~TDbFileMgr();
    TDbFileMgr(const TDbFileMgr&) = delete;
    TDbFileMgr& operator=(const TDbFileMgr&) = delete;

    void SetMessageProc(TMessageProc Proc);
    // The last message given while no message function was set (cleared by each file operation).
    const std::string& LastMessage() const { return FLastMessage; }
    void SetOnProgress(TProgressProc Proc);

    // ---- operations on a named file; none needs or touches the open box ----

    // A new box with the default folder tree; CheckPassword selects encryption. The box is built
    // in memory and replaces FileName whole (an existing file stays as it was until then). False
    // only when no file can be created beside FileName ("无法创建数据库。" goes to the message
    // function); an error while writing it raises, and leaves nothing behind.
    bool CreateDatabase(const std::string& FileName, const std::string& Password, bool CheckPassword,
                        bool UsePwdQues, const std::string& PwdQues, const std::string& PwdAnswer);
    // The identification "Zembrix"/"1.0"; engine errors (missing file, not a container) pass on.
    bool IsValidFile(const std::string& FileName);
    // Whether the password opens the file; false also for a missing, foreign or damaged file.
    // Memory exhaustion and programming errors raise.
    bool CheckPassword(const std::string& FileName, const std::string& Password);
    // Whether the file needs a password; false also for a missing, foreign or damaged file.
    // Memory exhaustion and programming errors raise.
    bool GetCheckPassword(const std::string& FileName);
    // Whether a question is stored; false for an answer that does not match. Both raise on
    // errors of the file.
    bool GetPwdQuestion(const std::string& FileName, std::string& Question, std::string& Answer);
    bool GetPwdByAnswer(const std::string& FileName, const std::string& Answer, std::string& Password);
    // The complete check of a box file, damaged or not: every invariant of the file format and
    // every rule of the box, read without trusting the file (the open box is not touched).
    // Answers one line per problem, naming the table, record and entry; empty when the box is
    // sound. Raises EWrongPassword (boxdata/BoxScan.h) for a wrong password, EFileError when the
    // file cannot be read, ENorkError when nothing in it is a box. Main thread.
    std::vector<std::string> Verify(const std::string& FileName, const std::string& Password);
    // Salvage of a box file, damaged or not: what can be read of it is written as a new box at
    // NewFileName (created, or replaced), with the same password and encryption; what was
    // removed, dropped and mended is the report (boxdata/BoxSalvage.h). The file itself is only
    // read. Raises as Verify does, and EFileError when the new file cannot be written. Main thread.
    TSalvageReport SalvageDatabase(const std::string& FileName, const std::string& Password,
                                   const std::string& NewFileName);
    // Repair of a damaged box file that is not open: a copy of it is kept as DamagedFileName,
    // then its salvage takes its place (both through the file replacement, so each name holds a
    // whole file at every moment). An existing DamagedFileName is replaced only when
    // ReplaceDamaged, else EFileError is raised before anything is written. Until the new box is
    // complete the file stays as it was. Raises as SalvageDatabase. Main thread.
    TSalvageReport RepairDatabase(const std::string& FileName, const std::string& Password,
                                  const std::string& DamagedFileName, bool ReplaceDamaged);

    // ---- the open box ----

    // Exclusive, with an unlimited record cache. A wrong password raises when the first table opens.
    // Removes what a killed rebuild left in the box's folder first.
    void OpenDatabase(const std::string& FileName, const std::string& Password);
    void ReOpenDatabase();
    void CloseDatabase();
    void CloseTables();
    bool IsOpen() const;
    // IsOpen answers. The update bracket is the database's (TNorkDatabase::BeginUpdate): all
    // that is written inside it is one change, which CancelUpdate (never raising) takes back.
    // Use TUpdateBracket.
    void BeginUpdate();
    void EndUpdate();
    void CancelUpdate() noexcept;
    // Rewrites the file with the new password (encrypted exactly when CheckPwd) and opens it again
    // in every case. The new file replaces the old one in one rename: false (nothing changed) for
    // a read-only box or one another process holds; errors raise after the box was opened again,
    // with the old password, unchanged. The box is a new file afterwards (its identity changes).
    bool ChangePassword(const std::string& NewPassword, bool CheckPwd);
    void SetPwdQuestion(bool UseQuestion, const std::string& Question, const std::string& Answer);
    // Rewrites the file without its dead space and opens it again in every case; answers and
    // raises as ChangePassword.
    bool Compact();
    // The way out after the box's file was replaced, moved or deleted under the program (see
    // FileFate): what the box held when that happened, copied by the rebuild from the file that
    // was opened, becomes NewFileName (created, or replaced whole), and the box is open on it
    // with the same password. Also a plain "save as". Answers true; errors raise, and the box
    // stays as it was (with its tables closed when its path leads elsewhere by then).
    bool SaveCopyAs(const std::string& NewFileName);
    // What became of the open box's path since it was opened: ffSame (also while no box is
    // open), ffReplaced (another file was renamed over it) or ffGone (moved or deleted). While
    // it is not ffSame every change, and every read that needs the file, raises
    // ENorkFileReplaced (storage/NorkError.h) naming the file, and nothing is written. Answers.
    TFileFate FileFate() const;

    // The properties answer and never raise.
    const std::string& FileName() const { return FFileName; }
    const std::string& Password() const { return FPassword; }
    int32_t FileSize() const;
    std::chrono::system_clock::time_point FileDate() const;
    bool FileIsReadOnly() const;
    // The open box's whole-file options: whether it is encrypted, and the compression algorithm
    // of its blobs ("" when they are not compressed).
    bool Encrypted() const;
    std::string CompressAlgoName() const;

    // ---- folders ----

    // Direct children of ParentID in ascending id order.
    void GetFolderList(int32_t ParentID, TZembraFolders& List);
    void AddFolder(const TZembraFolder& ZembraFolder, int32_t& ID);
    void ModifyFolder(int32_t FolderID, const std::string& NewName);
    void ModifyFolderSortCode(int32_t FolderID, int32_t NewSortCode);
    // Makes the folder the last child of NewParentID (largest sibling code + 1).
    void MoveFolder(int32_t FolderID, int32_t NewParentID);
    // Deletes the folder, its entries of every kind (general ones with their attachments) and,
    // depth first, its sub-folders.
    void DeleteFolder(int32_t FolderID);

    // ---- entries ----
    // Get… answers false for an id that is not there; Modify…, Move… and …SortCode skip such ids;
    // Delete… raises "Record id '%d' not found" for one, before anything is deleted.

    void GetNetItemList(int32_t FolderID, bool Deleted, TZmbNetItems& List);
    void AddNetItem(const TZmbNetItem& Item, int32_t& ID);
    void ModifyNetItem(int32_t ItemID, const TZmbNetItem& Item);
    void MoveNetItems(const TIntegerAry& ItemIDs, int32_t NewFolderID);
    void DeleteNetItem(int32_t ItemID);
    void ModifyNetItemSortCode(int32_t ItemID, int32_t NewSortCode);
    bool GetNetItem(int32_t ItemID, TZmbNetItem& Item);
    int32_t GetNetMaxSortCode(int32_t FolderID);

    void GetBankItemList(int32_t FolderID, bool Deleted, TZmbBankItems& List);
    void AddBankItem(const TZmbBankItem& Item, int32_t& ID);
    void ModifyBankItem(int32_t ItemID, const TZmbBankItem& Item);
    void MoveBankItems(const TIntegerAry& ItemIDs, int32_t NewFolderID);
    void DeleteBankItem(int32_t ItemID);
    void ModifyBankItemSortCode(int32_t ItemID, int32_t NewSortCode);
    bool GetBankItem(int32_t ItemID, TZmbBankItem& Item);
    int32_t GetBankMaxSortCode(int32_t FolderID);

    void GetCommItemList(int32_t FolderID, bool Deleted, TZmbCommItems& List);
    void AddCommItem(const TZmbCommItem& Item, int32_t& ID);
    void ModifyCommItem(int32_t ItemID, const TZmbCommItem& Item);
    void MoveCommItems(const TIntegerAry& ItemIDs, int32_t NewFolderID);
    // Deletes the entry and then its attachments.
    void DeleteCommItem(int32_t ItemID);
    void ModifyCommItemSortCode(int32_t ItemID, int32_t NewSortCode);
    bool GetCommItem(int32_t ItemID, TZmbCommItem& Item);
    int32_t GetCommMaxSortCode(int32_t FolderID);

    // ---- attachments of general entries ----
    // An attachment's content goes in with its record, so the box never lists an attachment
    // without the content it claims. GetAttachment answers false for an id that is not there.

    void AddAttachment(const TAttachData& AttachData, int32_t& ID);
    void DeleteAttachment(int32_t ID);
    void DeleteAttachments(int32_t OwnerID);
    void RenameAttachment(int32_t ID, const std::string& NewName);
    // False, stream untouched, when there is no such attachment.
    bool GetAttachment(int32_t ID, TMemoryStream& DataStream);
    // The contents of the attachments IDs, read together: in file order in large pieces and
    // decoded on every core. Take(ID, Content) runs on the calling thread once per id, in the
    // order of IDs, with Content null where GetAttachment would answer false. Raises what
    // GetAttachment raises, for the first id in order whose reading fails, after the ids
    // before it were taken; raises what Take raises.
    void GetAttachments(const TIntegerAry& IDs,
                        const std::function<void(int32_t ID, const TMemoryStream* Content)>& Take);
    // In ascending attachment id order (the order of adding).
    void GetAttachmentList(TAttachDataHeaderAry& List, int32_t OwnerID);
    // Every owner's list as GetAttachmentList answers it, from one reading of the table; raises
    // what it raises.
    void GetAttachmentLists(std::map<int32_t, TAttachDataHeaderAry>& ByOwner);

    // ---- search ----

    // Appends every entry whose texts (never its password) hold SearchText, case folded: web,
    // then bank, then general entries, each in ascending id order.
    void Search(const std::string& SearchText, TSearchResultItems& ResultItems);
    // What Search tests, read ahead for searches answered from memory (TSearchCache): the texts
    // of every live entry, appended in Search's order. Reads every comments blob, so it raises
    // what reading any of them raises (Search reads only those it needs).
    void GetSearchTexts(TSearchTexts& Texts);
    // The same for the live entries of Kind among IDs, in the order of IDs; the others are left out.
    void GetSearchTexts(TZembraType Kind, const TIntegerAry& IDs, TSearchTexts& Texts);
    // Changes whenever the tables close (the box closed, opened, rebuilt, saved as a copy): what
    // was read from the box before may no longer be what it holds. Answers.
    uint64_t Generation() const { return FGeneration; }

private:
    std::unique_ptr<TNorkDatabase> FDatabase;
    std::unique_ptr<TNorkTable> FFolderTable;
    std::unique_ptr<TNorkTable> FNetItemTable;
    std::unique_ptr<TNorkTable> FBankItemTable;
    std::unique_ptr<TNorkTable> FCommItemTable;
    std::unique_ptr<TNorkTable> FAttachTable;
    std::string FFileName;
    std::string FPassword;
    TMessageProc FMessageProc;
    TProgressProc FOnProgress;
    std::string FLastMessage;
    uint64_t FGeneration = 0;

    void ShowMessage(const std::string& Text);
    void OpenTables();
};

// The one instance of the running program.
extern TDbFileMgr DbFileMgr;
