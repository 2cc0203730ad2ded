// The engine's two exception classes and its numbered messages. Every misuse and every invalid
// file raises ENorkError; damaged stored data raises ENorkFileCorrupt. Both carry only the text.
#pragma once

#include "dataproc/Exception.h"
#include "dataproc/FileAnchor.h"

#include <cstdint>
#include <string>
#include <string_view>

class ENorkError : public Exception {
public:
    using Exception::Exception;
};

// Deliberately not an ENorkError: callers tell a damaged file apart from a misuse.
class ENorkFileCorrupt : public Exception {
public:
    using Exception::Exception;
};

// The open database's path no longer names the file that was opened (another file was renamed
// over it, or it was moved or deleted): nothing is read from or written to what the path names
// now. Fate says which; callers offer the user a way out instead of a plain error.
class ENorkFileReplaced : public ENorkError {
public:
    ENorkFileReplaced(std::string Message, TFileFate Fate) : ENorkError(std::move(Message)), FFate(Fate) {}
    // ffReplaced or ffGone.
    TFileFate Fate() const { return FFate; }

private:
    TFileFate FFate;
};

// A message of the engine with its fixed id. "%s" takes a name, "%d" a number, "%p" an address.
struct TNorkMessage {
    int Id;
    const char* Text;
};

inline constexpr TNorkMessage SNorkTableClosed{65104, "Cannot perform this operation on a closed table"};
inline constexpr TNorkMessage SNorkDatabaseNil{65105, "Database is nil"};
inline constexpr TNorkMessage SNorkTableNil{65106, "Table is nil"};
inline constexpr TNorkMessage SNorkCreateIndexFail{65107, "Fail to create index"};
inline constexpr TNorkMessage SNorkFileCorrupt{65108, "Database file is corrupt"};
inline constexpr TNorkMessage SNorkTableNotFound{65120, "Table '%s' not found"};
inline constexpr TNorkMessage SNorkIndexNotFound{65121, "Index '%s' not found"};
inline constexpr TNorkMessage SNorkRecordNotFound{65122, "Record id '%d' not found"};
inline constexpr TNorkMessage SNorkRecordExists{65123, "Record id '%d' already exists"};
inline constexpr TNorkMessage SNorkTooManyTables{65124, "Too many tables"};
inline constexpr TNorkMessage SNorkTooManyIndexes{65125, "Too many indexes"};
inline constexpr TNorkMessage SNorkDuplicateTable{65126, "Duplicate table name '%s'"};
inline constexpr TNorkMessage SNorkDuplicateIndex{65127, "Duplicate index name '%s'"};
inline constexpr TNorkMessage SNorkDuplicateFieldOffset{65128, "Duplicate index field offset '%d'"};
inline constexpr TNorkMessage SNorkInvalidTableName{65129, "Invalid table name '%s'"};
inline constexpr TNorkMessage SNorkInvalidIndexName{65130, "Invalid index name '%s'"};
inline constexpr TNorkMessage SNorkBlobIndexOutOfBounds{65131, "Blob index out of bounds"};
inline constexpr TNorkMessage SNorkInvalidFieldOffset{65132, "Invalid index field offset '%d'"};
inline constexpr TNorkMessage SNorkDatabaseOpen{65133, "Cannot perform this operation on an open database"};
inline constexpr TNorkMessage SNorkDatabaseClosed{65134, "Cannot perform this operation on a closed database"};
inline constexpr TNorkMessage SNorkTableActive{65135, "Cannot perform this operation when table is activate"};
inline constexpr TNorkMessage SNorkInvalidFile{65150, "Database file '%s' is a invalid NORK file"};
inline constexpr TNorkMessage SNorkVersionTooHigh{65151, "Database file version is too High"};

// Conditions that would otherwise wrap a 32-bit id or file offset and damage the file; they
// have no numbered message of their own.
inline constexpr TNorkMessage SNorkRecordIdOverflow{0, "No record id is left above '%d'"};
inline constexpr TNorkMessage SNorkFileTooLarge{0, "Database file '%s' would exceed 2147483647 bytes"};
inline constexpr TNorkMessage SNorkFileReplaced{
    0, "Database file '%s' has been replaced by another file since it was opened; neither file was changed"};
inline constexpr TNorkMessage SNorkFileGone{
    0, "Database file '%s' has been moved or deleted since it was opened; it was not changed"};

// The text with its first placeholder replaced by Arg; raises nothing but memory exhaustion.
std::string NorkFormat(const TNorkMessage& Msg, std::string_view Arg);
std::string NorkFormat(const TNorkMessage& Msg, int64_t Arg);

[[noreturn]] void RaiseNorkError(const TNorkMessage& Msg);
[[noreturn]] void RaiseNorkError(const TNorkMessage& Msg, std::string_view Arg);
[[noreturn]] void RaiseNorkError(const TNorkMessage& Msg, int64_t Arg);
[[noreturn]] void RaiseFileCorrupt();
