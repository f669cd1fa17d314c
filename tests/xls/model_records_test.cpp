// Record codecs whose faults the edits would not show: a sheet's state and
// type written back, a style made a cell format, and strings in every form
// written back as read. (Windows, names and XTIs: ops_sheet_edits_test.cpp.)
#include <gtest/gtest.h>

#include "biff/strings.h"
#include "model/records/bound_sheet.h"
#include "model/records/xf.h"
#include "support/error_code_of.h"
#include "xls/error.h"

namespace xls::model::records {
namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(BoundSheet8Codec, ReadsFieldsAndWritesThemBack) {
    const Bytes stored{0x34, 0x12, 0, 0, 0x02, 0x06, 3, 0, 'A', 'b', 'c'};
    const BoundSheet8 record = readBoundSheet8(stored, BiffVersion::Biff8, 0);
    EXPECT_EQ(record.lbPlyPos, 0x1234u);
    EXPECT_EQ(record.hsState, 2);
    EXPECT_EQ(record.dt, 6);
    EXPECT_EQ(record.stName, "Abc");
    EXPECT_EQ(writeBoundSheet8(record), stored);

    BoundSheet8 wide = record;
    wide.stName = "\xD0\x96";  // a character past Latin-1 makes the name UTF-16
    EXPECT_EQ(writeBoundSheet8(wide), (Bytes{0x34, 0x12, 0, 0, 2, 6, 1, 1, 0x16, 0x04}));

    Bytes patched = stored;
    setBoundSheetLbPlyPos(patched, 0xA0B0C0D0);
    EXPECT_EQ(boundSheetLbPlyPos(patched), 0xA0B0C0D0u);
    EXPECT_TRUE(std::equal(patched.begin() + 4, patched.end(), stored.begin() + 4));
    EXPECT_EQ(tarnvale::testing::errorCodeOf([] {
                  readBoundSheet8(Bytes{1, 0, 0, 0, 0}, BiffVersion::Biff8, 0);
              }),
              ErrorCode::CorruptWorkbook);
}

// A style XF made a cell XF: the style flag goes, protection and every other
// attribute stay, the parent is set and every attribute group counts as its own.
TEST(XfRecord, AStyleMadeACellFormatKeepsItsProtection) {
    XF xf;
    xf.bytes[4] = 0x07;  // fLocked, fHidden, fStyle
    xf.bytes[5] = 0xFF;  // ixfParent 0xFFF of a style
    xf.bytes[9] = 0x00;
    xf.makeCellFormat(3);
    EXPECT_FALSE(xf.fStyle());
    EXPECT_TRUE(xf.fLocked());
    EXPECT_TRUE(xf.fHidden());
    EXPECT_EQ(xf.ixfParent(), 3);
    EXPECT_EQ(xf.bytes[9], 0xFC);
}

struct StringFormCase {
    const char* what;
    biff::StringForm form;
    Bytes stored;
    std::uint16_t cch = 0;  // NoCch only
};

void PrintTo(const StringFormCase& c, std::ostream* os) {
    *os << c.what;
}

class StringCodecTest : public ::testing::TestWithParam<StringFormCase> {};

TEST_P(StringCodecTest, WritesBackWhatItRead) {
    const auto& c = GetParam();
    biff::ContinuedReader reader(c.stored);
    const biff::XLString s = biff::readString(reader, c.form, c.cch);
    EXPECT_TRUE(reader.atEnd());
    io::ByteWriter out;
    biff::writeString(out, s, c.form);
    EXPECT_EQ(out.bytes(), c.stored);
}

INSTANTIATE_TEST_SUITE_P(
    Forms, StringCodecTest,
    ::testing::Values(
        StringFormCase{"short compressed", biff::StringForm::Short, {2, 0, 'o', 'k'}},
        StringFormCase{"unicode 16-bit", biff::StringForm::Unicode, {1, 0, 1, 0x16, 0x04}},
        StringFormCase{"empty 16-bit keeps its flag", biff::StringForm::Unicode, {0, 0, 1}},
        StringFormCase{"no count", biff::StringForm::NoCch, {0, 'a', 'b', 'c'}, 3},
        StringFormCase{"rich and phonetic",
                       biff::StringForm::RichExtended,
                       {1, 0, 0x0C, 1, 0, 2, 0, 0, 0, 'q', 0, 0, 5, 0, 0xAA, 0xBB}}));

}  // namespace
}  // namespace xls::model::records
