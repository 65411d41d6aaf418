// The fighters the front end shows for a player record: spawned facing the camera, dressed,
// drawn over the screen and removed with their looks.
#pragma once

#include "common/math.h"

class Character;
class SkinImageCache;
struct PlayerRecord;

// A fighter for the record (or a made-up one without a record) at a world point, turned to face
// the camera and dressed (skin and look pieces; the cache may be null); null when none could be
// spawned.
Character* SpawnPreviewFighter(const PlayerRecord* record, int side, const Vec3& at, SkinImageCache* cache);
// The fighter takes the record's looks, or is spawned at `at` when there is none yet.
void ShowPreviewFighter(Character*& fighter, const PlayerRecord& record, const Vec3& at, SkinImageCache* cache);
// Its look pieces, then the fighter; the pointer is cleared.
void RemovePreviewFighter(Character*& fighter);
// The visible parts of its model refreshed and the model drawn (the caller set the depth test).
void DrawPreviewFighter(Character* fighter);
