// Where the program and its per-user files live. A copy unpacked into a folder of its own keeps
// its options and backups beside itself; an installed copy (which cannot write where it lives)
// keeps them in the user's configuration and data folders.
#pragma once

#include <string>

// Full path of the running program.
std::string ProgramPath();
// The running program's folder, without a trailing separator.
std::string ProgramFolder();
// True when Folder exists and the user may create files in it.
bool IsFolderWritable(const std::string& Folder);

// $HOME, else the home folder of the user's account.
std::string HomeFolder();
// $XDG_CONFIG_HOME when set to an absolute path, else ~/.config.
std::string ConfigHome();
// $XDG_DATA_HOME when set to an absolute path, else ~/.local/share.
std::string DataHome();

// The options file: ProgramFolder/Zembrix.ini when ProgramFolder is writable, else
// $XDG_CONFIG_HOME/Zembrix/Zembrix.ini.
std::string AppOptionsFileName(const std::string& ProgramFolder);
// The default backup folder by the same rule: ProgramFolder/Backup, else $XDG_DATA_HOME/Zembrix/Backup.
std::string AppBackupFolder(const std::string& ProgramFolder);
