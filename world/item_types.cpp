// The item-type table: 58 rows of group, respawn time, colour and effects, and the editor's label
// of each type (Windows-1252, as the texture font draws it).
#include "world/item.h"

// Effects: 91 the spawn flash, 93-97 the loop around the item by kind, 90 the second loop that
// faces the camera, 92 the pick-up flash.
const ItemTypeRow ItemTypeTable[ITEM_TYPE_COUNT] = {
    {100, 0, 0, 0, 0x000000, -1, -1, -1, -1, "Piedras"},
    {101, 0, 0, 0, 0x000000, -1, -1, -1, -1, "Granadas"},
    {102, 0, 0, 0, 0x000000, -1, -1, -1, -1, "C\xf3" "ckteles Molotov"},
    {103, 1, 60, 0, 0xff6464, 91, 93, 90, 92, "Vida Parcial"},
    {104, 1, 60, 0, 0xff6464, 91, 93, 90, 92, "Vida Total"},
    {105, 1, 120, 0, 0x6464ff, 91, 94, 90, 92, "Experiencia"},
    {106, 1, 60, 0, 0x6464ff, 91, 94, 90, 92, "Poder Parcial"},
    {107, 1, 60, 0, 0x6464ff, 91, 94, 90, 92, "Poder Total"},
    {108, 1, 60, 0, 0x6464ff, 91, 94, 90, 92, "Fuerza"},
    {109, 1, 60, 0, 0x6464ff, 91, 94, 90, 92, "Constituci\xf3n"},
    {110, 1, 60, 0, 0x6464ff, 91, 94, 90, 92, "Agilidad"},
    {111, 1, 60, 0, 0x6464ff, 91, 94, 90, 92, "Velocidad"},
    {112, 1, 120, 0, 0x6464ff, 91, 94, 90, 92, "Poder"},
    {113, 1, 120, 0, 0x6464ff, 91, 95, 90, 92, "Invulnerabilidad"},
    {114, 1, 120, 0, 0x6464ff, 91, 95, 90, 92, "Invisibilidad"},
    {115, 2, 10, 0, 0xff64ff, 91, 97, 90, 92, "Bomba"},
    {116, 2, 30, 0, 0xff64ff, 91, 97, 90, 92, "Par\xe1lisis"},
    {117, 2, 30, 0, 0xff64ff, 91, 97, 90, 92, "Enfermedad"},
    {118, 3, 120, 0, 0xff64ff, 91, 97, 90, 92, "Castigo Divino"},
    {119, 3, 120, 0, 0xff64ff, 91, 97, 90, 92, "Castigo Sat\xe1nico"},
    {120, 4, 0, 0, 0xffff64, 91, 96, 90, 92, "Cr\xe9" "ditos 1"},
    {121, 4, 0, 0, 0xffff64, 91, 96, 90, 92, "Cr\xe9" "ditos 5"},
    {122, 4, 0, 0, 0xffff64, 91, 96, 90, 92, "Cr\xe9" "ditos 25"},
    {123, 4, 0, 0, 0xffff64, 91, 96, 90, 92, "Cr\xe9" "ditos 50"},
    {124, 5, 0, 0, 0x64ff64, 91, 96, 90, 92, "Letra A"},
    {125, 5, 0, 0, 0x64ff64, 91, 96, 90, 92, "Letra B"},
    {126, 5, 0, 0, 0x64ff64, 91, 96, 90, 92, "Letra C"},
    {127, 5, 0, 0, 0x64ff64, 91, 96, 90, 92, "Letra D"},
    {128, 5, 0, 0, 0x64ff64, 91, 96, 90, 92, "Letra E"},
    {129, 5, 0, 0, 0x64ff64, 91, 96, 90, 92, "Letra F"},
    {130, 5, 0, 0, 0x64ff64, 91, 96, 90, 92, "Letra G"},
    {131, 5, 0, 0, 0x64ff64, 91, 96, 90, 92, "Letra H"},
    {132, 5, 0, 0, 0x64ff64, 91, 96, 90, 92, "Letra I"},
    {133, 5, 0, 0, 0x64ff64, 91, 96, 90, 92, "Letra J"},
    {134, 5, 0, 0, 0x64ff64, 91, 96, 90, 92, "Letra K"},
    {135, 5, 0, 0, 0x64ff64, 91, 96, 90, 92, "Letra L"},
    {136, 5, 0, 0, 0x64ff64, 91, 96, 90, 92, "Letra M"},
    {137, 5, 0, 0, 0x64ff64, 91, 96, 90, 92, "Letra N"},
    {138, 5, 0, 0, 0x64ff64, 91, 96, 90, 92, "Letra O"},
    {139, 5, 0, 0, 0x64ff64, 91, 96, 90, 92, "Letra P"},
    {140, 5, 0, 0, 0x64ff64, 91, 96, 90, 92, "Letra Q"},
    {141, 5, 0, 0, 0x64ff64, 91, 96, 90, 92, "Letra R"},
    {142, 5, 0, 0, 0x64ff64, 91, 96, 90, 92, "Letra S"},
    {143, 5, 0, 0, 0x64ff64, 91, 96, 90, 92, "Letra T"},
    {144, 5, 0, 0, 0x64ff64, 91, 96, 90, 92, "Letra U"},
    {145, 5, 0, 0, 0x64ff64, 91, 96, 90, 92, "Letra V"},
    {146, 5, 0, 0, 0x64ff64, 91, 96, 90, 92, "Letra W"},
    {147, 5, 0, 0, 0x64ff64, 91, 96, 90, 92, "Letra X"},
    {148, 5, 0, 0, 0x64ff64, 91, 96, 90, 92, "Letra Y"},
    {149, 5, 0, 0, 0x64ff64, 91, 96, 90, 92, "Letra Z"},
    {150, 6, 120, 0, 0xff64ff, 91, 97, 90, 92, "Fruta Prohibida"},
    {151, 6, 120, 0, 0xff64ff, 91, 97, 90, 92, "Fruta Prohibida"},
    {152, 7, 60, 0, 0x64ffff, 91, 96, 90, 92, "Pantalla Loca"},
    {153, 7, 60, 0, 0x64ffff, 91, 96, 90, 92, "Pantalla Invertida"},
    {154, 7, 60, 0, 0x64ffff, 91, 96, 90, 92, "Controles Invertidos"},
    {155, 7, 60, 0, 0x64ffff, 91, 96, 90, 92, "Golpear C\xe1mara"},
    {156, 7, 60, 0, 0x64ffff, 91, 96, 90, 92, "Destello Cegador"},
    {157, 7, 60, 0, 0x64ffff, 91, 96, 90, 92, "Cortina de Humo"},
};

const ItemTypeRow* ItemTypeRowOf(int type) {
    return type >= 0 && type < ITEM_TYPE_COUNT ? &ItemTypeTable[type] : nullptr;
}

uint32_t ItemCreditValue(int type) {
    constexpr uint32_t kValues[] = {1, 5, 25, 50};
    return type >= ITEM_CREDITS_1 && type <= ITEM_CREDITS_50 ? kValues[type - ITEM_CREDITS_1] : 0;
}
