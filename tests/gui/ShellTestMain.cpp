// The desktop program's dialogs under GoogleTest: the program's application object, the
// process-wide objects and the data module, with the options file in a folder of the run's own.
//
// "--hold-open FILE" turns the binary into a stand-in for another running copy of the program:
// it announces FILE as open, says "held" on standard output and keeps it until its standard
// input ends.
#include "app/AppObjects.h"
#include "app/Application.h"
#include "app/SysDM.h"
#include "services/AppOptMgr.h"
#include "services/OpenFileLock.h"
#include "services/TempDir.h"

#include <QApplication>
#include <gtest/gtest.h>

#include <cstring>
#include <iostream>
#include <string>

namespace {

int HoldOpen(const char* FileName)
{
    TOpenFileMarker marker;
    if (!marker.Announce(FileName))
        return 1;
    std::cout << "held" << std::endl;
    std::string line;
    while (std::getline(std::cin, line)) {
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && std::strcmp(argv[1], "--hold-open") == 0)
        return HoldOpen(argv[2]);
    ::testing::InitGoogleTest(&argc, argv);
    if (GTEST_FLAG_GET(list_tests))
        return RUN_ALL_TESTS();
    TZembrixApplication app(argc, argv);
    TTempDir optionsDir;
    TProcessObjects objects;
    AppOptionsMgr().SetFileName(optionsDir / "Zembrix.ini");
    TSysDataModule dataModule;
    return RUN_ALL_TESTS();
}
