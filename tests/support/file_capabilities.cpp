#include "tests/support/file_capabilities.h"

#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

const int FileCapabilities[] = {CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH, CAP_FOWNER};

// Sets or clears the file capabilities in the effective set, and in the permitted set too when asked.
bool SetFileCapabilities(bool raised, bool permitted)
{
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[2]{};
    if (syscall(SYS_capget, &header, data) != 0)
        return false;
    for (int cap : FileCapabilities) {
        const unsigned bit = 1u << (cap % 32);
        if (raised) {
            data[cap / 32].effective |= data[cap / 32].permitted & bit;
        } else {
            data[cap / 32].effective &= ~bit;
            if (permitted)
                data[cap / 32].permitted &= ~bit;
        }
    }
    return syscall(SYS_capset, &header, data) == 0;
}

} // namespace

bool DropFileCapabilities()
{
    return SetFileCapabilities(false, true);
}

FileCapabilitiesSuspended::FileCapabilitiesSuspended() : valid_(SetFileCapabilities(false, false)) {}

FileCapabilitiesSuspended::~FileCapabilitiesSuspended()
{
    if (valid_)
        SetFileCapabilities(true, false);
}
