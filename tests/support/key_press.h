// A key pressed and let go again in the OS layer's key state, as the window's events would leave
// it: GetAsyncKeyState then reports one press.
#pragma once

namespace testsupport {

void PressAndReleaseKey(int vk);

}  // namespace testsupport
