#include "boxdata/RecordLayouts.h"

#include "boxdata/BoxSchema.h"

bool TBoxRecordLayout::IsLoose(int Offset) const
{
    if (Offset < 4)
        return false;
    for (const TNamedText& t : Texts)
        if (Offset >= t.Field.Offset && Offset < t.Field.Offset + t.Field.Size)
            return false;
    for (const int i : Ints)
        if (Offset >= i && Offset < i + 4)
            return false;
    return Offset != DeletedOffset;
}

const std::vector<TBoxRecordLayout>& BoxRecordLayouts()
{
    using namespace BoxSchema;
    static const std::vector<TBoxRecordLayout> layouts = {
        {kFolderTable, ztNone, FolderRec::kSize, "parent folder", {{"Name", FolderRec::kName}}, {FolderRec::kSortCode},
         -1, FolderRec::kName, ""},
        {kNetItemTable,
         ztNetItem,
         NetItemRec::kSize,
         "folder",
         {{"Caption", NetItemRec::kCaption},
          {"UserName", NetItemRec::kUserName},
          {"Password", NetItemRec::kPassword},
          {"Hyperlink", NetItemRec::kHyperlink},
          {"Email", NetItemRec::kEmail}},
         {NetItemRec::kSortCode},
         NetItemRec::kDeleted,
         NetItemRec::kCaption,
         "its comments were"},
        {kBankItemTable,
         ztBankItem,
         BankItemRec::kSize,
         "folder",
         {{"BankName", BankItemRec::kBankName},
          {"AccType", BankItemRec::kAccType},
          {"Account", BankItemRec::kAccount},
          {"UserName", BankItemRec::kUserName},
          {"Password", BankItemRec::kPassword}},
         {BankItemRec::kSortCode},
         BankItemRec::kDeleted,
         BankItemRec::kBankName,
         "its comments were"},
        {kCommItemTable, ztCommItem, CommItemRec::kSize, "folder", {{"Caption", CommItemRec::kCaption}},
         {CommItemRec::kSortCode}, CommItemRec::kDeleted, CommItemRec::kCaption, "its text was"},
        {kAttachTable, ztNone, AttachRec::kSize, "entry", {{"Name", AttachRec::kName}}, {AttachRec::kFileSize}, -1,
         AttachRec::kName, "its content was"},
    };
    return layouts;
}

const TBoxRecordLayout& FolderLayout()
{
    return BoxRecordLayouts()[0];
}

const TBoxRecordLayout& AttachLayout()
{
    return BoxRecordLayouts()[4];
}

const TBoxRecordLayout& EntryLayout(TZembraType Kind)
{
    return BoxRecordLayouts()[static_cast<std::size_t>(Kind)];
}
