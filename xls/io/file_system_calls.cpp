#include "io/file_system_calls.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

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
};

}  // namespace

FileSystemCalls& systemCalls() {
    static SystemCalls calls;
    return calls;
}

}  // namespace xls::io
