#include "crypto/rc4_cipher.h"

#include <nettle/arcfour.h>
#include <nettle/md5.h>
#include <nettle/sha1.h>

#include <algorithm>
#include <limits>

#include "io/byte_writer.h"
#include "xls/error.h"

namespace xls::crypto {

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes passwordBytes(std::u16string_view password) {
    io::ByteWriter bytes;
    for (char16_t c : password) bytes.u16(c);  // UTF-16LE, as the key derivations hash it
    return bytes.take();
}

Bytes md5(std::span<const std::uint8_t> data) {
    md5_ctx ctx;
    md5_init(&ctx);
    md5_update(&ctx, data.size(), data.data());
    Bytes digest(MD5_DIGEST_SIZE);
    md5_digest(&ctx, digest.size(), digest.data());
    return digest;
}

Bytes sha1(std::span<const std::uint8_t> data) {
    sha1_ctx ctx;
    sha1_init(&ctx);
    sha1_update(&ctx, data.size(), data.data());
    Bytes digest(SHA1_DIGEST_SIZE);
    sha1_digest(&ctx, digest.size(), digest.data());
    return digest;
}

// Office binary RC4 ([MS-OFFCRYPTO] 2.3.6.2): H0 = MD5(password); H1 = MD5 of
// (first 5 bytes of H0 + salt) repeated 16 times; its first 5 bytes seed every block key.
Bytes rc4PasswordHash(const FilePass& pass, std::u16string_view password) {
    Bytes h0 = md5(passwordBytes(password));
    Bytes buffer;
    for (int i = 0; i < 16; ++i) {
        buffer.insert(buffer.end(), h0.begin(), h0.begin() + 5);
        buffer.insert(buffer.end(), pass.salt.begin(), pass.salt.end());
    }
    Bytes h1 = md5(buffer);
    h1.resize(5);
    return h1;
}

// RC4 CryptoAPI ([MS-OFFCRYPTO] 2.3.5.2): H0 = SHA1(salt + password).
Bytes cryptoApiPasswordHash(const FilePass& pass, std::u16string_view password) {
    Bytes buffer(pass.salt.begin(), pass.salt.end());
    Bytes pw = passwordBytes(password);
    buffer.insert(buffer.end(), pw.begin(), pw.end());
    return sha1(buffer);
}

}  // namespace

Rc4Cipher::Rc4Cipher(EncryptionKind kind, std::vector<std::uint8_t> passwordHash,
                     std::size_t keyBytes)
    : kind_(kind), passwordHash_(std::move(passwordHash)), keyBytes_(keyBytes) {}

std::unique_ptr<Rc4Cipher> Rc4Cipher::open(const FilePass& pass, std::u16string_view password) {
    std::unique_ptr<Rc4Cipher> cipher;
    if (pass.kind == EncryptionKind::Rc4) {
        cipher.reset(new Rc4Cipher(pass.kind, rc4PasswordHash(pass, password), 16));
    } else if (pass.kind == EncryptionKind::CryptoApi) {
        cipher.reset(
            new Rc4Cipher(pass.kind, cryptoApiPasswordHash(pass, password), pass.keySizeBits / 8));
    } else {
        return nullptr;
    }
    // The verifier and its hash are encrypted together with the key of block 0.
    Bytes verifier(pass.encryptedVerifier.begin(), pass.encryptedVerifier.end());
    verifier.insert(verifier.end(), pass.encryptedVerifierHash.begin(),
                    pass.encryptedVerifierHash.end());
    cipher->apply(0, verifier);
    std::span<const std::uint8_t> plain(verifier.data(), 16);
    std::span<const std::uint8_t> hash(verifier.data() + 16, verifier.size() - 16);
    Bytes expected = pass.kind == EncryptionKind::Rc4 ? md5(plain) : sha1(plain);
    if (expected.size() != hash.size() || !std::equal(hash.begin(), hash.end(), expected.begin())) {
        return nullptr;
    }
    return cipher;
}

std::vector<std::uint8_t> Rc4Cipher::blockKey(std::uint32_t block) const {
    io::ByteWriter input(passwordHash_);
    input.u32(block);
    Bytes hash = kind_ == EncryptionKind::Rc4 ? md5(input.bytes()) : sha1(input.bytes());
    // A 40-bit CryptoAPI key is used as 128 bits, zero-padded; other sizes as they are.
    std::size_t keyLength = keyBytes_ == 5 && kind_ == EncryptionKind::CryptoApi ? 16 : keyBytes_;
    Bytes key(keyLength, 0);
    std::copy_n(hash.begin(), std::min(keyBytes_, hash.size()), key.begin());
    return key;
}

const std::array<std::uint8_t, Rc4Cipher::kBlockSize>& Rc4Cipher::keyStream(
    std::uint32_t block) const {
    if (cachedBlock_ != block) {
        Bytes key = blockKey(block);
        arcfour_ctx ctx;
        arcfour_set_key(&ctx, key.size(), key.data());
        cachedStream_.fill(0);
        arcfour_crypt(&ctx, cachedStream_.size(), cachedStream_.data(), cachedStream_.data());
        cachedBlock_ = block;
    }
    return cachedStream_;
}

void Rc4Cipher::apply(std::uint64_t offset, std::span<std::uint8_t> bytes) const {
    std::size_t done = 0;
    while (done < bytes.size()) {
        std::uint64_t position = offset + done;
        std::uint64_t blockNumber = position / kBlockSize;
        if (blockNumber > std::numeric_limits<std::uint32_t>::max()) {
            fail(ErrorCode::CorruptWorkbook, "encrypted stream too large");
        }
        const auto& stream = keyStream(static_cast<std::uint32_t>(blockNumber));
        std::size_t at = static_cast<std::size_t>(position % kBlockSize);
        std::size_t count = std::min(bytes.size() - done, kBlockSize - at);
        for (std::size_t i = 0; i < count; ++i) bytes[done + i] ^= stream[at + i];
        done += count;
    }
}

}  // namespace xls::crypto
