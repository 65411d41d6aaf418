// The options panel and the match set-up panel that screens 0, 2, 6 and 8 hold. The panels'
// own code replaces this header; until then both build, run and draw nothing.
#pragma once

struct OptionsPanel {
    void Build(int) {}
    void Update() {}
    void Draw() {}
    void ReleaseTab() {}
    void Release() {}
};

struct MatchSetupPanel {
    void Build(int) {}
    void Update() {}
    void Draw() {}
    void ReleaseTab() {}
    void Release() {}
};
