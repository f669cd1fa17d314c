#include "crypto/record_cipher.h"

#include "xls/error.h"

namespace xls::crypto {

using biff::RecordType;

namespace {
constexpr std::size_t kLbPlyPosSize = 4;
}

bool RecordCipher::bodyStaysClear(RecordType type) {
    switch (type) {
        case RecordType::BOF:
        case RecordType::FilePass:
        case RecordType::UsrExcl:
        case RecordType::FileLock:
        case RecordType::InterfaceHdr:
        case RecordType::RRDInfo:
        case RecordType::RRDHead:
            return true;
        default:
            return false;
    }
}

void RecordCipher::apply(const biff::RecordHeader& header, std::span<std::uint8_t> body) const {
    if (bodyStaysClear(header.type)) return;
    std::uint64_t offset = header.bodyOffset();
    if (header.type == RecordType::BoundSheet8) {
        if (body.size() <= kLbPlyPosSize) return;
        body = body.subspan(kLbPlyPosSize);
        offset += kLbPlyPosSize;
    }
    cipher_->apply(offset, body);
}

std::shared_ptr<const RecordCipher> openRecordCipher(const FilePass& pass,
                                                     std::u16string_view password) {
    if (pass.kind == EncryptionKind::Xor) {
        fail(ErrorCode::PasswordProtected, "XOR obfuscation");
    }
    std::unique_ptr<Rc4Cipher> cipher = Rc4Cipher::open(pass, password);
    if (!cipher) fail(ErrorCode::PasswordProtected, "the password does not open it");
    return std::make_shared<RecordCipher>(std::move(cipher));
}

}  // namespace xls::crypto
