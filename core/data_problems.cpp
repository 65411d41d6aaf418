#include "core/data_problems.h"

#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <mutex>

#include "core/debug_log.h"
#include "platform/os/os.h"

namespace {

struct Told {
    std::mutex mutex;
    std::vector<std::string> texts;
    size_t shown = 0;
    std::vector<std::string> boxes;
    std::atomic<bool> waiting{false};
    bool onStderr = false;
};

// Made on first use and never freed: packs are read from static constructors.
Told& State() {
    static Told* told = new Told;
    return *told;
}

}  // namespace

void TellDataProblem(const char* text) {
    if (!text || !*text) return;
    Told& t = State();
    bool onStderr = false;
    {
        std::lock_guard<std::mutex> lock(t.mutex);
        t.texts.emplace_back(text);
        t.waiting = true;
        onStderr = t.onStderr;
    }
    if (onStderr) std::fprintf(stderr, "Brimvale: %s\n", text);
    WriteDebugLogF("Aviso al jugador: %s", text);
}

void TellDataProblemF(const char* format, ...) {
    char text[512];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    TellDataProblem(text);
}

void ShowDataProblems() {
    Told& t = State();
    if (!t.waiting) return;
    std::vector<std::string> next;
    {
        std::lock_guard<std::mutex> lock(t.mutex);
        next.assign(t.texts.begin() + std::ptrdiff_t(t.shown), t.texts.end());
        t.shown = t.texts.size();
        t.waiting = false;
    }
    for (const std::string& text : next) {
        os::ShowMessageDialog(os::GetMainWindow(), text.c_str(), "Brimvale", os::MB_ICONERROR);
        std::lock_guard<std::mutex> lock(t.mutex);
        t.boxes.push_back(text);
    }
}

void TellDataProblemsOnStderr() {
    Told& t = State();
    std::lock_guard<std::mutex> lock(t.mutex);
    if (t.onStderr) return;
    t.onStderr = true;
    for (const std::string& text : t.texts) std::fprintf(stderr, "Brimvale: %s\n", text.c_str());
}

std::vector<std::string> ToldDataProblems() {
    Told& t = State();
    std::lock_guard<std::mutex> lock(t.mutex);
    return t.texts;
}

std::vector<std::string> ShownDataProblems() {
    Told& t = State();
    std::lock_guard<std::mutex> lock(t.mutex);
    return t.boxes;
}

void ResetDataProblems() {
    Told& t = State();
    std::lock_guard<std::mutex> lock(t.mutex);
    t.texts.clear();
    t.shown = 0;
    t.boxes.clear();
    t.waiting = false;
    t.onStderr = false;
}
