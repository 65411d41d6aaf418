#include "frontend/text_table.h"

#include <cstdlib>

#include "core/debug_log.h"
#include "core/pack_file.h"

// Loaded while the globals are constructed, as every later subsystem expects its texts.
TextTable g_TextTable("textos.txt");

namespace {

// Numbers logged as missing are remembered up to this many; past it nothing more is logged.
constexpr size_t kMaxReported = 1000;

// Reads the entry byte by byte, stopping at its end.
class EntryReader {
public:
    explicit EntryReader(BinaryReader& reader) : reader_(reader) {}

    // False at the end of the entry.
    bool Next(int* byte) {
        uint8_t b = 0;
        if (!reader_.ReadU8(b)) return false;
        *byte = b;
        return true;
    }

    // Skips up to and including the next double quote; false at the end.
    bool SkipPastQuote() {
        int c;
        while (Next(&c))
            if (c == '"') return true;
        return false;
    }

private:
    BinaryReader& reader_;
};

}  // namespace

TextTable::TextTable(const char* fileName) {
    Zero();
    Load(fileName);
}

void TextTable::Zero() {
    count = 0;
    strings.clear();
    strings.shrink_to_fit();
    lengths.clear();
    lengths.shrink_to_fit();
    reported_.clear();
    ClearAsked();
}

void TextTable::Reset() { Zero(); }

void TextTable::Load(const char* fileName) {
    Zero();
    if (!fileName || !*fileName) return;
    PackEntry entry;
    if (!entry.Open("TEXTURAS.DAT", fileName)) {
        WriteDebugLogF("TextTable: no se pudo abrir \"%s\"", fileName);
        return;
    }
    count = TEXT_TABLE_SLOTS;
    strings.assign(size_t(count), std::string());
    lengths.assign(size_t(count), 0);

    EntryReader in(entry.Reader());
    std::string work;
    work.reserve(size_t(TEXT_TABLE_MAX_TEXT));
    int c = 0;
    for (;;) {
        // "TXT": a byte that does not fit is dropped and the scan starts again after it.
        if (!in.Next(&c)) break;
        if (c != 'T') continue;
        if (!in.Next(&c)) break;
        if (c != 'X') continue;
        if (!in.Next(&c)) break;
        if (c != 'T') continue;

        // Exactly four bytes of number, converted like atoi.
        char digits[5] = {};
        int got = 0;
        while (got < 4 && in.Next(&c)) digits[got++] = char(c);
        if (got < 4) break;
        long number = std::strtol(digits, nullptr, 10);

        // The text, in one or more quoted pieces; the end of the entry keeps what was read.
        work.clear();
        bool overlong = false;
        bool more = in.SkipPastQuote();
        while (more) {
            bool closed = false;
            while (in.Next(&c)) {
                if (c == '"') {
                    closed = true;
                    break;
                }
                if (work.size() < size_t(TEXT_TABLE_MAX_TEXT))
                    work.push_back(char(c));
                else
                    overlong = true;
            }
            if (!closed || !in.Next(&c)) break;
            if (c == ';') break;
            more = in.SkipPastQuote();
        }

        if (number < 0 || number >= TEXT_TABLE_SLOTS) {
            WriteDebugLogF("TextTable: texto %ld fuera de la tabla, se ignora", number);
        } else {
            if (overlong) WriteDebugLogF("TextTable: texto %ld demasiado largo, cortado", number);
            strings[size_t(number)] = work;
            lengths[size_t(number)] = uint32_t(work.size() + 1);
        }
    }
}

const char* TextTable::Find(int32_t id) const {
    if (id >= 0 && id < TEXT_TABLE_SLOTS) asked_[size_t(id)].store(true, std::memory_order_relaxed);
    if (id < 0 || id >= count || size_t(id) >= lengths.size() || lengths[size_t(id)] == 0) return nullptr;
    return strings[size_t(id)].c_str();
}

const char* TextTable::Get(int32_t id) {
    if (const char* s = Find(id)) return s;
    if (reported_.size() < kMaxReported && reported_.insert(id).second) {
        if (!IsLoaded())
            WriteDebugLogF("TextTable: texto %d pedido sin \"textos.txt\" cargado", id);
        else if (id < 0 || id >= count)
            WriteDebugLogF("TextTable: texto %d fuera de la tabla", id);
        else
            WriteDebugLogF("TextTable: texto %d no existe", id);
    }
    return "";
}

std::vector<int32_t> TextTable::AskedNumbers() const {
    std::vector<int32_t> out;
    for (int32_t id = 0; id < TEXT_TABLE_SLOTS; ++id)
        if (asked_[size_t(id)].load(std::memory_order_relaxed)) out.push_back(id);
    return out;
}

void TextTable::ClearAsked() {
    for (auto& a : asked_) a.store(false, std::memory_order_relaxed);
}
