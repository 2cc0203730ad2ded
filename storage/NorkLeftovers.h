// The rebuild writes its new file beside the box under a name starting with "NORK" and holds a
// lock on it until it takes the box's place. A rebuild that was killed leaves that file behind;
// opening a box sweeps such leftovers from its folder. Any thread.
#pragma once

#include <string>

// Prefix of the rebuild's new file (and of a box being created) in the box's folder.
inline constexpr const char* kNorkTempPrefix = "NORK";

// Removes the files in Folder whose names start with kNorkTempPrefix, that no process holds
// (an exclusive lock on them can be taken) and that begin with the container's magic; answers
// how many it removed. Anything else (other files, a file in use, a file it may not remove)
// stays. Raises nothing but memory exhaustion.
int RemoveLeftoverFiles(const std::string& Folder);
