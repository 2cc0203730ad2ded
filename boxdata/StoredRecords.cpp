#include "boxdata/StoredRecords.h"

#include "dataproc/AnsiText.h"

#include <cstring>

int32_t GetInt32(const uint8_t* Rec, int Offset)
{
    const uint8_t* p = Rec + Offset;
    return static_cast<int32_t>(uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24);
}

void PutInt32(uint8_t* Rec, int Offset, int32_t Value)
{
    const auto v = static_cast<uint32_t>(Value);
    uint8_t* p = Rec + Offset;
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
    p[2] = uint8_t(v >> 16);
    p[3] = uint8_t(v >> 24);
}

void PutText(uint8_t* Rec, TStoredText Field, const std::string& Utf8)
{
    StrToAnsiField(Rec + Field.Offset, static_cast<std::size_t>(Field.Size), Utf8);
}

std::string GetText(const uint8_t* Rec, TStoredText Field)
{
    return AnsiFieldToStr(Rec + Field.Offset, static_cast<std::size_t>(Field.Size));
}

std::string_view GetAnsi(const uint8_t* Rec, TStoredText Field)
{
    return AnsiFieldBytes(Rec + Field.Offset, static_cast<std::size_t>(Field.Size));
}

void PackFolder(const TZembraFolder& Folder, uint8_t* Rec)
{
    PutInt32(Rec, FolderRec::kParentID, Folder.ParentID);
    PutInt32(Rec, FolderRec::kSortCode, Folder.SortCode);
    PutText(Rec, FolderRec::kName, Folder.Name);
}

void UnpackFolder(const uint8_t* Rec, TZembraFolder& Folder)
{
    Folder.ParentID = GetInt32(Rec, FolderRec::kParentID);
    Folder.SortCode = GetInt32(Rec, FolderRec::kSortCode);
    Folder.Name = GetText(Rec, FolderRec::kName);
}

void PackNetItem(const TZmbNetItem& Item, uint8_t* Rec)
{
    using namespace NetItemRec;
    PutInt32(Rec, kFolderID, Item.FolderID);
    PutText(Rec, kCaption, Item.Caption);
    PutText(Rec, kUserName, Item.UserName);
    PutText(Rec, kPassword, Item.Password);
    PutText(Rec, kHyperlink, Item.Hyperlink);
    PutText(Rec, kEmail, Item.Email);
    PutInt32(Rec, kSortCode, Item.SortCode);
    Rec[kDeleted] = Item.Deleted ? 1 : 0;
}

void UnpackNetItem(const uint8_t* Rec, TZmbNetItem& Item)
{
    using namespace NetItemRec;
    Item.FolderID = GetInt32(Rec, kFolderID);
    Item.Caption = GetText(Rec, kCaption);
    Item.UserName = GetText(Rec, kUserName);
    Item.Password = GetText(Rec, kPassword);
    Item.Hyperlink = GetText(Rec, kHyperlink);
    Item.Email = GetText(Rec, kEmail);
    Item.SortCode = GetInt32(Rec, kSortCode);
    Item.Deleted = Rec[kDeleted] != 0;
}

void PackBankItem(const TZmbBankItem& Item, uint8_t* Rec)
{
    using namespace BankItemRec;
    PutInt32(Rec, kFolderID, Item.FolderID);
    PutText(Rec, kBankName, Item.BankName);
    PutText(Rec, kAccType, Item.AccType);
    PutText(Rec, kAccount, Item.Account);
    PutText(Rec, kUserName, Item.UserName);
    PutText(Rec, kPassword, Item.Password);
    PutInt32(Rec, kSortCode, Item.SortCode);
    Rec[kDeleted] = Item.Deleted ? 1 : 0;
}

void UnpackBankItem(const uint8_t* Rec, TZmbBankItem& Item)
{
    using namespace BankItemRec;
    Item.FolderID = GetInt32(Rec, kFolderID);
    Item.BankName = GetText(Rec, kBankName);
    Item.AccType = GetText(Rec, kAccType);
    Item.Account = GetText(Rec, kAccount);
    Item.UserName = GetText(Rec, kUserName);
    Item.Password = GetText(Rec, kPassword);
    Item.SortCode = GetInt32(Rec, kSortCode);
    Item.Deleted = Rec[kDeleted] != 0;
}

void PackCommItem(const TZmbCommItem& Item, uint8_t* Rec)
{
    using namespace CommItemRec;
    PutInt32(Rec, kFolderID, Item.FolderID);
    PutText(Rec, kCaption, Item.Caption);
    PutInt32(Rec, kSortCode, Item.SortCode);
    Rec[kDeleted] = Item.Deleted ? 1 : 0;
}

void UnpackCommItem(const uint8_t* Rec, TZmbCommItem& Item)
{
    using namespace CommItemRec;
    Item.FolderID = GetInt32(Rec, kFolderID);
    Item.Caption = GetText(Rec, kCaption);
    Item.SortCode = GetInt32(Rec, kSortCode);
    Item.Deleted = Rec[kDeleted] != 0;
}

void PackAttach(const TAttachData& Attach, uint8_t* Rec)
{
    PutInt32(Rec, AttachRec::kOwnerID, Attach.OwnerID);
    PutInt32(Rec, AttachRec::kFileSize, Attach.Size);
    PutText(Rec, AttachRec::kName, Attach.Name);
}

void UnpackAttach(const uint8_t* Rec, TAttachDataHeader& Header)
{
    Header.Size = GetInt32(Rec, AttachRec::kFileSize);
    Header.Name = GetText(Rec, AttachRec::kName);
}
