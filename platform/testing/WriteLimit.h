// A fixture for failed writes: while it lives, no file of this process grows past a size. A
// write beyond it fails ("File too large") instead of stopping the process, as a full disk makes
// a save fail half-way.
#pragma once

#include <csignal>
#include <cstdint>
#include <sys/resource.h>

namespace platform::testing {

class WriteLimit {
public:
    explicit WriteLimit(std::uint64_t bytes) {
        getrlimit(RLIMIT_FSIZE, &before_);
        ignored_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = before_;
        limit.rlim_cur = static_cast<rlim_t>(bytes);
        if (limit.rlim_max != RLIM_INFINITY && limit.rlim_cur > limit.rlim_max)
            limit.rlim_cur = limit.rlim_max;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~WriteLimit() {
        setrlimit(RLIMIT_FSIZE, &before_);
        std::signal(SIGXFSZ, ignored_);
    }
    WriteLimit(const WriteLimit&) = delete;
    WriteLimit& operator=(const WriteLimit&) = delete;

private:
    rlimit before_{};
    void (*ignored_)(int) = SIG_DFL;
};

} // namespace platform::testing
