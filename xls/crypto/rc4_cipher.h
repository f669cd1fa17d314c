// The RC4 ciphers of encrypted workbook streams: Office binary RC4 with MD5
// ([MS-OFFCRYPTO] 2.3.6) and RC4 CryptoAPI with SHA-1 (2.3.5). The key stream
// starts again with a new key every 1024 bytes of stream position, so any byte
// can be decrypted from its position alone.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "crypto/file_pass.h"

namespace xls::crypto {

class Rc4Cipher {
  public:
    static constexpr std::size_t kBlockSize = 1024;

    // Derives the key from the password and checks it against FilePass's verifier.
    // nullptr when the password is wrong. pass.kind must be Rc4 or CryptoApi.
    static std::unique_ptr<Rc4Cipher> open(const FilePass& pass, std::u16string_view password);

    // XORs bytes with the key stream at stream position offset: encrypts and decrypts.
    // Keeps the last block's key stream, so walking a stream forward derives each key once.
    void apply(std::uint64_t offset, std::span<std::uint8_t> bytes) const;

  private:
    Rc4Cipher(EncryptionKind kind, std::vector<std::uint8_t> passwordHash, std::size_t keyBytes);
    std::vector<std::uint8_t> blockKey(std::uint32_t block) const;
    const std::array<std::uint8_t, kBlockSize>& keyStream(std::uint32_t block) const;

    EncryptionKind kind_;
    std::vector<std::uint8_t> passwordHash_;  // Rc4: 5 bytes of H1; CryptoApi: H0
    std::size_t keyBytes_;                    // significant bytes of the key

    mutable std::optional<std::uint32_t> cachedBlock_;
    mutable std::array<std::uint8_t, kBlockSize> cachedStream_{};
};

}  // namespace xls::crypto
