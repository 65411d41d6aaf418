// The demo data set: every file the game reads, made by our own code, and written into one
// folder. Files that the game opens through a pack go into the pack named for them; the rest lie
// loose. The same build gives the same bytes every time.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "datakit/image_writer.h"

namespace demodata {

constexpr const char* TEXTURE_PACK = "TEXTURAS.DAT";
constexpr const char* MODEL_PACK = "MODELOS.DAT";
constexpr const char* ANIMATION_PACK = "ANIMACIONES.DAT";

// The set holds every scenario of the table; these two are the ones with water and rain, and
// with lava.
constexpr int WATER_SCENARIO = 13;
constexpr int LAVA_SCENARIO = 18;

class DataSet {
public:
    // `name` is the game's name with backslashes; pack entries are stored upper-cased.
    void Pack(const std::string& pack, const std::string& name, std::vector<uint8_t> bytes);
    void Loose(const std::string& name, std::vector<uint8_t> bytes);
    void Texture(const std::string& name, const datakit::Picture& picture);
    // For the pictures the skin composition reads itself: uncompressed, 24 bits or 32 with alpha.
    void PlainTexture(const std::string& name, const datakit::Picture& picture, uint8_t depth);

    // Writes the loose files (folders made as needed) and the three packs; false with a reason.
    bool WriteTo(const std::string& folder, std::string* error) const;

    size_t PackEntryCount(const std::string& pack) const;

private:
    std::map<std::string, std::map<std::string, std::vector<uint8_t>>> packs_;
    std::map<std::string, std::vector<uint8_t>> loose_;
};

// The parts of the set, each adding its files.
void AddSettings(DataSet* set);
void AddTexts(DataSet* set);
// What "textos.txt" holds for a number the game has no use for.
std::string PlaceholderText(int number);
void AddPictures(DataSet* set);
// The HUD's pictures and the equipment's (parts of AddPictures).
void AddHudPictures(DataSet* set);
void AddEquipmentPictures(DataSet* set);
void AddModels(DataSet* set);
void AddFighters(DataSet* set);
void AddScenarios(DataSet* set);
void AddSounds(DataSet* set);
void AddEnemyRecords(DataSet* set);

// Everything above, written into `folder`, with the two start-up videos.
bool WriteDataSet(const std::string& folder, std::string* error);

}  // namespace demodata
