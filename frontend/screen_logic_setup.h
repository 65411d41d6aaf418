// What the training set-up, network set-up and options screens do when they are left: the
// screens' frames call these on their buttons.
#pragma once

#include <cstdint>

struct ConfirmBox;

// The transition every screen ends with: page 24 toward `target`, the fade-out and the sound.
void LeaveScreenTo(int screen, int target, int fx);

// The training start: the live block set up for the match (team from the chosen player on, the
// enemy table of the scenario), "Training.cfg" written, page 25. False, doing nothing, without a
// chosen player.
bool StartTrainingMatch();
// Back from the training set-up to page 1 with "Training.cfg" written.
void LeaveTrainingSetup();
// Back from the network set-up to page 0: the session stopped, "Multiplayer.cfg" written.
void LeaveNetworkSetup();

// The options screen's way out: Back or Escape asks, and only after a change.
struct OptionsExit {
    uint8_t asking = 0;
    // One frame: `back` is the Back arrow's click or Escape. True when the screen was left.
    bool Update(ConfirmBox* box, bool back, bool enter, bool escape);
};
