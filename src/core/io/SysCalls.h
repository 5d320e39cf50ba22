#pragma once

#include <sys/types.h>

namespace zep::sys {

/// The few POSIX calls through which every change to a data file goes. Tests replace them to
/// make the Nth call fail and check that no file is ever lost or cut.
class Calls {
public:
    virtual ~Calls() = default;
    virtual int open(const char *path, int flags, mode_t mode);
    virtual ssize_t write(int fd, const void *data, size_t size);
    virtual ssize_t pread(int fd, void *data, size_t size, off_t offset);
    virtual int fsync(int fd);
    virtual int fdatasync(int fd);
    virtual int ftruncate(int fd, off_t length);
    virtual int close(int fd);
    virtual int rename(const char *from, const char *to);
    virtual int unlink(const char *path);
};

/// The calls in force (the real ones unless a test installed others). Read once per file
/// operation: an operation started before a swap ends with the calls it began with.
Calls &calls();

/// Installs replacement calls for the life of the guard (tests only). The swap is atomic, so
/// worker threads that are writing meanwhile see either the former calls or the new ones,
/// never a torn pointer; the replacement must outlive every operation that may have taken it.
/// Guards nest: each one puts back the calls that were in force when it was made.
class ScopedCalls {
public:
    explicit ScopedCalls(Calls &replacement);
    ~ScopedCalls();
    ScopedCalls(const ScopedCalls &) = delete;
    ScopedCalls &operator=(const ScopedCalls &) = delete;

private:
    Calls *previous_;
};

} // namespace zep::sys
