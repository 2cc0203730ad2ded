// A fresh password box in a temporary folder, opened through its own manager.
#pragma once

#include "boxdata/DbFileMgr.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

class TBoxFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/zmbboxXXXXXX";
        FDir = mkdtemp(pattern);
        FFile = FDir + "/box.zmb";
        ASSERT_TRUE(FMgr.CreateDatabase(FFile, "secret", true, false, "", ""));
        FMgr.OpenDatabase(FFile, "secret");
    }

    void TearDown() override
    {
        FMgr.CloseDatabase();
        std::filesystem::remove_all(FDir);
    }

    std::string Path(const std::string& Name) const { return FDir + "/" + Name; }

    static std::vector<char> ReadFile(const std::string& Name)
    {
        std::ifstream in(Name, std::ios::binary);
        return std::vector<char>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    }

    TZmbNetItem Net(int32_t Folder, const std::string& Caption, int32_t SortCode = 10)
    {
        TZmbNetItem item;
        item.FolderID = Folder;
        item.Caption = Caption;
        item.SortCode = SortCode;
        return item;
    }

    int32_t AddNet(int32_t Folder, const std::string& Caption, int32_t SortCode = 10)
    {
        int32_t id = 0;
        FMgr.AddNetItem(Net(Folder, Caption, SortCode), id);
        return id;
    }

    std::string FDir;
    std::string FFile;
    TDbFileMgr FMgr;
};
