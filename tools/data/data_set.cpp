#include "data_set.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <filesystem>

#include "platform/video/test_clip.h"
#include "datakit/pack_writer.h"

namespace demodata {

namespace fs = std::filesystem;

namespace {

std::string Upper(std::string s) {
    for (char& c : s) c = char(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

// Loose files are found without regard to case; they are written as the game names them, with
// the folders as real folders.
fs::path OnDisk(const std::string& folder, const std::string& name) {
    std::string path = name;
    std::replace(path.begin(), path.end(), '\\', '/');
    return fs::path(folder) / path;
}

}  // namespace

void DataSet::Pack(const std::string& pack, const std::string& name, std::vector<uint8_t> bytes) {
    packs_[pack][Upper(name)] = std::move(bytes);
}

void DataSet::Loose(const std::string& name, std::vector<uint8_t> bytes) { loose_[name] = std::move(bytes); }

void DataSet::Texture(const std::string& name, const datakit::Picture& picture) {
    datakit::TgaOptions options;
    options.depth = 32;
    options.rle = true;
    std::string lower = name;
    for (char& c : lower) c = char(std::tolower(static_cast<unsigned char>(c)));
    const bool bmp = lower.size() > 4 && lower.compare(lower.size() - 4, 4, ".bmp") == 0;
    Pack(TEXTURE_PACK, name, bmp ? datakit::BmpFile(picture) : datakit::TgaFile(picture, options));
}

void DataSet::PlainTexture(const std::string& name, const datakit::Picture& picture, uint8_t depth) {
    datakit::TgaOptions options;
    options.depth = depth;
    Pack(TEXTURE_PACK, name, datakit::TgaFile(picture, options));
}

size_t DataSet::PackEntryCount(const std::string& pack) const {
    auto it = packs_.find(pack);
    return it == packs_.end() ? 0 : it->second.size();
}

bool DataSet::WriteTo(const std::string& folder, std::string* error) const {
    std::error_code ec;
    fs::create_directories(folder, ec);
    for (const auto& [name, bytes] : loose_) {
        const fs::path path = OnDisk(folder, name);
        fs::create_directories(path.parent_path(), ec);
        if (!datakit::WriteBytes(path.string(), bytes)) {
            if (error) *error = "cannot write " + path.string();
            return false;
        }
    }
    for (const auto& [pack, entries] : packs_) {
        datakit::PackWriter writer;
        for (const auto& [name, bytes] : entries) writer.Add(name, bytes);
        const fs::path path = OnDisk(folder, pack);
        if (!writer.WriteTo(path.string())) {
            if (error) *error = "cannot write " + path.string();
            return false;
        }
    }
    return true;
}

namespace {

// A title card: a dark field with a bright band that sweeps across, brightening towards the end.
void PaintLogo(int frame, int frames, uint8_t* const planes[3], const int strides[3], int w, int h) {
    const int band = (frame * w) / frames;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const int d = std::abs(x - band);
            int luma = 30 + (d < 24 ? 180 - d * 6 : 0) + ((y / 16 + x / 16) % 2 ? 10 : 0);
            planes[0][y * strides[0] + x] = uint8_t(std::clamp(luma, 16, 235));
        }
    }
    for (int p = 1; p <= 2; ++p)
        for (int y = 0; y < h / 2; ++y)
            for (int x = 0; x < w / 2; ++x) planes[p][y * strides[p] + x] = uint8_t(p == 1 ? 150 : 110 + frame % 20);
}

// Rings that grow from the centre, changing hue.
void PaintIntro(int frame, int, uint8_t* const planes[3], const int strides[3], int w, int h) {
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const int dx = x - w / 2, dy = y - h / 2;
            const int r = int(std::sqrt(double(dx * dx + dy * dy)));
            planes[0][y * strides[0] + x] = uint8_t(((r - frame * 3) / 12) % 2 ? 200 : 50);
        }
    }
    for (int y = 0; y < h / 2; ++y)
        for (int x = 0; x < w / 2; ++x) {
            planes[1][y * strides[1] + x] = uint8_t(128 + (frame * 2) % 80 - 40);
            planes[2][y * strides[2] + x] = uint8_t(128 + ((x + frame) % 64) - 32);
        }
}

bool WriteVideo(const fs::path& path, double toneHz, int frames,
                void (*paint)(int, int, uint8_t* const[3], const int[3], int, int), std::string* error) {
    video::TestClipSpec spec;
    spec.width = 320;
    spec.height = 240;
    spec.fps = 25;
    spec.frames = frames;
    spec.videoBitRate = 6000000;
    spec.toneHz = toneHz;
    spec.toneAmplitude = 0.2;
    spec.paint = [=](int frame, uint8_t* const planes[3], const int strides[3]) {
        paint(frame, frames, planes, strides, spec.width, spec.height);
    };
    return video::WriteTestClip(path.string().c_str(), spec, error);
}

}  // namespace

bool WriteDataSet(const std::string& folder, std::string* error) {
    DataSet set;
    AddSettings(&set);
    AddTexts(&set);
    AddPictures(&set);
    AddModels(&set);
    AddFighters(&set);
    AddScenarios(&set);
    AddSounds(&set);
    AddEnemyRecords(&set);
    if (!set.WriteTo(folder, error)) return false;
    return WriteVideo(fs::path(folder) / "Logo.mpg", 330.0, 75, PaintLogo, error) &&
           WriteVideo(fs::path(folder) / "Intro.mpg", 220.0, 100, PaintIntro, error);
}

}  // namespace demodata
