// The names of every data file asked for during a DEBUG run, so that the textures of a
// scenario's folder that nobody opened can be marked with a "_NU_" prefix.
#pragma once

#include <string>
#include <unordered_set>
#include <vector>

class FileList {
public:
    static constexpr int MAX_NAMES = 100000;

    FileList() : created(false) {}

    // Makes the list ready to take names (start-up, DEBUG only).
    void Create();
    // Frees the list; names added afterwards are dropped. May be called again.
    void Destroy();
    // Appends a name not already in the list; dropped when the list is absent or full.
    void Add(const char* name);
    // With DEBUG and MARCA_TEXT_NU on: prefixes "_NU_" to the files of the scenario's texture
    // folder that were never asked for.
    void MarkUnusedScenarioTextures(int scenarioId);

    bool IsCreated() const { return created; }
    int Count() const { return int(names.size()); }
    const std::string& Name(int i) const { return names[size_t(i)]; }
    bool Contains(const std::string& name) const { return index.count(name) != 0; }

private:
    // `folder` ends with its separator.
    void MarkUnusedFolderFiles(const std::string& folder);

    bool created;
    std::vector<std::string> names;
    std::unordered_set<std::string> index;
};

extern FileList g_FileList;
