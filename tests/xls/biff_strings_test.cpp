// Strings as stored, split across Continue records: read, stepped over (ending
// and failing where reading does), digested and written back.
#include <gtest/gtest.h>

#include <optional>

#include "biff/strings.h"
#include "support/corpus_manifest.h"
#include "support/error_code_of.h"
#include "xls/error.h"

namespace xls::biff {
namespace {

using Bytes = std::vector<std::uint8_t>;
using tarnvale::testing::byWhat;
using tarnvale::testing::raisedCode;

struct StringCase {
    const char* what;
    Bytes bytes;
    std::vector<std::size_t> continueStarts;
    std::string expected = "";  // UTF-8, when read as one XLUnicodeString
};

class XLUnicodeStringTest : public ::testing::TestWithParam<StringCase> {};

TEST_P(XLUnicodeStringTest, ReadsAsUtf8AndConsumesExactly) {
    const StringCase& c = GetParam();
    ContinuedReader reader(c.bytes, c.continueStarts);
    EXPECT_EQ(readString(reader, StringForm::Unicode).utf8(), c.expected);
    EXPECT_TRUE(reader.atEnd());
}

INSTANTIATE_TEST_SUITE_P(
    Encodings, XLUnicodeStringTest,
    ::testing::Values(
        StringCase{"compressed", {3, 0, 0, 'a', 'b', 'c'}, {}, "abc"},
        StringCase{"compressed Latin-1", {2, 0, 0, 0xE9, 0xFF}, {}, "\xC3\xA9\xC3\xBF"},
        StringCase{"16-bit", {2, 0, 1, 0x16, 0x04, 0x41, 0x04}, {}, "\xD0\x96\xD1\x81"},
        StringCase{"surrogate pair", {2, 0, 1, 0x3D, 0xD8, 0x00, 0xDE}, {}, "\xF0\x9F\x98\x80"},
        StringCase{"lone surrogate", {1, 0, 1, 0x3D, 0xD8}, {}, "\xEF\xBF\xBD"},
        StringCase{"empty", {0, 0, 0}, {}, ""},
        StringCase{"compressed then 16-bit after Continue",
                   {3, 0, 0, 'a', 1, 0x16, 0x04, 0x41, 0x04},
                   {4},
                   "a\xD0\x96\xD1\x81"},
        StringCase{"16-bit then compressed after Continue",
                   {2, 0, 1, 0x16, 0x04, 0, 'z'},
                   {5},
                   "\xD0\x96z"},
        StringCase{
            "header alone, characters after a flags byte", {2, 0, 0, 0, 'h', 'i'}, {3}, "hi"},
        StringCase{"string starting at a boundary", {1, 0, 0, 'q'}, {0}, "q"}),
    byWhat);

TEST(RichExtendedString, ReadsRunsAndPhoneticDataAcrossAContinue) {
    // cch 2, fRichSt|fExtSt, cRun 1, cbExtRst 3, "ab" | runs and ExtRst continue without flags
    Bytes bytes{2, 0, 0x0C, 1, 0, 3, 0, 0, 0, 'a', 'b', 1, 0, 5, 0, 0xAA, 0xBB, 0xCC};
    const std::vector<std::size_t> starts{13};
    ContinuedReader reader(bytes, starts);
    XLString s = readString(reader, StringForm::RichExtended);
    EXPECT_EQ(s.utf8(), "ab");
    EXPECT_EQ(s.formatRuns(), (std::vector<FormatRun>{{1, 5}}));
    EXPECT_EQ(s.extRst, (Bytes{0xAA, 0xBB, 0xCC}));
    EXPECT_TRUE(reader.atEnd());
}

// Where each string begins, decoded or stepped over, and the code raised.
struct Walk {
    std::vector<std::size_t> starts;
    std::optional<ErrorCode> raised;
    bool operator==(const Walk&) const = default;
};

Walk walk(const StringCase& c, bool decode) {
    Walk w;
    ContinuedReader reader(c.bytes, c.continueStarts);
    w.raised = raisedCode([&] {
        XLString scratch;
        while (!reader.atEnd()) {
            w.starts.push_back(reader.position());
            if (decode) {
                readString(reader, StringForm::RichExtended, scratch);
            } else {
                skipString(reader, StringForm::RichExtended);
            }
        }
    });
    w.starts.push_back(reader.position());
    return w;
}

// The rows hold one or more RichExtended strings.
class SkipStringTest : public ::testing::TestWithParam<StringCase> {};

TEST_P(SkipStringTest, EndsAndFailsWhereReadingDoes) {
    const Walk decoded = walk(GetParam(), true);
    EXPECT_EQ(walk(GetParam(), false), decoded);
    EXPECT_TRUE(!decoded.raised || decoded.raised == ErrorCode::CorruptWorkbook);
}

INSTANTIATE_TEST_SUITE_P(
    Strings, SkipStringTest,
    ::testing::Values(
        StringCase{"compressed, 16-bit, empty",
                   {3, 0, 0, 'a', 'b', 'c', 2, 0, 1, 0x16, 0x04, 0x41, 0x04, 0, 0, 0},
                   {}},
        StringCase{"rich and phonetic data",
                   {2, 0, 0x0C, 1, 0, 3, 0, 0, 0, 'a', 'b', 0, 0, 5, 0, 9, 9, 9, 1, 0, 0, 'z'},
                   {}},
        StringCase{"characters change width at a Continue",
                   {3, 0, 0, 'a', 1, 0x16, 0x04, 0x41, 0x04, 1, 0, 0, 'q'},
                   {4}},
        StringCase{"runs and phonetic data go on in a Continue without flags",
                   {2, 0, 0x0C, 1, 0, 2, 0, 0, 0, 'a', 'b', 0, 0, 5, 0, 7, 7},
                   {11}},
        StringCase{"a string starting at a boundary, then one split by two",
                   {1, 0, 0, 'q', 4, 0, 0, 'w', 'x', 0, 'y', 0, 'z'},
                   {4, 9, 11}},
        StringCase{"characters cut short", {1, 0, 0, 'a', 5, 0, 0, 'a', 'b'}, {}},
        StringCase{"a 16-bit character split by a Continue", {2, 0, 1, 0x41, 0, 0x42, 1, 0}, {6}},
        StringCase{"runs cut short", {1, 0, 0x08, 2, 0, 'a', 0, 0, 1, 0}, {}},
        StringCase{"phonetic data past the end", {1, 0, 0x04, 0xFF, 0xFF, 0xFF, 0x7F, 'a'}, {}},
        StringCase{"a header cut short", {1, 0, 0, 'a', 1}, {}}),
    byWhat);

// One RichExtended string as stored, and its digest as stepping over it finds it.
struct Stored {
    Bytes bytes;
    std::vector<std::size_t> continueStarts;
};

std::uint64_t digestWhileSkipping(const Stored& s) {
    ContinuedReader reader(s.bytes, s.continueStarts);
    std::uint64_t digest = 0;
    skipString(reader, StringForm::RichExtended, 0, &digest);
    return digest;
}

std::uint64_t digestOfDecoded(const Stored& s) {
    ContinuedReader reader(s.bytes, s.continueStarts);
    return stringDigest(readString(reader, StringForm::RichExtended));
}

struct DigestCase {
    const char* what;
    Stored a;
    Stored b;
    bool same;  // whether the two hold the same content
};

class StringDigestTest : public ::testing::TestWithParam<DigestCase> {};

TEST_P(StringDigestTest, FollowsContentNotStorage) {
    const DigestCase& c = GetParam();
    for (const Stored* s : {&c.a, &c.b})
        EXPECT_EQ(digestWhileSkipping(*s), digestOfDecoded(*s)) << "skipping and decoding differ";
    EXPECT_EQ(digestWhileSkipping(c.a) == digestWhileSkipping(c.b), c.same);
}

INSTANTIATE_TEST_SUITE_P(
    Pairs, StringDigestTest,
    ::testing::Values(
        DigestCase{"8-bit and 16-bit storage",
                   {{2, 0, 0, 'a', 'b'}, {}},
                   {{2, 0, 1, 'a', 0, 'b', 0}, {}},
                   true},
        DigestCase{"split by a Continue that changes width",
                   {{3, 0, 0, 'a', 'b', 'c'}, {}},
                   {{3, 0, 0, 'a', 1, 'b', 0, 'c', 0}, {4}},
                   true},
        DigestCase{
            "rich flag without runs", {{1, 0, 0, 'a'}, {}}, {{1, 0, 0x08, 0, 0, 'a'}, {}}, true},
        DigestCase{
            "one character differs", {{2, 0, 0, 'a', 'b'}, {}}, {{2, 0, 0, 'a', 'c'}, {}}, false},
        DigestCase{"a high byte differs", {{1, 0, 1, 'a', 0}, {}}, {{1, 0, 1, 'a', 1}, {}}, false},
        DigestCase{"runs differ",
                   {{1, 0, 0x08, 1, 0, 'a', 0, 0, 5, 0}, {}},
                   {{1, 0, 0x08, 1, 0, 'a', 0, 0, 6, 0}, {}},
                   false},
        DigestCase{"the same bytes as runs or as phonetic data",
                   {{1, 0, 0x08, 1, 0, 'a', 1, 2, 3, 4}, {}},
                   {{1, 0, 0x04, 4, 0, 0, 0, 'a', 1, 2, 3, 4}, {}},
                   false}),
    byWhat);

struct StringFormCase {
    const char* what;
    StringForm form;
    Bytes stored;
    std::uint16_t cch = 0;  // NoCch only
};

class StringCodecTest : public ::testing::TestWithParam<StringFormCase> {};

TEST_P(StringCodecTest, WritesBackWhatItRead) {
    const auto& c = GetParam();
    ContinuedReader reader(c.stored);
    const XLString s = readString(reader, c.form, c.cch);
    EXPECT_TRUE(reader.atEnd());
    io::ByteWriter out;
    writeString(out, s, c.form);
    EXPECT_EQ(out.bytes(), c.stored);
}

INSTANTIATE_TEST_SUITE_P(
    Forms, StringCodecTest,
    ::testing::Values(StringFormCase{"short compressed", StringForm::Short, {2, 0, 'o', 'k'}},
                      StringFormCase{"unicode 16-bit", StringForm::Unicode, {1, 0, 1, 0x16, 0x04}},
                      StringFormCase{"empty 16-bit keeps its flag", StringForm::Unicode, {0, 0, 1}},
                      StringFormCase{"no count", StringForm::NoCch, {0, 'a', 'b', 'c'}, 3},
                      StringFormCase{"rich and phonetic",
                                     StringForm::RichExtended,
                                     {1, 0, 0x0C, 1, 0, 2, 0, 0, 0, 'q', 0, 0, 5, 0, 0xAA, 0xBB}}),
    byWhat);

}  // namespace
}  // namespace xls::biff
