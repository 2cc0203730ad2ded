// The complete check of a box file for tools: the engine's tolerant scan of the file and the
// box's own rules, one line per problem.
#include "boxdata/DbFileMgr.h"

#include "boxdata/BoxCheck.h"
#include "boxdata/BoxScan.h"

std::vector<std::string> TDbFileMgr::Verify(const std::string& FileName, const std::string& Password)
{
    TBoxScan scan(FileName, Password);
    return CheckBox(scan);
}
