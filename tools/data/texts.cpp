// "textos.txt": a short text of our own for every number the game reads: the front end's
// captions, buttons, questions and tips, the players' names, the equipment's names, the controls'
// and the keys' names. Every other number of the table gets a plain label with its number, so
// that a number a screen should not ask for shows as such.
#include <cstdio>
#include <map>
#include <string>

#include "data_set.h"
#include "frontend/equipment_table.h"
#include "frontend/player_saves.h"
#include "frontend/text_table.h"

namespace demodata {

namespace {

// The first numbers: the names a new player record is given at random.
void AddPlayerNames(std::map<int, std::string>* t) {
    static const char* const kStarts[] = {"Al", "Bra", "Cor", "Da", "El", "Fen", "Gar", "Hal", "Is", "Jor",
                                          "Kel", "Lor", "Mar", "Nor", "Os", "Pel"};
    static const char* const kEnds[] = {"dric", "wen", "vin", "mar", "ric", "dan", "tha", "lis", "bert", "wyn",
                                        "ford", "mund", "gard", "ros"};
    int n = 0;
    for (const char* end : kEnds)
        for (const char* start : kStarts)
            if (n < PLAYER_NAME_TEXTS) (*t)[n++] = std::string(start) + end;
}

// The shops' names of the equipment catalogue's pieces, by the numbers its rows give.
void AddEquipmentNames(std::map<int, std::string>* t) {
    static const char* const kKinds[EQUIPMENT_KIND_COUNT] = {"helmet", "gloves", "boots", "bracelets",
                                                             "shoulder pads"};
    static const char* const kMakes[] = {"Leather", "Studded", "Bronze", "Iron", "Steel", "Silver", "Golden",
                                         "Crystal", "Obsidian", "Dragon", "Storm", "Shadow", "Sun", "Moon",
                                         "Star", "Ember", "Frost", "Royal"};
    static const char* const kMarks[] = {"", " II", " III"};
    for (int kind = 0; kind < EQUIPMENT_KIND_COUNT; ++kind)
        for (int n = 0; n < EQUIPMENT_ROWS_PER_KIND; ++n) {
            const EquipmentRow* row = GetEquipmentRow(kind, n);
            if (!row || !IsCatalogueItem(*row) || t->count(int(row->textId))) continue;
            (*t)[int(row->textId)] = std::string(kMakes[(n / 3) % 18]) + " " + kKinds[kind] + kMarks[n % 3];
        }
}

// Control c of a game controller is number 900 + c: the axes, the hats and the buttons, then the
// two halves of each axis and the eight directions of each hat.
void AddControlNames(std::map<int, std::string>* t) {
    static const char* const kAxes[22] = {"X1", "X2", "Y1", "Y2", "Z1", "Z2", "R1", "R2", "U1", "U2", "V1",
                                          "V2", "A1", "A2", "B1", "B2", "C1", "C2", "T1", "T2", "S1", "S2"};
    static const char* const kDirections[8] = {"up", "up right", "right", "down right", "down", "down left",
                                               "left", "up left"};
    for (int c = 0; c <= 21; ++c) (*t)[900 + c] = std::string("Axis ") + kAxes[c];
    for (int h = 0; h < 4; ++h) (*t)[922 + h] = "Hat " + std::to_string(h + 1);
    for (int b = 0; b < 40; ++b) (*t)[926 + b] = "Button " + std::to_string(b + 1);
    for (int c = 66; c <= 105; ++c) (*t)[900 + c] = std::string("Axis ") + kAxes[(c - 66) / 2] + ((c % 2) ? " +" : " -");
    for (int c = 106; c <= 137; ++c)
        (*t)[900 + c] = "Hat " + std::to_string((c - 106) / 8 + 1) + " " + kDirections[(c - 106) % 8];
}

// Keys by their virtual-key code k: numbers 1050 + k below 48, 1040 + k for 58 to 64 and
// 1014 + k from 91 on (digits and letters name themselves).
void AddKeyNames(std::map<int, std::string>* t) {
    std::map<int, std::string> keys = {
        {1, "Left button"}, {2, "Right button"}, {3, "Break"}, {4, "Middle button"}, {5, "Button 4"},
        {6, "Button 5"}, {8, "Backspace"}, {9, "Tab"}, {12, "Clear"}, {13, "Enter"}, {16, "Shift"}, {17, "Ctrl"},
        {18, "Alt"}, {19, "Pause"}, {20, "Caps Lock"}, {27, "Esc"}, {32, "Space"}, {33, "Page Up"},
        {34, "Page Down"}, {35, "End"}, {36, "Home"}, {37, "Left"}, {38, "Up"}, {39, "Right"}, {40, "Down"},
        {41, "Select"}, {42, "Print"}, {43, "Execute"}, {44, "Print Screen"}, {45, "Insert"}, {46, "Delete"},
        {47, "Help"}, {91, "Left Super"}, {92, "Right Super"}, {93, "Menu"}, {95, "Sleep"}, {106, "Keypad *"},
        {107, "Keypad +"}, {108, "Keypad ,"}, {109, "Keypad -"}, {110, "Keypad ."}, {111, "Keypad /"},
        {144, "Num Lock"}, {145, "Scroll Lock"}, {160, "Left Shift"}, {161, "Right Shift"}, {162, "Left Ctrl"},
        {163, "Right Ctrl"}, {164, "Left Alt"}, {165, "Right Alt"}, {173, "Mute"}, {174, "Volume down"},
        {175, "Volume up"}, {176, "Next track"}, {177, "Previous track"}, {178, "Stop"}, {179, "Play"},
        {186, ";"}, {187, "="}, {188, ","}, {189, "-"}, {190, "."}, {191, "/"}, {192, "`"}, {219, "["},
        {220, "\\"}, {221, "]"}, {222, "'"}, {226, "<"},
    };
    for (int k = 0; k <= 9; ++k) keys[96 + k] = "Keypad " + std::to_string(k);
    for (int f = 0; f < 24; ++f) keys[112 + f] = "F" + std::to_string(f + 1);
    for (int k = 0; k <= 254; ++k) {
        if ((k >= 48 && k <= 57) || (k >= 65 && k <= 90)) continue;
        const int number = k < 48 ? 1050 + k : k <= 64 ? 1040 + k : 1014 + k;
        auto it = keys.find(k);
        (*t)[number] = it != keys.end() ? it->second : "Key " + std::to_string(k);
    }
}

std::map<int, std::string> NamedTexts() {
    std::map<int, std::string> t;
    AddPlayerNames(&t);
    AddEquipmentNames(&t);
    AddControlNames(&t);
    AddKeyNames(&t);
    const std::map<int, std::string> words = {
        // Buttons, arrows and their tips.
        {484, "Back"}, {485, "Start"}, {486, "Previous"}, {487, "Next"}, {488, "Orlins"}, {489, "Voraks"},
        {490, "Your fighter"}, {491, "Arena and rules"}, {492, "Both teams"}, {493, "Previous game"},
        {494, "Next game"}, {495, "Previous scenario"}, {496, "Next scenario"}, {497, "More"}, {498, "Less"},
        {499, "New player"}, {500, "Play"}, {501, "Network"}, {502, "Options"}, {503, "Quit"},
        {504, "Continue"}, {508, "Back"}, {512, "Host a game on this computer"},
        {513, "Join a game on the network"}, {515, "Training"}, {516, "New team campaign"},
        {517, "Load team campaign"}, {518, "New campaign"}, {519, "Load campaign"},
        // The set-up's tabs and rows.
        {520, "Fighter"}, {521, "Level"}, {522, "Strength"}, {523, "Defence"}, {524, "Power"}, {525, "Speed"},
        {526, "Energy"}, {527, "Credits"}, {531, "Arena"}, {535, "Teams"}, {536, "Own level"}, {537, "Own team"},
        {538, "Own random level"}, {539, "Enemy level"}, {540, "Enemy team"}, {541, "Enemy random level"},
        {546, "Kills"}, {547, "Time"}, {548, "Credits"}, {549, "Posts"}, {550, "Symbols"}, {551, "Finds"},
        {552, "Freeze"},
        // Options.
        {555, "Video"}, {556, "Resolution"}, {557, "Colour depth"}, {558, "Texture detail"},
        {559, "Model detail"}, {560, "Shadows"}, {562, "View distance"}, {563, "Brightness"},
        {564, "Wait for the screen"}, {565, "Smooth textures"}, {566, "Faces"}, {567, "Shine"},
        {568, "Mirrors"}, {569, "Detail"}, {570, "Smoothing"}, {571, "Water"}, {572, "Advanced"},
        {574, "Back to the usual values"}, {580, "Sound"}, {581, "Sound effects"}, {583, "Music"},
        {674, "Screen settings"}, {675, "Detail settings"}, {676, "Keys and controller"},
        {677, "Sound settings"}, {688, "Low"}, {689, "High"}, {690, "Defaults"}, {693, "Medium"},
        {694, "Highest"}, {699, "Off"}, {715, "Scroll up"}, {716, "Scroll down"}, {899, "Controls"},
        {870, "Forward"}, {871, "Backward"}, {872, "Step left"}, {873, "Step right"}, {874, "Turn left"},
        {875, "Turn right"}, {876, "Look down"}, {877, "Look up"}, {878, "Attack"}, {879, "Cast"},
        {880, "Jump"}, {881, "Run"}, {882, "Charge"}, {883, "No power"}, {893, "Spare"},
        {894, "Camera closer"}, {895, "Camera farther"},
        // Players, teams and campaigns.
        {590, "Fill team"}, {591, "Team slot"}, {592, "Add to team"}, {593, "Name"}, {594, "Easy"},
        {595, "Normal"}, {596, "Hard"}, {597, "Play as Orlin"}, {598, "Play as Vorak"}, {599, "Continue"},
        {683, "Enemy"}, {685, "Yes"}, {686, "No"}, {687, "Keep the changes?"}, {691, "Load"}, {692, "Delete"},
        {695, "Player"}, {698, "Players"}, {700, "Are you sure?"}, {701, "Leave the game?"}, {702, "Saved"},
        {703, "Go ahead?"}, {704, "Empty"}, {705, "Point at a card to see its fighter"},
        {706, "Next match"}, {707, "Enemy level"},
        {708, "Level"}, {709, "Choose this mission"}, {710, "Shop"}, {711, "Armoury"}, {712, "Use points"},
        {713, "Show member"}, {714, "Shown member"}, {721, "Your name"}, {722, "Port"},
        {723, "Join the chosen game"}, {724, "Load"}, {725, "Delete"}, {726, "Your name"},
        {729, "Turn left"}, {730, "Turn right"}, {731, "Turn on"}, {732, "Turn off"}, {745, "Easy"},
        {746, "Normal"}, {747, "Hard"}, {752, "Fill team"}, {754, "Your team"}, {756, "Team"},
        {757, "Average level"}, {758, "New player"}, {759, "Players"}, {761, "Skin"}, {762, "Eyes"},
        {763, "Clothes"}, {764, "Hair"}, {765, "Hair colour"}, {766, "Glasses"}, {767, "Tattoos"},
        {768, "Tattoo"}, {769, "Forehead"}, {770, "Left cheek"}, {771, "Right cheek"}, {772, "Neck"},
        {773, "Left arm"}, {774, "Right arm"}, {775, "Chest"}, {776, "Back"}, {777, "Random player"},
        {778, "Delete player"}, {779, "Previous"}, {780, "Next"}, {781, "Keep changes"},
        {783, "Save the changes?"}, {784, "Delete this player?"}, {785, "Choose your fighter"}, {786, "Level"}, {787, "Put on"}, {788, "Take off"}, {790, "Shop"},
        {791, "Start"}, {792, "Record"}, {793, "Team"}, {794, "Next stage"}, {795, "Points"},
        {796, "Armoury"}, {797, "Buy"}, {798, "Sell"}, {799, "Owned"},
        // Results.
        {800, "You win"}, {801, "You lose"}, {802, "Time"}, {803, "Results"}, {804, "Orlins"},
        {805, "Voraks"}, {807, "Symbols"}, {808, "Posts"}, {809, "Credits"}, {810, "Finds"},
        {811, "Curse time"}, {812, "Victories"}, {813, "Kills"}, {814, "Deaths"}, {815, "Own goals"},
        {816, "Items"}, {817, "Letters"}, {818, "Nobody wins"}, {820, "Better luck next time"},
        {821, "Well fought"}, {822, "A draw"}, {830, "Level"}, {831, "Experience"},
        // The network pages.
        {840, "Host"}, {841, "Join"}, {842, "Match"}, {843, "Player"}, {844, "Host a game"}, {845, "Name"},
        {846, "Port"}, {847, "Host"}, {848, "Join a game"}, {849, "Games found"},
        // The credits' roles.
        {1280, "Made by"}, {1281, "Design"}, {1282, "Game design"}, {1283, "Level design"},
        {1284, "Lead programmer"}, {1285, "Programming"}, {1286, "Tools"}, {1287, "Network"}, {1288, "Art"},
        {1289, "Characters"}, {1290, "Scenarios"}, {1291, "Effects"}, {1292, "Interface"}, {1293, "Animation"},
        {1294, "Sound effects"}, {1295, "Music"}, {1296, "Voices"}, {1297, "Testing"}, {1298, "Production"},
        {1299, "Thanks to"}, {1300, "Support"}, {1301, "Producer"},
    };
    for (const auto& [number, text] : words) t[number] = text;
    for (int p = 0; p < 9; ++p) t[884 + p] = "Power " + std::to_string(p + 1);
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
    return t;
}

}  // namespace

std::string PlaceholderText(int number) { return "Text " + std::to_string(number); }

void AddTexts(DataSet* set) {
    const std::map<int, std::string> named = NamedTexts();
    std::string file = "// Demo texts, one entry per number.\r\n";
    for (int id = 0; id < TEXT_TABLE_SLOTS; ++id) {
        auto it = named.find(id);
        const std::string text = it != named.end() ? it->second : PlaceholderText(id);
        char head[16];
        std::snprintf(head, sizeof head, "TXT%04d\"", id);
        file += head + text + "\";\r\n";
    }
    set->Pack(TEXTURE_PACK, "textos.txt", std::vector<uint8_t>(file.begin(), file.end()));
}

}  // namespace demodata
