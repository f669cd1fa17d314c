#include "io/byte_source.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "xls/error.h"

namespace xls::io {

namespace {

[[noreturn]] void failBeyondEnd(std::uint64_t offset, std::size_t count, std::uint64_t size) {
    fail(ErrorCode::TruncatedContainer, std::to_string(count) + " bytes wanted at offset " +
                                            std::to_string(offset) + " of a " +
                                            std::to_string(size) + "-byte file");
}

void checkRange(std::uint64_t offset, std::size_t count, std::uint64_t size) {
    if (offset > size || count > size - offset) failBeyondEnd(offset, count, size);
}

}  // namespace

FileSource::FileSource(const std::filesystem::path& path) {
    const std::string name = path.string();
    fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd_ < 0) {
        const int err = errno;
        const bool missing = err == ENOENT || err == ENOTDIR;
        throw Error(missing ? ErrorCode::FileNotFound : ErrorCode::FileUnreadable, name,
                    std::strerror(err));
    }
    struct stat info {};
    if (::fstat(fd_, &info) != 0 || !S_ISREG(info.st_mode)) {
        const bool folder = S_ISDIR(info.st_mode);
        ::close(fd_);
        fd_ = -1;
        throw Error(ErrorCode::FileUnreadable, name,
                    folder ? "it is a folder" : "not a regular file");
    }
    size_ = static_cast<std::uint64_t>(info.st_size);
    identity_ = FileIdentity::of(info);
}

FileSource::~FileSource() {
    if (fd_ >= 0) ::close(fd_);
}

void FileSource::readAt(std::uint64_t offset, std::span<std::uint8_t> out) const {
    checkRange(offset, out.size(), size_);
    std::size_t done = 0;
    while (done < out.size()) {
        const ssize_t got =
            ::pread(fd_, out.data() + done, out.size() - done, static_cast<off_t>(offset + done));
        if (got < 0) {
            if (errno == EINTR) continue;
            fail(ErrorCode::FileUnreadable, std::string("reading: ") + std::strerror(errno));
        }
        // The file shrank since it was opened.
        if (got == 0) failBeyondEnd(offset, out.size(), offset + done);
        done += static_cast<std::size_t>(got);
    }
    bytesRead_ += out.size();
}

void MemorySource::readAt(std::uint64_t offset, std::span<std::uint8_t> out) const {
    checkRange(offset, out.size(), bytes_.size());
    if (!out.empty()) std::memcpy(out.data(), bytes_.data() + offset, out.size());
}

}  // namespace xls::io
