// The record codecs: each reads the fields where the format puts them, and
// writing back what was read gives the stored bytes again, the bytes after the
// fields it knows included.
#include <gtest/gtest.h>

#include "biff/strings.h"
#include "model/records/bound_sheet.h"
#include "model/records/external_refs.h"
#include "model/records/lbl.h"
#include "model/records/windows.h"
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

TEST(WindowCodecs, ChangeOnlyTheFieldsTheyWrite) {
    Bytes window1{1, 0, 2, 0, 3, 0, 4, 0, 0x38, 0, 5, 0, 6, 0, 7, 0, 0x58, 2, 0xEE};
    auto w = readWindow1(window1);
    ASSERT_TRUE(w);
    EXPECT_EQ(w->itabCur, 5);
    EXPECT_EQ(w->itabFirst, 6);
    EXPECT_EQ(w->ctabSel, 7);
    EXPECT_EQ(w->wTabRatio, 600);
    w->itabCur = 9;
    writeWindow1(window1, *w);
    EXPECT_EQ(window1, (Bytes{1, 0, 2, 0, 3, 0, 4, 0, 0x38, 0, 9, 0, 6, 0, 7, 0, 0x58, 2, 0xEE}));
    EXPECT_FALSE(readWindow1(Bytes(15, 0)));
    Bytes shortWindow1(15, 0);  // too short for the fields: refused, nothing written past it
    EXPECT_EQ(tarnvale::testing::errorCodeOf([&] { writeWindow1(shortWindow1, *w); }),
              ErrorCode::CorruptWorkbook);

    Bytes window2{0xB6, 0x06, 0x11};  // fSelected and fPaged set among other flags
    auto flags = readWindow2TabFlags(window2);
    ASSERT_TRUE(flags);
    EXPECT_TRUE(flags->fSelected && flags->fPaged);
    writeWindow2TabFlags(window2, {false, false});
    EXPECT_EQ(window2, (Bytes{0xB6, 0x00, 0x11}));
    EXPECT_FALSE(readWindow2TabFlags(window2)->fSelected);
    EXPECT_FALSE(readWindow2TabFlags(window2)->fPaged);
    EXPECT_FALSE(readWindow2TabFlags(Bytes{1}));
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

TEST(LblCodec, FindsTheFormulaBehindTheName) {
    // flags, chKey, cch 2, cce 3, reserved, itab 4, four reserved bytes, "Nm" in UTF-16, rgce
    const Bytes stored{0x20, 0, 0, 2,   3, 0,   0, 0,    4,    0,    0,   0,
                       0,    0, 1, 'N', 0, 'm', 0, 0x1C, 0x17, 0x00, 0xAA};
    LblHeader header = readLblHeader(stored);
    EXPECT_EQ(header.cch, 2);
    EXPECT_EQ(header.cce, 3);
    EXPECT_EQ(header.itab, 4);
    EXPECT_EQ(lblFormulaOffset(stored), 19u);
    Bytes edited = stored;
    header.itab = 1;
    writeLblHeader(edited, header);
    edited[8] = 4;
    EXPECT_EQ(edited, stored);
    Bytes cut(stored.begin(), stored.begin() + 20);  // the formula runs past the payload
    EXPECT_EQ(tarnvale::testing::errorCodeOf([&] { lblFormulaOffset(cut); }),
              ErrorCode::CorruptWorkbook);
}

TEST(ExternalRefCodecs, ReadAndWriteXtisInPlace) {
    const auto self = readSupBookHeader(Bytes{3, 0, 0x01, 0x04});
    ASSERT_TRUE(self);
    EXPECT_TRUE(self->isSelfReference());
    EXPECT_EQ(self->ctab, 3);
    EXPECT_FALSE(readSupBookHeader(Bytes{3, 0, 1}));

    Bytes externSheet{2, 0, 0, 0, 1, 0, 2, 0, 1, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0x77};
    auto xtis = readExternSheet(externSheet);
    EXPECT_EQ(xtis, (std::vector<Xti>{{0, 1, 2}, {1, kNoSheet, kNoSheet}}));
    xtis[0].itabLast = 1;
    writeExternSheet(externSheet, xtis);
    EXPECT_EQ(externSheet, (Bytes{2, 0, 0, 0, 1, 0, 1, 0, 1, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0x77}));
    EXPECT_EQ(tarnvale::testing::errorCodeOf([] {
                  readExternSheet(Bytes{2, 0, 0, 0, 1, 0, 2, 0});
              }),
              ErrorCode::CorruptWorkbook);
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
