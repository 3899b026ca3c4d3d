#pragma once

#include <csignal>
#include <sys/resource.h>

// While it lives, no file this process writes may grow beyond the given size: writes past it fail
// (EFBIG) as on a full disk, also for root, which a read-only folder would not stop.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        struct sigaction ignore = {};
        ignore.sa_handler = SIG_IGN;
        ::sigaction(SIGXFSZ, &ignore, &m_previousAction);
        ::getrlimit(RLIMIT_FSIZE, &m_previousLimit);
        rlimit limit = m_previousLimit;
        limit.rlim_cur = bytes;
        m_active = ::setrlimit(RLIMIT_FSIZE, &limit) == 0;
    }
    ~FileSizeLimit()
    {
        ::setrlimit(RLIMIT_FSIZE, &m_previousLimit);
        ::sigaction(SIGXFSZ, &m_previousAction, nullptr);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

    bool isActive() const { return m_active; }

private:
    struct sigaction m_previousAction = {};
    rlimit m_previousLimit = {};
    bool m_active = false;
};
