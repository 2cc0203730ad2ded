#include "services/ProjectUtils.h"

#include "services/AppFolders.h"
#include "services/FileTypeReg.h"
#include "services/Global.h"

std::string GetDefaultBackupFolder()
{
    return AppBackupFolder(ProgramFolder());
}

bool AssociateFileType(bool Notify)
{
    return RegisterFileType(kBoxFileExt, kBoxFileTypeId, kAppName, kBoxFileDescription, 0, Notify);
}
