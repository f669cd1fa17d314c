// Saving over a user's file without ever endangering it: the new bytes go to a
// temporary file in the same folder, are flushed to disk, read back and checked
// by the caller, take the original's permissions, and only then replace the
// original in one rename. A symbolic link is followed to the file it names,
// and stays a link. Any failure removes the temporary file and leaves the
// original byte for byte as it was.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <span>

#include "io/byte_rope.h"
#include "io/file_identity.h"
#include "io/file_system_calls.h"

namespace xls::io {

// Writes the new file's bytes, front to back.
using WriteFileContent = std::function<void(ByteSink& out)>;
// Reads the written file back and raises (any exception) if it is not right.
using VerifyWrittenFile = std::function<void(const std::filesystem::path& written)>;

// A new file written and checked beside its target, not yet in place. Two
// files can be prepared and then committed one after the other, so a failure
// in preparing either leaves both originals untouched.
class PendingFile {
  public:
    // Writes what writeContent produces (gathered into writes of about 1 MB, so
    // the file is never held whole), flushes and verifies. Raises Error:
    // FileNotWritable when the file or its folder is read-only (checked before
    // anything is written), WriteFailed for any later failure (the OS reason in
    // the context). Whatever writeContent raises comes out unchanged, an Error
    // naming the target when it named no file; the temporary file is gone.
    static PendingFile prepare(const std::filesystem::path& target,
                               const WriteFileContent& writeContent,
                               const VerifyWrittenFile& verify = {},
                               FileSystemCalls& calls = systemCalls());
    // The same for bytes already in memory.
    static PendingFile prepare(const std::filesystem::path& target,
                               std::span<const std::uint8_t> bytes,
                               const VerifyWrittenFile& verify = {},
                               FileSystemCalls& calls = systemCalls());

    PendingFile(PendingFile&& other) noexcept;
    PendingFile& operator=(PendingFile&&) = delete;
    PendingFile(const PendingFile&) = delete;
    ~PendingFile();

    // Raises Error(FileChangedSinceOpened) naming the target unless the target
    // is still the file that was read (same identity, size and modification
    // time). Called just before commit(); the new file stays until discarded.
    void checkOriginal(const FileIdentity& expected) const;
    // Renames the new file over the target (WriteFailed if that fails; the
    // target is then unchanged), then flushes the folder.
    void commit();
    // Removes the new file; the target stays as it was.
    void discard() noexcept;

    // The file finally written: the target, or what its symbolic link names.
    const std::filesystem::path& target() const { return target_; }
    const std::filesystem::path& temporary() const { return temporary_; }
    // The new file as written: what the target is once committed.
    const FileIdentity& written() const { return written_; }

  private:
    PendingFile(std::filesystem::path target, std::filesystem::path temporary,
                FileSystemCalls& calls)
        : target_(std::move(target)), temporary_(std::move(temporary)), calls_(&calls) {}

    std::filesystem::path target_;
    std::filesystem::path temporary_;  // empty once committed or discarded
    FileSystemCalls* calls_;
    FileIdentity written_;
};

// prepare() then commit().
void saveFileAtomically(const std::filesystem::path& target, const WriteFileContent& writeContent,
                        const VerifyWrittenFile& verify = {},
                        FileSystemCalls& calls = systemCalls());
void saveFileAtomically(const std::filesystem::path& target, std::span<const std::uint8_t> bytes,
                        const VerifyWrittenFile& verify = {},
                        FileSystemCalls& calls = systemCalls());

// Follows a chain of symbolic links to the path it ends at (which may not exist yet).
std::filesystem::path resolveSymbolicLinks(const std::filesystem::path& path);

}  // namespace xls::io
