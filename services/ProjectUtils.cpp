#include "services/ProjectUtils.h"

#include "services/AppFolders.h"
#include "services/FileTypeReg.h"
#include "services/Global.h"

#include <filesystem>

std::string GetDefaultBackupFolder()
{
    return AppBackupFolder(ProgramFolder());
}

std::string GetReadmeFileName()
{
    namespace fs = std::filesystem;
    const fs::path beside = fs::path(ProgramFolder()) / "Readme.txt";
    const fs::path installed = fs::path(ProgramFolder()).parent_path() / "share" / "zembrix" / "Readme.txt";
    std::error_code ec;
    if (!fs::exists(beside, ec) && fs::exists(installed, ec))
        return installed.string();
    return beside.string();
}

bool AssociateFileType(bool Notify)
{
    return RegisterFileType(kBoxFileExt, kBoxFileTypeId, kAppName, kBoxFileDescription, 0, Notify);
}
