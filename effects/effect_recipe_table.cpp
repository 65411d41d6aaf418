// The recipes of the effect types. The powers' (types 0-19), the world's (50-67) and the events'
// (the others) are added here family by family; a type without one is built as an empty effect
// that ends at its first update.
#include <array>

#include "effects/effect_recipe.h"

namespace {

constexpr std::array<EffectRecipe, 0> kRecipes{};

}  // namespace

const std::span<const EffectRecipe> EFFECT_RECIPES(kRecipes);

std::span<const EffectRecipe> g_EffectRecipes(kRecipes);

void ResetEffectRecipes() { g_EffectRecipes = EFFECT_RECIPES; }

const EffectRecipe* FindEffectRecipe(int32_t type) {
    for (const EffectRecipe& recipe : g_EffectRecipes)
        if (recipe.type == type) return &recipe;
    return nullptr;
}
