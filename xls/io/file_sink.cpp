#include "io/file_sink.h"

#include <cerrno>
#include <cstring>
#include <string>

#include "xls/error.h"

namespace xls::io {

FileSink::FileSink(int fd, std::filesystem::path target, FileSystemCalls& calls)
    : fd_(fd), target_(std::move(target)), calls_(calls) {
    buffer_.reserve(kBufferSize);
}

void FileSink::write(std::span<const std::uint8_t> bytes) {
    if (bytes.size() < kBufferSize - buffer_.size()) {
        buffer_.insert(buffer_.end(), bytes.begin(), bytes.end());
        return;
    }
    // The buffer is full with these bytes: empty it, then pass a piece as large
    // as the buffer straight on rather than copy it.
    flush();
    if (bytes.size() >= kBufferSize) {
        writeThrough(bytes);
    } else {
        buffer_.assign(bytes.begin(), bytes.end());
    }
}

void FileSink::flush() {
    if (buffer_.empty()) return;
    writeThrough(buffer_);
    buffer_.clear();
}

void FileSink::writeThrough(std::span<const std::uint8_t> bytes) {
    while (!bytes.empty()) {
        const ssize_t written = calls_.write(fd_, bytes.data(), bytes.size());
        if (written < 0) {
            const int err = errno;
            if (err == EINTR) continue;
            throw Error(ErrorCode::WriteFailed, target_.string(),
                        std::string("writing: ") + std::strerror(err));
        }
        // Nothing written and no error: the disk takes no more.
        if (written == 0) {
            throw Error(ErrorCode::WriteFailed, target_.string(),
                        std::string("writing: ") + std::strerror(ENOSPC));
        }
        bytes = bytes.subspan(static_cast<std::size_t>(written));
    }
}

}  // namespace xls::io
