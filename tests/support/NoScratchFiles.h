#pragma once

#include "core/io/SysCalls.h"

#include <atomic>
#include <cerrno>
#include <fcntl.h>

namespace zep {

/// The real system calls, except that no scratch file can be made, as in a folder that takes no
/// new file: every rewrite through the crash-safe path fails ("accès refusé"), an append to an
/// existing file still works. Installed with sys::ScopedCalls.
class NoScratchFiles : public sys::Calls {
public:
    std::atomic<int> refused{0};
    int open(const char *path, int flags, mode_t mode) override {
        if ((flags & O_CREAT) && (flags & O_EXCL)) {
            ++refused;
            errno = EACCES;
            return -1;
        }
        return sys::Calls::open(path, flags, mode);
    }
};

} // namespace zep
