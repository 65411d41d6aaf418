#include "support/permission_override.h"

#include <sys/syscall.h>
#include <unistd.h>

WithoutPermissionOverride::WithoutPermissionOverride() {
    header_.version = _LINUX_CAPABILITY_VERSION_3;
    header_.pid = 0;
    if (syscall(SYS_capget, &header_, saved_) != 0) return;
    __user_cap_data_struct lowered[2] = {saved_[0], saved_[1]};
    lowered[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH) | (1u << CAP_FOWNER));
    active_ = syscall(SYS_capset, &header_, lowered) == 0;
}

WithoutPermissionOverride::~WithoutPermissionOverride() {
    if (active_) syscall(SYS_capset, &header_, saved_);
}
