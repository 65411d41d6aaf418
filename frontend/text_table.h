// Every user-visible text of the game by number, read from "textos.txt" (a loose file or the
// entry of that name in "TEXTURAS.DAT") while the global objects are constructed, so the texts
// exist before anything else starts. Nothing writes the file and it is never reloaded.
//
// The file holds entries TXT + four characters of number + text in double quotes + ';'
// (TXT0042"abc";), anything between entries being skipped; a text may be split into quoted
// pieces that are joined. Texts are single-byte Windows-1252, kept as stored.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <set>
#include <string>
#include <vector>

constexpr int32_t TEXT_TABLE_SLOTS = 1430;
// Longest text kept, in bytes; the rest of a longer one is dropped.
constexpr int32_t TEXT_TABLE_MAX_TEXT = 9999;

class TextTable {
public:
    // 0 until the file was opened, then TEXT_TABLE_SLOTS.
    int32_t count;
    // One per slot once loaded; a slot without an entry holds an empty string and length 0.
    std::vector<std::string> strings;
    // Each slot's text length plus one, 0 for a slot without an entry.
    std::vector<uint32_t> lengths;

    TextTable() { Zero(); }
    // The global's form: loads the named file at once.
    explicit TextTable(const char* fileName);
    TextTable(const TextTable&) = delete;
    TextTable& operator=(const TextTable&) = delete;

    void Zero();
    // Back to empty, then reads the file. With no name, or a file that cannot be opened, the
    // table stays empty (count 0).
    void Load(const char* fileName);
    // Frees every text; the table is empty again.
    void Reset();

    // The text of a number. Never reads outside the table: an unloaded table, a number outside
    // 0 to 1429 or a slot without an entry gives an empty text and a debug-log line (once per
    // number).
    const char* Get(int32_t id);
    // The same without the log line and with null for no text.
    const char* Find(int32_t id) const;
    bool IsLoaded() const { return count > 0; }

    // The numbers within the table asked for through Find or Get since the last load or
    // ClearAsked, in rising order: what a data set must name for the screens shown meanwhile.
    std::vector<int32_t> AskedNumbers() const;
    void ClearAsked();

private:
    std::set<int32_t> reported_;   // numbers already logged as missing
    // Set from the network thread too.
    mutable std::array<std::atomic<bool>, TEXT_TABLE_SLOTS> asked_{};
};

extern TextTable g_TextTable;
