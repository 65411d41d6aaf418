// The separate models a fighter wears besides its skin (hair, glasses and the equipment pieces),
// each hung on a bone in the model's attachment slot of the piece's number.
#pragma once

#include <cstddef>
#include <cstdint>

struct PlayerRecord;

enum LookPiece {
    LOOK_HAIR,
    LOOK_GLASSES,
    LOOK_HELMET,
    LOOK_GLOVE_LEFT,
    LOOK_GLOVE_RIGHT,
    LOOK_BOOT_LEFT,
    LOOK_BOOT_RIGHT,
    LOOK_BRACELET_LEFT,
    LOOK_BRACELET_RIGHT,
    LOOK_SHOULDER_LEFT,
    LOOK_SHOULDER_RIGHT,
    LOOK_PIECE_COUNT,
};

// One piece: its model file and node (the side first when sideFirst, then the model number),
// the texture folder its model loads with, the bone it hangs on and its texture file by
// texture number (null: the model's own; the hair has a rule of its own).
struct LookPieceRow {
    const char* file;
    const char* node;
    uint8_t sideFirst;
    const char* textureFolder;
    uint8_t bone;
    const char* texture;
};
extern const LookPieceRow LOOK_PIECES[LOOK_PIECE_COUNT];
// The pieces of each equipment kind (-1: none).
extern const int8_t EQUIPMENT_PIECES[5][2];

// The model file and node name of a piece for a side and model number; false for a piece
// outside the table or names that do not fit.
bool LookPieceNames(int piece, int side, int model, char* file, size_t fileSize, char* node, size_t nodeSize);
// The texture file of a piece for a model and texture number (the hair colour for the hair);
// false when the piece keeps its own textures.
bool LookPieceTextureName(int piece, int model, int texture, char* out, size_t outSize);

// Off the fighter in a slot and out of the scene, while it wears it.
void FreeLookPiece(int slot, int piece);
// The pieces' materials made one layer of that texture.
void LoadLookPieceTexture(int slot, int piece, int model, int texture);
// The piece, or the pair, of an equipment kind by its catalogue row; nothing for "none".
void LoadEquipmentPiece(int slot, int kind, int number);
// The record's equipment number of a kind; -1 for none, a kind outside 0-4 or a number past the
// catalogue.
int GetPlayerEquipment(const PlayerRecord* record, int kind);
void SetPlayerEquipment(PlayerRecord* record, int kind, int number);
