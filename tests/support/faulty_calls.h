// The real file-system calls, with one step made to fail (or writes made
// short, or damaged), for the tests that show a save surviving every failure.
#pragma once

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <string>
#include <vector>

#include "io/file_system_calls.h"

namespace tarnvale::testing {

using xls::io::systemCalls;

// The real calls, with one step made to fail (or writes made short).
class FaultyCalls final : public xls::io::FileSystemCalls {
  public:
    // "mkostemp", "write", "fsync", "close", "rename", "access", "fchmod", or
    // "verify": the first write succeeds but puts zeros on disk, so the file
    // written does not read back as what was meant.
    std::string failing;
    int error = EIO;
    int failAfter = 0;         // calls of that step that succeed first
    std::size_t maxWrite = 0;  // when set, writes take at most this many bytes
    bool writeReturnsZero = false;
    int opens = 0;
    int openDescriptors = 0;  // opened and not yet closed

    int open(const char* path, int flags, mode_t mode) override {
        ++opens;
        return opened(fails("open") ? -1 : systemCalls().open(path, flags, mode));
    }
    ssize_t write(int fd, const void* data, std::size_t size) override {
        if (fails("write")) return writeReturnsZero ? 0 : -1;
        if (fails("verify")) {
            failing.clear();
            const std::vector<char> zeros(size, 0);
            return systemCalls().write(fd, zeros.data(), size);
        }
        return systemCalls().write(fd, data, maxWrite ? std::min(size, maxWrite) : size);
    }
    int fsync(int fd) override { return fails("fsync") ? -1 : systemCalls().fsync(fd); }
    int close(int fd) override {
        --openDescriptors;
        const int result = systemCalls().close(fd);  // the descriptor is gone either way
        return fails("close") ? -1 : result;
    }
    int rename(const char* from, const char* to) override {
        return fails("rename") ? -1 : systemCalls().rename(from, to);
    }
    int unlink(const char* path) override { return systemCalls().unlink(path); }
    int access(const char* path, int mode) override {
        return fails("access") ? -1 : systemCalls().access(path, mode);
    }
    int fchmod(int fd, mode_t mode) override {
        return fails("fchmod") ? -1 : systemCalls().fchmod(fd, mode);
    }
    int fchown(int fd, uid_t owner, gid_t group) override {
        return systemCalls().fchown(fd, owner, group);
    }
    int stat(const char* path, struct stat* info) override {
        return systemCalls().stat(path, info);
    }
    int fstat(int fd, struct stat* info) override {
        return fails("fstat") ? -1 : systemCalls().fstat(fd, info);
    }
    int mkostemp(char* pattern, int flags) override {
        ++opens;
        return opened(fails("mkostemp") ? -1 : systemCalls().mkostemp(pattern, flags));
    }

  private:
    int opened(int fd) {
        if (fd >= 0) ++openDescriptors;
        return fd;
    }
    bool fails(const char* step) {
        if (failing != step) return false;
        if (failAfter-- > 0) return false;
        errno = error;
        return true;
    }
};

}  // namespace tarnvale::testing
