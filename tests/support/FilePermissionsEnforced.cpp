#include "support/FilePermissionsEnforced.h"

#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

constexpr unsigned kOverrides[] = {CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH, CAP_FOWNER};

bool changeEffective(bool raise)
{
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[2]{};
    if (::syscall(SYS_capget, &header, data) != 0)
        return false;
    for (unsigned cap : kOverrides) {
        const unsigned bit = 1u << (cap % 32);
        if (raise)
            data[cap / 32].effective |= bit & data[cap / 32].permitted;
        else
            data[cap / 32].effective &= ~bit;
    }
    return ::syscall(SYS_capset, &header, data) == 0;
}

} // namespace

FilePermissionsEnforced::FilePermissionsEnforced()
{
    if (::geteuid() != 0) {
        m_active = true;
        return;
    }
    m_dropped = changeEffective(false);
    m_active = m_dropped;
}

FilePermissionsEnforced::~FilePermissionsEnforced()
{
    if (m_dropped)
        changeEffective(true);
}
