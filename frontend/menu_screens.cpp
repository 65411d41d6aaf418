#include "frontend/menu_screens.h"

void MenuScreens::SetScreen(int n) {
    previousScreen = screen;
    screen = n;
    if (previousScreen >= 0) ReleaseScreen(previousScreen);
    // The screens' builders fill this: the widgets, labels and pictures of screen n.
    built = 1;
}

void MenuScreens::ReleaseScreen(int) {
    // The screens' builders fill this with the slots they use; the boxes are theirs to reset.
    boxOpen = 0;
}

// The screens' logic fills this.
void MenuScreens::Update() {}

void MenuScreens::Draw() {
    // The screens' drawing fills this; the boxes draw over whatever the screen drew.
    notice.Draw();
    confirm.Draw();
}

void MenuScreens::OpenQuitBox() {
    boxOpen = 1;
    confirm.open = 1;
}
