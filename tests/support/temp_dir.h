#pragma once

#include <sys/types.h>

#include <cstddef>
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

// Stores `bytes` under a game path with os::WriteFileReplacing in a child process that is killed
// once `written` bytes of them are on disk, as a crash mid-save would, and returns the temporary
// the write left beside its target (the path from the working folder, as on disk); empty when none
// was left. The target itself is not replaced.
std::string KilledWriteTemporary(const std::string& gamePath, const std::string& bytes, size_t written);
