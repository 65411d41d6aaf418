#include "fighters/skin.h"

#include "fighters/character.h"

// The skin composition fills these: the layer images blended into a new texture on every mesh
// of the fighter's model, and the cache of decoded layers.
bool Character::ComposeSkin(int, const SkinParts&, SkinImageCache*) { return false; }
void SkinImageCache::Clear() {}
