#include "core/file_list.h"

#include <cstdio>
#include <cstring>

#include "platform/os/path.h"
#include "core/settings.h"

FileList g_FileList;

namespace {

std::string UpperAscii(std::string s) {
    for (char& c : s) {
        if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
    }
    return s;
}

}  // namespace

void FileList::Create() {
    if (created) return;
    created = true;
}

void FileList::Destroy() {
    names.clear();
    names.shrink_to_fit();
    index.clear();
    created = false;
}

void FileList::Add(const char* name) {
    if (!created || !name) return;
    if (Count() >= MAX_NAMES) return;
    // Repeats are kept out: a list full of repeats would lose later names, and a lost name
    // would get an opened texture renamed.
    if (!index.insert(name).second) return;
    names.emplace_back(name);
}

void FileList::MarkUnusedScenarioTextures(int scenarioId) {
    if (!g_Settings.debug || g_Settings.markUnusedTextures == 0) return;
    char scenario[32];
    std::snprintf(scenario, sizeof scenario, "Escenario%02d", scenarioId);
    std::string folder = std::string("Texturas\\Escenarios\\") + scenario + "\\";
    MarkUnusedFolderFiles(folder);
}

void FileList::MarkUnusedFolderFiles(const std::string& folder) {
    std::vector<os::FolderEntry> entries;
    if (!os::ListFolder((folder + "*.*").c_str(), &entries)) return;
    for (const os::FolderEntry& e : entries) {
        if (!e.archive) continue;
        if (e.name.compare(0, 4, "_NU_") == 0) continue;
        std::string path = folder + e.name;
        if (Contains(UpperAscii(path))) continue;
        std::string renamed = folder + "_NU_" + e.name;
        os::RenameFile(path.c_str(), renamed.c_str());
    }
}
