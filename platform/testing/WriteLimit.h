// A fixture for failed writes: while it lives, no file of this process grows past a size. A
// write beyond it fails ("File too large"), as a full disk makes a save fail half-way: the test
// program ignores the signal of that limit as the programs do (IgnoreFileSizeSignal).
#pragma once

#include <cstdint>
#include <sys/resource.h>

namespace platform::testing {

class WriteLimit {
public:
    explicit WriteLimit(std::uint64_t bytes) {
        getrlimit(RLIMIT_FSIZE, &before_);
        rlimit limit = before_;
        limit.rlim_cur = static_cast<rlim_t>(bytes);
        if (limit.rlim_max != RLIM_INFINITY && limit.rlim_cur > limit.rlim_max)
            limit.rlim_cur = limit.rlim_max;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~WriteLimit() { setrlimit(RLIMIT_FSIZE, &before_); }
    WriteLimit(const WriteLimit&) = delete;
    WriteLimit& operator=(const WriteLimit&) = delete;

private:
    rlimit before_{};
};

} // namespace platform::testing
