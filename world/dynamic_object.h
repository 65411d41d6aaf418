// The physics props. Only what the scenario and the path map call so far.
#pragma once

class DynamicObject {
public:
    // Takes the prop out of the world and frees its record.
    void Despawn();
};

// The four prop templates of the loaded scenario, and their release with every prop.
void LoadDynamicObjectModels();
void FreeDynamicObjects();
