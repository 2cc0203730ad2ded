// The fixed record layouts of a password box's five tables and the conversions between them
// and the in-memory records. Integers are 32-bit little-endian; text fields are zero-terminated
// code-page-936 arrays cut at their size minus one byte. These layouts are part of the file format.
// Nothing here raises but memory exhaustion; any thread.
#pragma once

#include "boxdata/ZembraTypes.h"

#include <cstdint>
#include <string_view>

struct TStoredText {
    int Offset;
    int Size; // array size; at most Size - 1 bytes of text
};

namespace FolderRec {
constexpr int kSize = 70;
constexpr int kParentID = 0;
constexpr int kSortCode = 4;
constexpr TStoredText kName{8, 31};
} // namespace FolderRec

namespace NetItemRec {
constexpr int kSize = 330;
constexpr int kFolderID = 0;
constexpr TStoredText kCaption{4, 31};
constexpr TStoredText kUserName{35, 31};
constexpr TStoredText kPassword{66, 31};
constexpr TStoredText kHyperlink{97, 81};
constexpr TStoredText kEmail{178, 51};
constexpr int kSortCode = 325;
constexpr int kDeleted = 329;
} // namespace NetItemRec

namespace BankItemRec {
constexpr int kSize = 320;
constexpr int kFolderID = 0;
constexpr TStoredText kBankName{4, 51};
constexpr TStoredText kAccType{55, 51};
constexpr TStoredText kAccount{106, 51};
constexpr TStoredText kUserName{157, 31};
constexpr TStoredText kPassword{188, 31};
constexpr int kSortCode = 315;
constexpr int kDeleted = 319;
} // namespace BankItemRec

namespace CommItemRec {
constexpr int kSize = 136;
constexpr int kFolderID = 0;
constexpr TStoredText kCaption{4, 31};
constexpr int kSortCode = 131;
constexpr int kDeleted = 135;
} // namespace CommItemRec

namespace AttachRec {
constexpr int kSize = 129;
constexpr int kOwnerID = 0;
constexpr int kFileSize = 4;
constexpr TStoredText kName{8, 121};
} // namespace AttachRec

// Largest record of the five, for buffers that serve any table.
constexpr int kMaxRecordSize = 330;

int32_t GetInt32(const uint8_t* Rec, int Offset);
void PutInt32(uint8_t* Rec, int Offset, int32_t Value);
// Writes text into a field; bytes after its terminating zero keep their previous values.
void PutText(uint8_t* Rec, TStoredText Field, const std::string& Utf8);
std::string GetText(const uint8_t* Rec, TStoredText Field);
// The stored bytes of a field, up to its first zero.
std::string_view GetAnsi(const uint8_t* Rec, TStoredText Field);

// Pack writes every stored field of the item over Rec (the caller zeroes Rec for a new record);
// Unpack fills every stored field of the item (not its ID or Comments).
void PackFolder(const TZembraFolder& Folder, uint8_t* Rec);
void UnpackFolder(const uint8_t* Rec, TZembraFolder& Folder);
void PackNetItem(const TZmbNetItem& Item, uint8_t* Rec);
void UnpackNetItem(const uint8_t* Rec, TZmbNetItem& Item);
void PackBankItem(const TZmbBankItem& Item, uint8_t* Rec);
void UnpackBankItem(const uint8_t* Rec, TZmbBankItem& Item);
void PackCommItem(const TZmbCommItem& Item, uint8_t* Rec);
void UnpackCommItem(const uint8_t* Rec, TZmbCommItem& Item);
void PackAttach(const TAttachData& Attach, uint8_t* Rec);
void UnpackAttach(const uint8_t* Rec, TAttachDataHeader& Header);
