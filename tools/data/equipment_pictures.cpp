// The equipment's pictures, named from the catalogue's own rows: the textures the look pieces
// wear (by the row's set word) and the shop's pictures of each piece (by its class and set word).
#include <set>
#include <string>
#include <utility>

#include "data_set.h"
#include "frontend/equipment_table.h"
#include "geometry.h"
#include "shapes.h"

namespace demodata {

namespace {

// Helmet, gloves, boots, bracelets, shoulder pads.
const char* const kTextureNames[EQUIPMENT_KIND_COUNT] = {"Casco%04d", "Guante%04d", "bota%04d", "Bracelet%04d",
                                                         "Hombrera%04d"};
const char* const kShopNames[EQUIPMENT_KIND_COUNT] = {"Casco%d%03d", "Guante%d%03d", "bota%d%03d", "Bracelet%d%03d",
                                                      "Hombrera%d%03d"};

// A set word's colour: its family (hundreds) picks the hue, the piece within the set its shade.
uint32_t SetColour(uint32_t setWord) {
    static const uint32_t kFamilies[] = {0xFF909098, 0xFFC04040, 0xFF40A050, 0xFF4060C0, 0xFFC0A030, 0xFF8050C0};
    return Shade(kFamilies[(setWord / 100) % 6], 0.8f + 0.15f * float(setWord % 100 % 3));
}

// A worn piece's texture: plates of the set's colour with rivets.
Picture PieceTexture(uint32_t setWord) {
    const uint32_t c = SetColour(setWord);
    Picture p = datakit::SolidPicture(64, 64, c);
    for (int y = 0; y < 64; y += 16) {
        Fill(&p, 0, y, 64, y + 2, Shade(c, 0.55f));
        for (int x = 8; x < 64; x += 16) Disc(&p, float(x), float(y + 9), 2.0f, Shade(c, 1.4f));
    }
    return p;
}

// The shop's picture of a piece: its outline by kind on a clear ground, in the set's colour; the
// class shows as that many studs along the bottom.
Picture ShopPicture(int kind, uint32_t pieceClass, uint32_t setWord) {
    const uint32_t c = SetColour(setWord), dark = Shade(c, 0.5f);
    Picture p = datakit::SolidPicture(128, 128, 0);
    switch (kind) {
    case 0:   // a dome with a brim
        Disc(&p, 64, 70, 44, c);
        Fill(&p, 0, 70, 128, 128, 0);
        Fill(&p, 14, 66, 114, 80, dark);
        break;
    case 1:   // a palm, four fingers and a thumb
        Fill(&p, 38, 54, 90, 104, c);
        for (int f = 0; f < 4; ++f) Fill(&p, 38 + 13 * f, 20 + (f == 0 || f == 3 ? 10 : 0), 49 + 13 * f, 56, c);
        Fill(&p, 90, 62, 108, 80, c);
        Fill(&p, 38, 96, 90, 104, dark);
        break;
    case 2:   // a shaft and a foot
        Fill(&p, 40, 14, 74, 92, c);
        Fill(&p, 40, 84, 108, 106, c);
        Fill(&p, 40, 100, 108, 106, dark);
        break;
    case 3:   // a ring
        Disc(&p, 64, 58, 40, c);
        Disc(&p, 64, 58, 26, 0);
        Disc(&p, 64, 24, 6, dark);
        break;
    default:   // stacked plates
        for (int k = 0; k < 3; ++k) {
            Disc(&p, 64, float(40 + 18 * k), 46.0f - 6.0f * float(k), k % 2 ? dark : c);
            Fill(&p, 0, 60 + 18 * k, 128, 128, 0);
        }
        break;
    }
    for (uint32_t s = 0; s <= pieceClass && s < 6; ++s) Disc(&p, 24.0f + 16.0f * float(s), 118.0f, 5.0f, 0xFFF0E080);
    return p;
}

}  // namespace

void AddEquipmentPictures(DataSet* set) {
    for (int kind = 0; kind < EQUIPMENT_KIND_COUNT; ++kind) {
        std::set<uint32_t> setWords;
        std::set<std::pair<uint32_t, uint32_t>> pieces;
        for (int n = 0; n < EQUIPMENT_ROWS_PER_KIND; ++n) {
            const EquipmentRow* row = CatalogueRow(kind, n);
            if (!row || !IsCatalogueItem(*row)) continue;
            setWords.insert(row->setWord);
            pieces.insert({row->pieceClass, row->setWord});
        }
        for (uint32_t w : setWords)
            set->Texture("Texturas\\Objetos Dinamicos\\" + Format(kTextureNames[kind], int(w)) + ".tga", PieceTexture(w));
        for (const auto& [pieceClass, w] : pieces)
            set->Texture("Texturas\\Interfaz\\Menu\\" + Format(kShopNames[kind], int(pieceClass), int(w)) + ".tga",
                         ShopPicture(kind, pieceClass, w));
    }
}

}  // namespace demodata
