// Stored blocks of the front end's option, player and campaign files built byte by byte at
// their documented offsets, independently of the game's own writers, for golden comparisons and
// for files the readers are fed.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace datakit {

// A zeroed image of a fixed size; each Put places a little-endian value at an offset.
class ByteImage {
public:
    explicit ByteImage(size_t size) : bytes_(size, 0) {}
    ByteImage& U8(size_t at, uint8_t v);
    ByteImage& U32(size_t at, uint32_t v);
    ByteImage& F32(size_t at, float v);
    ByteImage& Text(size_t at, const std::string& text);   // the bytes, no terminator added
    const std::vector<uint8_t>& Bytes() const { return bytes_; }
    std::string Str() const { return std::string(bytes_.begin(), bytes_.end()); }

private:
    std::vector<uint8_t> bytes_;
};

// The game-settings part (176 bytes) at `at`: words counting up from `first` at every u32 offset
// and the two level switches 1, 0, so that each field's place shows.
void PutCountingGameSettings(ByteImage& image, size_t at, uint32_t first);

// A player save: the 132-byte record of a new player of the side named `name` at `level`, then
// the 44-byte statistics counting 1..11 (left out with `withStats` false).
ByteImage PlayerSaveImage(uint32_t side, uint32_t level, const std::string& name, bool withStats = true);
// The saved enemies a match from the menu reads, numbers 0 to perSide - 1 of each side in the
// enemy folders of both play types: (the game's path, with backslashes; the file's bytes). Their
// levels climb with their numbers, one every six.
std::vector<std::pair<std::string, std::vector<uint8_t>>> EnemyRecordFiles(int perSide);

}  // namespace datakit
