// The automatic backup of a password box: the three latest copies N.bak1 (newest), N.bak2 and
// N.bak3 (oldest) of a box named N in a backup folder, rotated each time a copy is taken.
#pragma once

#include <cstdint>
#include <string>

struct TBackupFileNames {
    std::string F1; // the copy taken when the box was last opened
    std::string F2;
    std::string F3; // the oldest
};

// The copies of BoxFile (its name without folder) in Folder, which ends in "/".
TBackupFileNames BackupFileNames(const std::string& BoxFile, const std::string& Folder);

// Whether a box of Size bytes is backed up under a limit of MaxBackupSize megabytes: only when
// it is smaller than the limit.
bool BackupWanted(int64_t Size, int32_t MaxBackupSize);

// Creates Folder with every missing parent, copies BoxFile through the file replacement and,
// once the copy is whole and on the device, rotates the copies (F3 dropped, F2 to F3, F1 to F2,
// only when F1 exists; a step that fails is passed over) and gives the copy F1's name (readable
// by the user only). A copy that fails to be written leaves F1 to F3 as they were. Raises
// EFileError naming the folder or file and the reason.
void BackupBoxFile(const std::string& BoxFile, const std::string& Folder);
