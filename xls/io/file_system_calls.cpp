#include "io/file_system_calls.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

namespace xls::io {

namespace {

class SystemCalls final : public FileSystemCalls {
  public:
    int open(const char* path, int flags, mode_t mode) override {
        return ::open(path, flags, mode);
    }
    ssize_t write(int fd, const void* data, std::size_t size) override {
        return ::write(fd, data, size);
    }
    int fsync(int fd) override { return ::fsync(fd); }
    int close(int fd) override { return ::close(fd); }
    int rename(const char* from, const char* to) override { return std::rename(from, to); }
    int unlink(const char* path) override { return ::unlink(path); }
    int access(const char* path, int mode) override { return ::access(path, mode); }
    int fchmod(int fd, mode_t mode) override { return ::fchmod(fd, mode); }
    int fchown(int fd, uid_t owner, gid_t group) override { return ::fchown(fd, owner, group); }
    int stat(const char* path, struct stat* info) override { return ::stat(path, info); }
    int fstat(int fd, struct stat* info) override { return ::fstat(fd, info); }
    int mkostemp(char* pattern, int flags) override { return ::mkostemp(pattern, flags); }
};

}  // namespace

FileSystemCalls& systemCalls() {
    static SystemCalls calls;
    return calls;
}

}  // namespace xls::io
