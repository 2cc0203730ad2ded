// The shell utilities that know this program: its backup folder, its file type, its open-file
// announcement.
#pragma once

#include "services/OpenFileLock.h"

#include <string>

// The backup folder used when the option BackupFolder is empty (no trailing separator): the
// program's folder + "Backup" when that folder is writable, else $XDG_DATA_HOME/Zembrix/Backup.
std::string GetDefaultBackupFolder();

// The program's guide "Readme.txt": beside the program (a copy unpacked into a folder of its own)
// or, for an installed copy, in its share folder (<prefix>/share/zembrix). The first that exists;
// the one beside the program when neither does.
std::string GetReadmeFileName();

// Registers "*.zmb" as a password-box file opened by this program (RegisterFileType).
bool AssociateFileType(bool Notify);
