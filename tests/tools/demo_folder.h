// The demo data set written once per test program into a folder that outlives its tests.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include <unistd.h>

#include "data/data_set.h"

namespace demotest {

inline std::filesystem::path FolderName() {
    return std::filesystem::temp_directory_path() / ("brimvale-demo-" + std::to_string(::getpid()));
}

// Written when a test first asks; removed by the environment of demo_data_test.cpp.
inline const std::filesystem::path& DataFolder() {
    static const std::filesystem::path folder = [] {
        const std::filesystem::path f = FolderName();
        std::filesystem::remove_all(f);
        std::string error;
        EXPECT_TRUE(demodata::WriteDataSet(f.string(), &error)) << error;
        return f;
    }();
    return folder;
}

// The data folder as the working folder while it lives; the one before it again afterwards.
class WorkInDataFolder {
public:
    WorkInDataFolder() : previous_(std::filesystem::current_path()) { std::filesystem::current_path(DataFolder()); }
    ~WorkInDataFolder() { std::filesystem::current_path(previous_); }
    WorkInDataFolder(const WorkInDataFolder&) = delete;
    WorkInDataFolder& operator=(const WorkInDataFolder&) = delete;

private:
    std::filesystem::path previous_;
};

}  // namespace demotest
