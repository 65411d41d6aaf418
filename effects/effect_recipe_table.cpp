// The recipes of the effect types. The powers' (types 0-19), the world's (50-67) and the events'
// (the others) are added here family by family; a type without one is built as an empty effect
// that ends at its first update.
#include <vector>

#include "effects/effect_recipe.h"

namespace {

// Each family's table, constant-initialised in its own file, so ready before this one is built.
const std::span<const EffectRecipe> kFamilies[] = {
    POWER_RECIPES,
};

std::vector<EffectRecipe> JoinFamilies() {
    std::vector<EffectRecipe> all;
    for (std::span<const EffectRecipe> family : kFamilies) all.insert(all.end(), family.begin(), family.end());
    return all;
}

const std::vector<EffectRecipe> kRecipes = JoinFamilies();

}  // namespace

const std::span<const EffectRecipe> EFFECT_RECIPES(kRecipes);

std::span<const EffectRecipe> g_EffectRecipes(kRecipes);

void ResetEffectRecipes() { g_EffectRecipes = EFFECT_RECIPES; }

const EffectRecipe* FindEffectRecipe(int32_t type) {
    for (const EffectRecipe& recipe : g_EffectRecipes)
        if (recipe.type == type) return &recipe;
    return nullptr;
}
