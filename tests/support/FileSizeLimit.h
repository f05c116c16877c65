#pragma once

#include <sys/resource.h>

/// While it lives, this process may write files of at most the given bytes: a write beyond
/// fails with EFBIG (SIGXFSZ ignored), as it does on a full disk, even for root.
class FileSizeLimit final
{
public:
    explicit FileSizeLimit(rlim_t bytes);
    ~FileSizeLimit();
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

    bool active() const { return m_active; }

private:
    rlimit m_saved{};
    void (*m_handler)(int) = nullptr;
    bool m_active = false;
};
