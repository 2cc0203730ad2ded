// Entries stored straight through the data layer into the open box, for tests and pictures that
// need a filled box. Each answers the new entry's id.
#pragma once

#include "boxdata/DbFileMgr.h"

#include <string>

inline int32_t AddWeb(int32_t Folder, const std::string& Caption, const std::string& User = "",
                      const std::string& Password = "", int32_t SortCode = 0, const std::string& Comments = "")
{
    TZmbNetItem item;
    item.FolderID = Folder;
    item.Caption = Caption;
    item.UserName = User;
    item.Password = Password;
    item.SortCode = SortCode;
    item.Comments = Comments;
    DbFileMgr.AddNetItem(item, item.ID);
    return item.ID;
}

inline int32_t AddBank(int32_t Folder, const std::string& Bank, const std::string& AccType, const std::string& Account,
                       const std::string& Password = "", int32_t SortCode = 0)
{
    TZmbBankItem item;
    item.FolderID = Folder;
    item.BankName = Bank;
    item.AccType = AccType;
    item.Account = Account;
    item.Password = Password;
    item.SortCode = SortCode;
    DbFileMgr.AddBankItem(item, item.ID);
    return item.ID;
}

inline int32_t AddNote(int32_t Folder, const std::string& Caption, const std::string& Body = "", int32_t SortCode = 0)
{
    TZmbCommItem item;
    item.FolderID = Folder;
    item.Caption = Caption;
    item.Comments = Body;
    item.SortCode = SortCode;
    DbFileMgr.AddCommItem(item, item.ID);
    return item.ID;
}
