// Stepping over strings without decoding them: it must end where reading
// them ends, and refuse what reading them refuses, or a table indexed this
// way finds its strings at the wrong places.
#include <gtest/gtest.h>

#include <optional>

#include "biff/strings.h"
#include "support/error_code_of.h"
#include "xls/error.h"

namespace xls::biff {
namespace {

using Bytes = std::vector<std::uint8_t>;
using tarnvale::testing::raisedCode;

struct SkipCase {
    const char* what;
    Bytes bytes;  // one or more RichExtended strings
    std::vector<std::size_t> continueStarts;
};

void PrintTo(const SkipCase& c, std::ostream* os) {
    *os << c.what;
}

// Where each string of the bytes begins, as a reader that decodes (or only
// steps over) them finds it, and the code raised at the first that fails.
struct Walk {
    std::vector<std::size_t> starts;
    std::optional<ErrorCode> raised;
    bool operator==(const Walk&) const = default;
};

Walk walk(const SkipCase& c, bool decode) {
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

class SkipStringTest : public ::testing::TestWithParam<SkipCase> {};

TEST_P(SkipStringTest, EndsAndFailsWhereReadingDoes) {
    const Walk decoded = walk(GetParam(), true);
    EXPECT_EQ(walk(GetParam(), false), decoded);
    EXPECT_TRUE(!decoded.raised || decoded.raised == ErrorCode::CorruptWorkbook);
}

INSTANTIATE_TEST_SUITE_P(
    Strings, SkipStringTest,
    ::testing::Values(
        SkipCase{"compressed, 16-bit, empty",
                 {3, 0, 0, 'a', 'b', 'c', 2, 0, 1, 0x16, 0x04, 0x41, 0x04, 0, 0, 0},
                 {}},
        SkipCase{"rich and phonetic data",
                 {2, 0, 0x0C, 1, 0, 3, 0, 0, 0, 'a', 'b', 0, 0, 5, 0, 9, 9, 9, 1, 0, 0, 'z'},
                 {}},
        SkipCase{"characters change width at a Continue",
                 {3, 0, 0, 'a', 1, 0x16, 0x04, 0x41, 0x04, 1, 0, 0, 'q'},
                 {4}},
        SkipCase{"runs and phonetic data go on in a Continue without flags",
                 {2, 0, 0x0C, 1, 0, 2, 0, 0, 0, 'a', 'b', 0, 0, 5, 0, 7, 7},
                 {11}},
        SkipCase{"a string starting at a boundary, then one split by two",
                 {1, 0, 0, 'q', 4, 0, 0, 'w', 'x', 0, 'y', 0, 'z'},
                 {4, 9, 11}},
        SkipCase{"characters cut short", {1, 0, 0, 'a', 5, 0, 0, 'a', 'b'}, {}},
        SkipCase{"a 16-bit character split by a Continue", {2, 0, 1, 0x41, 0, 0x42, 1, 0}, {6}},
        SkipCase{"runs cut short", {1, 0, 0x08, 2, 0, 'a', 0, 0, 1, 0}, {}},
        SkipCase{"phonetic data past the end", {1, 0, 0x04, 0xFF, 0xFF, 0xFF, 0x7F, 'a'}, {}},
        SkipCase{"a header cut short", {1, 0, 0, 'a', 1}, {}}));

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

void PrintTo(const DigestCase& c, std::ostream* os) {
    *os << c.what;
}

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
                   false}));

}  // namespace
}  // namespace xls::biff
