#include "support/demo_data_folder.h"

#include <cstdlib>
#include <string>
#include <system_error>

#include <unistd.h>

namespace fs = std::filesystem;

namespace testsupport {

namespace {

struct OwnedFolder {
    fs::path path;
    bool owned = false;
    ~OwnedFolder() {
        std::error_code ec;
        if (owned) fs::remove_all(path, ec);
    }
};

std::string Quoted(const std::string& s) {
    std::string out = "'";
    for (char c : s) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

}  // namespace

const fs::path& DemoDataFolder(const char* toolPath) {
    static OwnedFolder folder;
    if (!folder.path.empty()) return folder.path;
    if (const char* shared = std::getenv("BRIMVALE_DEMO_DATA"); shared && fs::exists(fs::path(shared) / "Brimvale.ini")) {
        folder.path = fs::absolute(shared);
        return folder.path;
    }
    const fs::path made = fs::temp_directory_path() / ("brimvale-demo-data-" + std::to_string(::getpid()));
    std::error_code ec;
    fs::remove_all(made, ec);
    const std::string command = Quoted(toolPath) + " " + Quoted(made.string()) + " >/dev/null";
    if (std::system(command.c_str()) == 0 && fs::exists(made / "Brimvale.ini")) {
        folder.path = made;
        folder.owned = true;
    } else {
        fs::remove_all(made, ec);
    }
    return folder.path;
}

void LinkDataFolder(const fs::path& from, const fs::path& to) {
    for (const fs::directory_entry& entry : fs::directory_iterator(from)) {
        const fs::path target = to / entry.path().filename();
        if (entry.is_directory()) {
            fs::create_directories(target);
            LinkDataFolder(entry.path(), target);
        } else {
            fs::create_symlink(entry.path(), target);
        }
    }
}

}  // namespace testsupport
