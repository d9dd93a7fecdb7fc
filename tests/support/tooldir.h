// A test whose tool directory (pToolPath) and current directory are a fresh
// scratch directory, for the record store and what reads it.
#pragma once

#include "Dbm.h"
#include "child.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <unistd.h>

class ToolDirTest : public ::testing::Test {
protected:
    void SetUp() override {
        old_ = getcwd(nullptr, 0);
        ASSERT_EQ(chdir(dir_.path().c_str()), 0);
        tool_ = dir_.path();
        pToolPath = tool_.data();
    }
    void TearDown() override {
        EXPECT_EQ(chdir(old_), 0);
        std::free(old_);
        pToolPath = nullptr;
    }
    // The path of a record file below the tool directory's db/.
    std::string Db(const std::string& file) const { return dir_ / ("db/" + file); }

    ScratchDir dir_;
    std::string tool_;
    char* old_ = nullptr;
};
