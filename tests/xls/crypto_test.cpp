// Encrypted workbooks: FilePass parsing, key derivations on real files with
// published passwords, and the bodies that stay clear.
#include <gtest/gtest.h>

#include "biff/text_encoding.h"
#include "cfb/compound_file.h"
#include "crypto/file_pass.h"
#include "crypto/record_cipher.h"
#include "io/byte_source.h"
#include "model/stream_location.h"
#include "model/workbook_listing.h"
#include "model/workbook_stream.h"
#include "support/copy_record_bytes.h"
#include "support/corpus_manifest.h"
#include "support/error_code_of.h"
#include "support/workbook_builder.h"
#include "xls/error.h"

namespace xls::crypto {
namespace {

using tarnvale::testing::operator+;
using tarnvale::testing::Bytes;
using tarnvale::testing::corpusPath;
using tarnvale::testing::errorCodeOf;
using tarnvale::testing::u16s;
using tarnvale::testing::u32s;

// RC4 (version 1.1): salt, verifier and its hash.
Bytes rc4FilePass() {
    Bytes body = u16s({1, 1, 1});
    for (int i = 0; i < 48; ++i) body.push_back(static_cast<std::uint8_t>(i));
    return body;
}

// RC4 CryptoAPI (version 2.2): flags, header size, header, salt, verifier, its hash.
Bytes cryptoApiFilePass(std::uint32_t algId, std::uint32_t keyBits) {
    return u16s({1, 2, 2}) + u32s({0x04, 32, 0x04, 0, algId, kAlgIdSha1, keyBits, 1, 0, 0, 16}) +
           Bytes(32, 0x11) + u32s({20}) + Bytes(20, 0x22);
}

// The two XOR forms, and a key size of 0, which stands for 40.
TEST(FilePassParsing, TellsTheKinds) {
    EXPECT_EQ(parseFilePass(Bytes{0, 0, 0x34, 0x12, 0x78, 0x56}, false).kind, EncryptionKind::Xor);
    EXPECT_EQ(parseFilePass(Bytes{0x34, 0x12, 0x78, 0x56}, true).kind, EncryptionKind::Xor);
    EXPECT_EQ(parseFilePass(rc4FilePass(), false).kind, EncryptionKind::Rc4);
    FilePass api = parseFilePass(cryptoApiFilePass(kAlgIdRc4, 0), false);
    EXPECT_EQ(api.kind, EncryptionKind::CryptoApi);
    EXPECT_EQ(api.keySizeBits, 40u);
}

// Damaged or unknown FilePass records, AES or odd key sizes, other passwords, XOR.
TEST(FilePassParsing, RefusesWhatItCannotDecrypt) {
    Bytes cut = rc4FilePass();
    cut.resize(30);
    EXPECT_EQ(errorCodeOf([&] { parseFilePass(cut, false); }), ErrorCode::CorruptWorkbook);
    for (const Bytes& body :
         {Bytes{2, 0}, cryptoApiFilePass(0x660E, 128), cryptoApiFilePass(kAlgIdRc4, 44)}) {
        EXPECT_EQ(errorCodeOf([&] { parseFilePass(body, false); }),
                  ErrorCode::UnsupportedEncryption);
    }
    for (const Bytes& body : {rc4FilePass(), Bytes{0, 0, 1, 2, 3, 4}}) {
        const FilePass filePass = parseFilePass(body, false);
        EXPECT_EQ(errorCodeOf([&] { openRecordCipher(filePass); }), ErrorCode::PasswordProtected);
    }
}

struct EncryptedFile {
    const char* name;
    const char16_t* password;  // as the file's source publishes it
    const char* firstSheet;
};

constexpr const char* kList1 = "Лист1";

void PrintTo(const EncryptedFile& f, std::ostream* os) {
    *os << f.name;
}

class EncryptedCorpusTest : public ::testing::TestWithParam<EncryptedFile> {};

// Bytes after the last EOF are never decrypted, so they are not encrypted again.
TEST_P(EncryptedCorpusTest, ListsWithThePasswordAndWritesBackExactly) {
    const EncryptedFile& f = GetParam();
    auto file = cfb::CompoundFile::open(std::make_shared<io::FileSource>(corpusPath(f.name)));
    auto entry = model::findWorkbookStream(file);
    model::WorkbookListing listing =
        model::readWorkbookListing(file.openStream(entry.id), f.password);
    ASSERT_FALSE(listing.sheets.empty());
    EXPECT_EQ(listing.sheets[0].info.name, f.firstSheet);

    Bytes original = file.readStream(entry.id);
    const Bytes trailing = tarnvale::testing::record(0x0042, Bytes{1, 2});
    original.insert(original.end(), trailing.begin(), trailing.end());
    model::WorkbookStream stream = model::parseWorkbookStream(original, f.password);
    ASSERT_TRUE(stream.cipher);
    // Behind the trailing bytes some files have of their own.
    ASSERT_GE(stream.trailing.size(), trailing.size());
    EXPECT_TRUE(std::equal(trailing.rbegin(), trailing.rend(), stream.trailing.rbegin()));
    Bytes written = model::serializeWorkbookStream(stream);
    EXPECT_NE(written, original);  // decrypted
    model::encryptRecordBodies(written, *stream.cipher, written.size() - stream.trailing.size());
    EXPECT_TRUE(written == original);
}

INSTANTIATE_TEST_SUITE_P(
    Corpus, EncryptedCorpusTest,
    ::testing::Values(
        EncryptedFile{"poi__50833.xls", u"VelvetSweatshop", "Sheet1"},
        EncryptedFile{"poi__password.xls", u"password", kList1},
        EncryptedFile{"parseexcel__pers-encrypted-def-pass-QwErTyUiOp.xls", u"QwErTyUiOp", kList1},
        EncryptedFile{"parseexcel__pers-encrypted-RC4-pass-11.xls", u"11", kList1},
        EncryptedFile{"poi__35897-type4.xls", u"freedom", "Sheet1"},
        EncryptedFile{"sheetjs__password_2002_40_basecrypto.xls", u"password", "Sheet1"},
        EncryptedFile{"sheetjs__password_2002_128_enhanced.xls", u"password", "Sheet1"},
        EncryptedFile{"edr__Test_git_issue_242_std_rc4_pwd_password.xls", u"password", "Sheet1"}),
    [](const auto& param) { return "File" + std::to_string(param.index); });

// A cipher opened on a real FilePass.
std::shared_ptr<const RecordCipher> realCipher() {
    auto file =
        cfb::CompoundFile::open(std::make_shared<io::FileSource>(corpusPath("poi__50833.xls")));
    return model::readWorkbookListing(file.openStream(model::findWorkbookStream(file).id)).cipher;
}

TEST(RecordCipher, LeavesClearWhatStaysClear) {
    auto cipher = realCipher();
    ASSERT_TRUE(cipher);
    for (auto type : {biff::RecordType::BOF, biff::RecordType::FilePass, biff::RecordType::UsrExcl,
                      biff::RecordType::FileLock, biff::RecordType::InterfaceHdr,
                      biff::RecordType::RRDInfo, biff::RecordType::RRDHead}) {
        Bytes body(8, 7);
        cipher->apply({100, type, 8}, body);
        EXPECT_EQ(body, Bytes(8, 7)) << biff::describeRecordType(biff::toU16(type));
    }
    Bytes boundSheet(10, 7);
    cipher->apply({100, biff::RecordType::BoundSheet8, 10}, boundSheet);
    EXPECT_EQ(Bytes(boundSheet.begin(), boundSheet.begin() + 4), Bytes(4, 7));  // lbPlyPos
    EXPECT_NE(Bytes(boundSheet.begin() + 4, boundSheet.end()), Bytes(6, 7));
}

}  // namespace
}  // namespace xls::crypto
