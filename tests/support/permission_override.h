// Root writes into read-only folders regardless; for as long as this lives the thread's own file
// permission overrides are off, so a folder's mode counts as it would for a player.
#pragma once

#include <linux/capability.h>

class WithoutPermissionOverride {
public:
    WithoutPermissionOverride();
    ~WithoutPermissionOverride();
    WithoutPermissionOverride(const WithoutPermissionOverride&) = delete;
    WithoutPermissionOverride& operator=(const WithoutPermissionOverride&) = delete;
    // False when the overrides could not be given up (a root that may not drop them).
    bool active() const { return active_; }

private:
    __user_cap_header_struct header_{};
    __user_cap_data_struct saved_[2]{};
    bool active_ = false;
};
