#include "core/debug_log.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <mutex>

#include "platform/os/os.h"
#include "core/settings.h"

namespace {

const char* const kLogName = "debug.txt";

// Network threads write the log too; one writer at a time keeps lines whole.
std::mutex g_LogMutex;
uint32_t g_LogStartTime = 0;

void AppendRaw(const char* line) {
    std::lock_guard<std::mutex> lock(g_LogMutex);
    FILE* f = std::fopen(kLogName, "a+t");
    if (!f) return;
    std::fputs(line, f);
    std::fclose(f);
}

}  // namespace

HRESULT OpenDebugLog() {
    if (!g_Settings.debug) return E_FAIL;
    std::lock_guard<std::mutex> lock(g_LogMutex);
    FILE* f = std::fopen(kLogName, "wt");
    if (!f) return E_FAIL;
    std::fputs("ARCHIVO DEBUG DEL PROYECTO BRIMVALE\n", f);
    std::fputs("*******************************************\n\n", f);
    std::fclose(f);
    g_LogStartTime = os::timeGetTime();
    return S_OK;
}

void WriteDebugLog(const char* text) {
    if (!g_Settings.debug || !text) return;
    std::lock_guard<std::mutex> lock(g_LogMutex);
    // Unsigned difference so the log's clock wraps with the system clock.
    uint32_t elapsed = os::timeGetTime() - g_LogStartTime;
    double seconds = double(uint64_t(elapsed)) * 0.001;
    char line[DEBUG_LOG_MAX_LINE + 1];
    // Leave room for the newline, which a cut line keeps.
    int n = std::snprintf(line, DEBUG_LOG_MAX_LINE, "%4.3f %s", seconds, text);
    if (n < 0) return;
    size_t len = std::strlen(line);
    line[len] = '\n';
    line[len + 1] = 0;
    FILE* f = std::fopen(kLogName, "a+t");
    if (!f) return;
    std::fputs(line, f);
    std::fclose(f);
}

void WriteDebugLogF(const char* format, ...) {
    if (!g_Settings.debug || !format) return;
    char text[DEBUG_LOG_MAX_LINE + 1];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof(text), format, args);
    va_end(args);
    WriteDebugLog(text);
}

void WriteDebugLogSeparator() {
    if (!g_Settings.debug) return;
    AppendRaw("*****************************************************************************\n");
}

void WriteDebugLogNewLine() {
    if (!g_Settings.debug) return;
    AppendRaw("\n");
}

void ResetDebugLog() {
    std::lock_guard<std::mutex> lock(g_LogMutex);
    g_LogStartTime = 0;
}
