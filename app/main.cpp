#include "shell/main_loop.h"

int main() {
    // The command line is not read.
    return WinMain(nullptr, nullptr, "", 1);
}
