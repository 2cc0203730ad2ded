// What a password box is made of: its identification, its five tables and six indexes in
// creation order, and the folder tree of a new box. The order of tables and indexes is part of
// the file format. Constants only.
#pragma once

#include <cstdint>
#include <string>

namespace BoxSchema {

inline constexpr const char* kFolderTable = "Folder";
inline constexpr const char* kNetItemTable = "NetItem";
inline constexpr const char* kBankItemTable = "BankItem";
inline constexpr const char* kCommItemTable = "CommItem";
inline constexpr const char* kAttachTable = "Attach";

// The identification in the database's free-use data: "Zembrix\0" then "1.0\0".
inline constexpr const char* kAppIdent = "Zembrix";
inline constexpr const char* kAppVersion = "1.0";
inline constexpr int kExtDataSize = 12;
inline constexpr const char* kComments = "Zembrix File";

struct TTableDef {
    const char* Name;
    int RecordSize;
    int BlobCount;
    int RecCapacity;
};

inline constexpr TTableDef kTables[] = {
    {kFolderTable, 70, 0, 256},  {kNetItemTable, 330, 1, 256}, {kBankItemTable, 320, 1, 256},
    {kCommItemTable, 136, 1, 256}, {kAttachTable, 129, 1, 256},
};

struct TIndexDef {
    const char* Table;
    const char* Name;
    int FieldOffset; // every index is one 32-bit signed field
};

inline constexpr TIndexDef kIndexes[] = {
    {kFolderTable, "ParentID", 0},  {kFolderTable, "SortCode", 4},   {kNetItemTable, "FolderID", 0},
    {kBankItemTable, "FolderID", 0}, {kCommItemTable, "FolderID", 0}, {kAttachTable, "OwnerID", 0},
};

struct TDefaultFolder {
    int32_t ID; // 0: the engine assigns it
    int32_t ParentID;
    int32_t SortCode;
    const char* Name;
};

// Categories first with their fixed ids (equal to the entry kinds), then the folders below them.
inline constexpr TDefaultFolder kDefaultFolders[] = {
    {1, 0, 1, "<网上信息>"}, {2, 0, 2, "<银行账号>"}, {3, 0, 3, "<通用数据>"},
    {0, 1, 10, "电子邮件"},  {0, 1, 20, "ＱＱ号码"},  {0, 1, 30, "论坛账号"},
    {0, 1, 40, "游戏账号"},  {0, 1, 50, "其它密码"},  {0, 2, 10, "招商银行"},
    {0, 2, 20, "中国银行"},  {0, 2, 30, "工商银行"},  {0, 2, 40, "建设银行"},
    {0, 2, 50, "农业银行"},  {0, 2, 60, "交通银行"},  {0, 3, 10, "重要纪事"},
    {0, 3, 20, "手机相关"},  {0, 3, 30, "经济往来"},
};

} // namespace BoxSchema
