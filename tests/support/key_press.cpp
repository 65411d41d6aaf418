#include "support/key_press.h"

#include <mutex>

#include "platform/os/os_internal.h"

namespace testsupport {

void PressAndReleaseKey(int vk) {
    std::lock_guard<std::mutex> hold(os::detail::g.lock);
    os::detail::SetKeyLocked(vk, true);
    os::detail::SetKeyLocked(vk, false);
}

}  // namespace testsupport
