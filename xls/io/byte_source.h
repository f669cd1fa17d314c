// Random-access bytes: a file read on demand, or a buffer in memory. The
// container reader and the record reader read through this, so listing touches
// only the sectors it needs.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>
#include <vector>

#include "io/file_identity.h"

namespace xls::io {

class ByteSource {
  public:
    virtual ~ByteSource() = default;
    virtual std::uint64_t size() const = 0;
    // Fills out with the bytes at offset. Raises Error(TruncatedContainer) when
    // [offset, offset + out.size()) is not inside the source.
    virtual void readAt(std::uint64_t offset, std::span<std::uint8_t> out) const = 0;
    // All the bytes at once when they are in memory (no copy needed); empty otherwise.
    virtual std::span<const std::uint8_t> view() const { return {}; }
};

// Opens a file for reading (FileNotFound, FileUnreadable). Bytes are read with pread
// as they are asked for; bytesRead() counts them, for the listing benchmark.
class FileSource final : public ByteSource {
  public:
    explicit FileSource(const std::filesystem::path& path);
    ~FileSource() override;
    FileSource(const FileSource&) = delete;
    FileSource& operator=(const FileSource&) = delete;

    std::uint64_t size() const override { return size_; }
    void readAt(std::uint64_t offset, std::span<std::uint8_t> out) const override;
    std::uint64_t bytesRead() const { return bytesRead_; }
    // The file as it was opened, for the check a save makes before replacing it.
    const FileIdentity& identity() const { return identity_; }

  private:
    int fd_ = -1;
    FileIdentity identity_;
    std::uint64_t size_ = 0;
    mutable std::uint64_t bytesRead_ = 0;
};

class MemorySource final : public ByteSource {
  public:
    explicit MemorySource(std::vector<std::uint8_t> bytes) : bytes_(std::move(bytes)) {}
    std::uint64_t size() const override { return bytes_.size(); }
    void readAt(std::uint64_t offset, std::span<std::uint8_t> out) const override;
    const std::vector<std::uint8_t>& bytes() const { return bytes_; }
    std::span<const std::uint8_t> view() const override { return bytes_; }

  private:
    std::vector<std::uint8_t> bytes_;
};

}  // namespace xls::io
