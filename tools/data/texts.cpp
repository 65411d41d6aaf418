// "textos.txt": a short text of our own for every number of the text table. The numbers the
// front end, the HUD and the input names use get words that say what they are; every other
// number gets a plain label with its number, so that nothing the game asks for is missing.
#include <cstdio>
#include <map>
#include <string>

#include "data_set.h"

namespace demodata {

namespace {

constexpr int TEXT_COUNT = 1430;

std::map<int, std::string> NamedTexts() {
    std::map<int, std::string> t = {
        {484, "Back"}, {485, "Start"}, {486, "Previous"}, {487, "Next"}, {488, "Orlins"}, {489, "Voraks"},
        {495, "Previous scenario"}, {496, "Next scenario"}, {499, "New player"}, {500, "Play"}, {501, "Network"},
        {502, "Options"}, {503, "Quit"}, {504, "Continue"}, {508, "Back"}, {515, "Training"},
        {516, "New team campaign"}, {517, "Load team campaign"}, {518, "New campaign"}, {519, "Load campaign"}, {521, "Level"}, {527, "Credits"},
        {590, "Fill team"}, {591, "Team slot"}, {592, "Add to team"}, {593, "Name"}, {594, "Easy"},
        {595, "Normal"}, {596, "Hard"}, {597, "Play as Orlin"}, {598, "Play as Vorak"}, {599, "Continue"},
        {683, "Enemy"}, {700, "Are you sure?"}, {709, "Choose this mission"}, {710, "Shop"}, {711, "Armoury"},
        {712, "Use points"}, {713, "Show member"}, {714, "Shown member"}, {724, "Load"}, {725, "Delete"},
        {800, "You win"}, {801, "You lose"}, {802, "Time"}, {803, "Results"}, {804, "Our side"},
        {805, "Their side"}, {807, "Symbols"}, {808, "Posts"}, {809, "Credits"}, {810, "Finds"},
        {811, "Curse time"}, {812, "Victories"}, {813, "Kills"}, {814, "Deaths"}, {815, "Own goals"},
        {816, "Items"}, {817, "Letters"}, {818, "Nobody wins"}, {830, "Level"}, {831, "Experience"},
        {840, "Host"}, {841, "Join"}, {842, "Match"}, {843, "Player"}, {844, "Host a game"}, {845, "Name"},
        {846, "Port"}, {847, "Host"}, {848, "Join a game"}, {849, "Games found"},
        {522, "Strength"}, {523, "Defence"}, {524, "Power"}, {525, "Speed"}, {526, "Energy"},
        {536, "Own level"}, {537, "Own team"}, {538, "Own random level"}, {539, "Enemy level"},
        {540, "Enemy team"}, {541, "Enemy random level"}, {685, "Yes"}, {686, "No"}, {687, "Keep the changes?"},
        {688, "Low"}, {689, "High"}, {701, "Leave the game?"}, {702, "Saved"}, {703, "Delete this campaign?"},
        {704, "Empty"}, {745, "Easy"}, {746, "Normal"}, {747, "Hard"}, {1280, "Made by"},
        {520, "Fighter"}, {531, "Arena"}, {535, "Teams"}, {758, "New player"}, {785, "Choose your fighter"},
        {790, "Shop"}, {791, "Start"}, {796, "Armoury"},
        {729, "Turn left"}, {730, "Turn right"}, {731, "Turn on"}, {732, "Turn off"}, {784, "Delete this player?"},
    };
    const char* kinds[8] = {"Steal the symbol", "Obstacle race", "Greed", "Search", "Curse", "Annihilation",
                            "Every one for himself", "Greed for one"};
    const char* about[8] = {"Carry the other side's symbol to your base.", "Pass every post before the others.",
                            "Gather the most credits.", "Find the hidden objects.", "Do not hold the curse too long.",
                            "Defeat the other side.", "Defeat everyone else.", "Gather the most credits alone."};
    for (int k = 0; k < 8; ++k) {
        t[600 + k] = kinds[k];
        t[1270 + k] = about[k];
    }
    const char* places[20] = {"Green Hill", "Old Mill", "Long Road", "Mist Vale", "Sun Yard", "Rain Court",
                              "Stone Gate", "Deep Wood", "Dry Bed", "High Wall", "Red Field", "Grey Tower",
                              "Iron Bridge", "Wet Market", "Moon Garden", "Ember Hall", "Sand Keep",
                              "Bone Steps", "Fire Pit", "Last Ring"};
    for (int s = 0; s < 20; ++s) t[610 + s] = places[s];
    const char* categories[8] = {"Helmet", "Gloves", "Boots", "Bracelets", "Shoulders", "Hair", "Glasses", "Tattoo"};
    for (int c = 0; c < 8; ++c) t[769 + c] = categories[c];
    // The input actions' names.
    for (int a = 0; a < 51; ++a) t[901 + a] = "Action " + std::to_string(a + 1);
    return t;
}

}  // namespace

void AddTexts(DataSet* set) {
    const std::map<int, std::string> named = NamedTexts();
    std::string file = "// Demo texts, one entry per number.\r\n";
    for (int id = 0; id < TEXT_COUNT; ++id) {
        auto it = named.find(id);
        const std::string text = it != named.end() ? it->second : "Text " + std::to_string(id);
        char head[16];
        std::snprintf(head, sizeof head, "TXT%04d\"", id);
        file += head + text + "\";\r\n";
    }
    set->Pack(TEXTURE_PACK, "textos.txt", std::vector<uint8_t>(file.begin(), file.end()));
}

}  // namespace demodata
