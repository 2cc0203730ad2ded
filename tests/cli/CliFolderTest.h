// The fixture every end-to-end test of the tool starts from: a private folder for the test's
// boxes, with the open-file marks (XDG_RUNTIME_DIR), temporary files (TMPDIR) and any settings or
// caches (XDG_CONFIG_HOME, XDG_CACHE_HOME) inside it, removed with everything in it afterwards.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

class TCliFolderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char tmpl[] = "/tmp/zmb-cli-test-XXXXXX";
        ASSERT_NE(::mkdtemp(tmpl), nullptr);
        FDir = tmpl;
        for (const char* sub : {"run", "tmp", "config", "cache"})
            std::filesystem::create_directory(FDir + "/" + sub);
        std::filesystem::permissions(FDir + "/run", std::filesystem::perms::owner_all);
        ::setenv("XDG_RUNTIME_DIR", (FDir + "/run").c_str(), 1);
        ::setenv("TMPDIR", (FDir + "/tmp").c_str(), 1);
        ::setenv("XDG_CONFIG_HOME", (FDir + "/config").c_str(), 1);
        ::setenv("XDG_CACHE_HOME", (FDir + "/cache").c_str(), 1);
    }
    void TearDown() override { std::filesystem::remove_all(FDir); }

    std::string Path(const std::string& Name) const { return FDir + "/" + Name; }

    std::string FDir;
};
