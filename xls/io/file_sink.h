// Bytes written to an open file descriptor through FileSystemCalls, gathered
// into large writes: a save produces many small pieces (records, sector
// padding) and a few very large ones (streams copied whole).
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <vector>

#include "io/byte_rope.h"
#include "io/file_system_calls.h"

namespace xls::io {

class FileSink final : public ByteSink {
  public:
    static constexpr std::size_t kBufferSize = std::size_t{1} << 20;

    // target names the file in errors (the temporary file is an implementation detail).
    FileSink(int fd, std::filesystem::path target, FileSystemCalls& calls);

    // Raises Error(WriteFailed) with the OS reason; a short write is continued,
    // EINTR retried, and a write that takes nothing reported as a full disk.
    void write(std::span<const std::uint8_t> bytes) override;
    // Writes out what is buffered.
    void flush();

  private:
    void writeThrough(std::span<const std::uint8_t> bytes);

    int fd_;
    std::filesystem::path target_;
    FileSystemCalls& calls_;
    std::vector<std::uint8_t> buffer_;
};

}  // namespace xls::io
