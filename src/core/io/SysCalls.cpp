#include "core/io/SysCalls.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>

namespace zep::sys {

int Calls::open(const char *path, int flags, mode_t mode) {
    return ::open(path, flags, mode);
}
ssize_t Calls::write(int fd, const void *data, size_t size) {
    return ::write(fd, data, size);
}
ssize_t Calls::pread(int fd, void *data, size_t size, off_t offset) {
    return ::pread(fd, data, size, offset);
}
int Calls::fsync(int fd) {
    return ::fsync(fd);
}
int Calls::fdatasync(int fd) {
    return ::fdatasync(fd);
}
int Calls::ftruncate(int fd, off_t length) {
    return ::ftruncate(fd, length);
}
int Calls::close(int fd) {
    return ::close(fd);
}
int Calls::rename(const char *from, const char *to) {
    return std::rename(from, to);
}
int Calls::unlink(const char *path) {
    return ::unlink(path);
}

namespace {
Calls realCalls;
std::atomic<Calls *> current{&realCalls};
} // namespace

Calls &calls() {
    return *current.load(std::memory_order_acquire);
}

ScopedCalls::ScopedCalls(Calls &replacement)
    : previous_(current.exchange(&replacement, std::memory_order_acq_rel)) {}
ScopedCalls::~ScopedCalls() {
    current.store(previous_, std::memory_order_release);
}

} // namespace zep::sys
