// The plain-text log "debug.txt", written only while the DEBUG setting is on. Every line opens
// and closes the file, so the log is complete on disk whenever the program stops.
#pragma once

#include <cstdint>

#include "common/result.h"
#include "core/file_list.h"   // the opened-file list belongs with the log

// Creates "debug.txt" anew with its banner and takes the start time. E_FAIL when DEBUG is off
// or the file cannot be created.
HRESULT OpenDebugLog();
// Appends "<seconds since start> <text>"; a line is cut to 255 characters, newline included.
// Safe to call from any thread.
void WriteDebugLog(const char* text);
// The same with printf formatting; the text is cut where a line would be.
void WriteDebugLogF(const char* format, ...) __attribute__((format(printf, 1, 2)));
// A line of 77 asterisks.
void WriteDebugLogSeparator();
void WriteDebugLogNewLine();

// Back to the start state: no start time taken (tests).
void ResetDebugLog();

// The longest line written, newline included.
constexpr int DEBUG_LOG_MAX_LINE = 255;
