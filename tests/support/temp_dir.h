#pragma once

#include <sys/types.h>

#include <filesystem>
#include <string>

// A fresh folder that becomes the working folder for the life of the object; the previous
// working folder comes back and the folder is removed afterwards.
class ScopedWorkDir {
public:
    ScopedWorkDir();
    ~ScopedWorkDir();
    ScopedWorkDir(const ScopedWorkDir&) = delete;
    ScopedWorkDir& operator=(const ScopedWorkDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    // Writes a file (relative to the folder) with the given bytes.
    void Write(const std::string& name, const std::string& bytes) const;
    std::string Read(const std::string& name) const;

private:
    std::filesystem::path path_;
    std::filesystem::path previous_;
};

// The id of a process that has ended (a child that exits at once, reaped): what a file named after
// its writer carries when the writer was killed.
pid_t EndedProcessId();
