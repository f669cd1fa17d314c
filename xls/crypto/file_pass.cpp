#include "crypto/file_pass.h"

#include <algorithm>
#include <string>

#include "io/byte_reader.h"
#include "xls/error.h"

namespace xls::crypto {

namespace {

template <std::size_t N>
void readArray(io::ByteReader& reader, std::array<std::uint8_t, N>& out) {
    std::span<const std::uint8_t> bytes = reader.bytes(N);
    std::copy(bytes.begin(), bytes.end(), out.begin());
}

void readVerifierHash(io::ByteReader& reader, FilePass& pass, std::size_t size) {
    std::span<const std::uint8_t> bytes = reader.bytes(size);
    pass.encryptedVerifierHash.assign(bytes.begin(), bytes.end());
}

// RC4 CryptoAPI: EncryptionVersionInfo already read; Flags, header size, EncryptionHeader,
// EncryptionVerifier ([MS-OFFCRYPTO] 2.3.5.1).
void parseCryptoApi(io::ByteReader& reader, FilePass& pass) {
    pass.kind = EncryptionKind::CryptoApi;
    reader.u32();  // Flags (copy of EncryptionHeader.Flags)
    std::uint32_t headerSize = reader.u32();
    if (headerSize < 32 || headerSize > reader.remaining()) {
        fail(ErrorCode::CorruptWorkbook, "FilePass: bad EncryptionHeaderSize");
    }
    io::ByteReader header = reader.sub(headerSize, "FilePass EncryptionHeader");
    header.u32();  // Flags
    header.u32();  // SizeExtra
    pass.algId = header.u32();
    pass.algIdHash = header.u32();
    pass.keySizeBits = header.u32();
    if (pass.keySizeBits == 0) pass.keySizeBits = 40;
    if ((pass.algId != kAlgIdRc4 && pass.algId != 0) ||
        (pass.algIdHash != kAlgIdSha1 && pass.algIdHash != 0) || pass.keySizeBits < 40 ||
        pass.keySizeBits > 128 || pass.keySizeBits % 8 != 0) {
        fail(ErrorCode::UnsupportedEncryption, "FilePass: CryptoAPI algorithm " +
                                                   std::to_string(pass.algId) + ", key size " +
                                                   std::to_string(pass.keySizeBits));
    }
    std::uint32_t saltSize = reader.u32();
    if (saltSize != 16) fail(ErrorCode::UnsupportedEncryption, "FilePass: salt size not 16");
    readArray(reader, pass.salt);
    readArray(reader, pass.encryptedVerifier);
    std::uint32_t hashSize = reader.u32();
    if (hashSize != 20) fail(ErrorCode::UnsupportedEncryption, "FilePass: verifier hash not SHA-1");
    readVerifierHash(reader, pass, 20);
}

}  // namespace

FilePass parseFilePass(std::span<const std::uint8_t> body, bool biff5) {
    io::ByteReader reader(body, ErrorCode::CorruptWorkbook, "FilePass");
    FilePass pass;
    std::uint16_t encryptionType = biff5 ? 0 : reader.u16();
    if (encryptionType == 0) {
        pass.kind = EncryptionKind::Xor;
        pass.xorKey = reader.u16();
        pass.xorVerificationBytes = reader.u16();
        return pass;
    }
    if (encryptionType != 1) {
        fail(ErrorCode::UnsupportedEncryption,
             "FilePass: encryption type " + std::to_string(encryptionType));
    }
    std::uint16_t major = reader.u16();
    std::uint16_t minor = reader.u16();
    if (major == 1 && minor == 1) {
        pass.kind = EncryptionKind::Rc4;
        readArray(reader, pass.salt);
        readArray(reader, pass.encryptedVerifier);
        readVerifierHash(reader, pass, 16);
        return pass;
    }
    if (major >= 2 && major <= 4 && minor == 2) {
        parseCryptoApi(reader, pass);
        return pass;
    }
    fail(ErrorCode::UnsupportedEncryption,
         "FilePass: RC4 version " + std::to_string(major) + "." + std::to_string(minor));
}

}  // namespace xls::crypto
