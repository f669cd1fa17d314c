// The operating-system calls that saving a file makes, behind an interface so
// tests can make each one fail in turn (disk full, a failed flush, a refused
// rename) or see another program's change land at a chosen step, and check that
// the user's file survives every failure.
#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <cstddef>

namespace xls::io {

class FileSystemCalls {
  public:
    virtual ~FileSystemCalls() = default;
    // Each returns what the POSIX call of the same name returns and sets errno.
    virtual int open(const char* path, int flags, mode_t mode) = 0;
    virtual ssize_t write(int fd, const void* data, std::size_t size) = 0;
    virtual int fsync(int fd) = 0;
    virtual int close(int fd) = 0;
    virtual int rename(const char* from, const char* to) = 0;
    virtual int unlink(const char* path) = 0;
    virtual int access(const char* path, int mode) = 0;
    virtual int fchmod(int fd, mode_t mode) = 0;
    virtual int fchown(int fd, uid_t owner, gid_t group) = 0;
    virtual int stat(const char* path, struct stat* info) = 0;
    virtual int fstat(int fd, struct stat* info) = 0;
    // Creates a file named after pattern (its last six characters "XXXXXX" are
    // replaced) with O_EXCL and the extra flags; returns its descriptor.
    virtual int mkostemp(char* pattern, int flags) = 0;
};

// The real calls.
FileSystemCalls& systemCalls();

}  // namespace xls::io
