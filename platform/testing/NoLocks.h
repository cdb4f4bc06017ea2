// A fixture for a file system without locks (as NFS without its lock service): while it lives,
// every lock the programs ask of the system fails with ENOLCK ("No locks available").
#pragma once

#include "platform/files/Detail.h"

#include <cerrno>

namespace platform::testing {

class NoLocks {
public:
    NoLocks() : previous_(detail::SetLockCall(&Refuse)) {}
    ~NoLocks() { detail::SetLockCall(previous_); }
    NoLocks(const NoLocks&) = delete;
    NoLocks& operator=(const NoLocks&) = delete;

private:
    static int Refuse(int, int, struct flock*) {
        errno = ENOLCK;
        return -1;
    }
    detail::LockCall previous_;
};

} // namespace platform::testing
