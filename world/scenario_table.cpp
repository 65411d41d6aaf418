#include "world/scenario.h"

// number, world, fog, fog near, fog far, ambient, fog colour, rain, sound 2, glow motes, bubbles, alpha
const ScenarioRow ScenarioTable[SCENARIO_COUNT] = {
    {0, 0, 0, 0.0f, 500.0f, 0xff646464, 0xff969696, 0, 1, 1, 0, 64},
    {1, 0, 0, 0.0f, 180.0f, 0xff646464, 0xff000000, 0, 0, 0, 0, 64},
    {2, 0, 0, 0.0f, 1000.0f, 0xff646464, 0xff000000, 0, 1, 0, 0, 64},
    {3, 0, 1, 1.0f, 150.0f, 0xff646464, 0xff000000, 0, 0, 0, 0, 64},
    {4, 0, 1, 1.0f, 300.0f, 0xffc89664, 0xff000000, 0, 1, 1, 0, 64},
    {5, 1, 0, 1.0f, 500.0f, 0xff646464, 0xff969696, 1, 1, 0, 0, 96},
    {6, 1, 1, 5.0f, 550.0f, 0xff646464, 0xff969696, 0, 1, 0, 0, 32},
    {7, 1, 1, 30.0f, 150.0f, 0xff646464, 0xff000000, 0, 0, 0, 0, 96},
    {8, 1, 0, 0.0f, 0.0f, 0xffc89664, 0xff000000, 0, 0, 1, 0, 64},
    {9, 1, 1, 0.0f, 1000.0f, 0xffc89664, 0xff000000, 0, 1, 1, 0, 64},
    {10, 2, 1, 80.0f, 160.0f, 0xff646464, 0xff000000, 0, 1, 1, 0, 32},
    {11, 2, 1, 40.0f, 250.0f, 0xff987c61, 0xff969696, 0, 0, 1, 0, 64},
    {12, 2, 1, 50.0f, 160.0f, 0xff646464, 0xff000000, 0, 1, 0, 0, 32},
    {13, 2, 1, 0.0f, 200.0f, 0xff646464, 0xff969696, 1, 1, 0, 0, 96},
    {14, 2, 1, 0.0f, 280.0f, 0xff646464, 0xff969696, 0, 0, 1, 0, 96},
    {15, 3, 0, 1.0f, 150.0f, 0xff646450, 0xff000000, 0, 0, 0, 1, 96},
    {16, 3, 0, 1.0f, 150.0f, 0xff967d50, 0xffdadf95, 0, 0, 0, 0, 96},
    {17, 3, 1, 1.0f, 500.0f, 0xff967d50, 0xffc89696, 0, 0, 0, 0, 64},
    {18, 3, 1, 0.0f, 1000.0f, 0xff967d50, 0xff000000, 0, 0, 1, 1, 64},
    {19, 3, 0, 0.0f, 0.0f, 0xff967d50, 0xff000000, 0, 1, 0, 0, 64},
};

// The viewer's 98 and anything a peer sends: nothing to load beyond the scene files.
const ScenarioRow NeutralScenarioRow = {0, 0, 0, 0.0f, 0.0f, 0xff646464, 0xff000000, 0, 0, 0, 0, 64};

const ScenarioRow* ScenarioRowOf(int number) {
    if (number < 0 || number >= SCENARIO_COUNT) return &NeutralScenarioRow;
    return &ScenarioTable[number];
}
