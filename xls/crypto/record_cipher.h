// Encryption of record bodies in a workbook stream ([MS-XLS] 2.2.10): record
// headers stay clear, and so do the bodies of BOF, FilePass, UsrExcl, FileLock,
// InterfaceHdr, RRDInfo, RRDHead and BoundSheet8.lbPlyPos; every other body byte
// is encrypted by its stream position (clear bytes still use up key stream).
#pragma once

#include <memory>
#include <span>
#include <string_view>

#include "biff/record_reader.h"
#include "crypto/file_pass.h"
#include "crypto/rc4_cipher.h"

namespace xls::crypto {

// The password Excel uses for workbooks protected only against changes to their
// structure, windows or writing: such files open without asking.
inline constexpr std::u16string_view kDefaultPassword = u"VelvetSweatshop";

class RecordCipher final : public biff::BodyDecoder {
  public:
    explicit RecordCipher(std::unique_ptr<const Rc4Cipher> cipher) : cipher_(std::move(cipher)) {}

    // Encrypts or decrypts (the same operation) the body of the record stored at header.offset.
    void apply(const biff::RecordHeader& header, std::span<std::uint8_t> body) const;
    void decode(const biff::RecordHeader& header, std::span<std::uint8_t> body) const override {
        apply(header, body);
    }

    // True for records whose body is stored in clear in an encrypted stream.
    static bool bodyStaysClear(biff::RecordType type);

  private:
    std::unique_ptr<const Rc4Cipher> cipher_;
};

// The cipher for a FilePass, opened with password (the built-in default one unless
// a caller knows better). Raises PasswordProtected when the password does not fit
// the verifier, or for XOR obfuscation, which the engine does not decrypt.
std::shared_ptr<const RecordCipher> openRecordCipher(
    const FilePass& pass, std::u16string_view password = kDefaultPassword);

}  // namespace xls::crypto
