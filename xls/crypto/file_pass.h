// The FilePass record ([MS-XLS] 2.4.117): how a workbook stream is encrypted.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

namespace xls::crypto {

enum class EncryptionKind {
    Xor,        // XOR obfuscation ([MS-OFFCRYPTO] 2.3.7)
    Rc4,        // Office binary RC4 ([MS-OFFCRYPTO] 2.3.6)
    CryptoApi,  // RC4 CryptoAPI ([MS-OFFCRYPTO] 2.3.5)
};

// RC4 CryptoAPI algorithm ids (EncryptionHeader.AlgID / AlgIDHash).
inline constexpr std::uint32_t kAlgIdRc4 = 0x6801;
inline constexpr std::uint32_t kAlgIdSha1 = 0x8004;

struct FilePass {
    EncryptionKind kind = EncryptionKind::Rc4;

    // Xor: XORObfuscation (2.5.343)
    std::uint16_t xorKey = 0;
    std::uint16_t xorVerificationBytes = 0;

    // Rc4 and CryptoApi: the verifier
    std::array<std::uint8_t, 16> salt{};
    std::array<std::uint8_t, 16> encryptedVerifier{};
    std::vector<std::uint8_t> encryptedVerifierHash;  // 16 bytes (Rc4) or 20 (CryptoApi)

    // CryptoApi: EncryptionHeader
    std::uint32_t algId = 0;
    std::uint32_t algIdHash = 0;
    std::uint32_t keySizeBits = 0;  // 40 to 128; 0 in the file means 40
};

// Parses a decrypted-as-stored FilePass body. BIFF5 holds only the XOR fields.
// Raises CorruptWorkbook for a truncated body, UnsupportedEncryption for a
// version or algorithm the engine cannot decrypt.
FilePass parseFilePass(std::span<const std::uint8_t> body, bool biff5);

}  // namespace xls::crypto
