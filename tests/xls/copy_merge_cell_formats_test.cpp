// The XF map and its application on tiny hand-built globals: equal formats
// reused, new ones appended with their font, number format, colour and XFExt,
// parent styles matched by name, refusal past the limits; and the record
// codecs against bytes laid out by hand.
#include <gtest/gtest.h>

#include "copy_merge_test_globals.h"
#include "model/tables/cell_formats.h"
#include "model/tables/fonts.h"
#include "model/tables/number_formats.h"
#include "ops/copy/apply_format_merge.h"
#include "ops/copy/merge_cell_formats.h"
#include "ops/copy/merge_fonts.h"
#include "support/error_code_of.h"

namespace xls::ops::copy {
namespace {

using biff::RecordType;
using model::records::XfColour;
using namespace testing;
constexpr model::records::Rgb kOrange{0xF0, 0x80, 0x10};

model::records::XFExt textColourExt(std::uint16_t ixfe, std::uint16_t xclrType,
                                    std::uint32_t value) {
    model::records::ExtProp prop{0x0D, std::vector<std::uint8_t>(16)};
    prop.data[0] = static_cast<std::uint8_t>(xclrType);
    prop.data[4] = static_cast<std::uint8_t>(value);
    return {ixfe, 0, 0, {prop}};
}

// Source: Normal, a user style "Heading", a plain cell format, a bold
// percentage on an orange fill (slot 40 of its palette) in style Heading.
GlobalsSpec sourceSpec() {
    model::records::Palette palette = model::records::defaultPalette();
    palette[40 - 8] = kOrange;
    return {{font(u"Arial"), font(u"Arial", 0x7FFF, 700)},
            {{164, u"0.0%"}},
            {styleXf(), styleXf(1), cellXf(0), cellXf(1, 164, 1, 40)},
            {},
            {builtInStyle(0, 0), userStyle(1, u"Heading")},
            palette};
}

GlobalsSpec destinationSpec() {
    return {{font(u"Arial")}, {}, {styleXf(), cellXf(0)}, {}, {builtInStyle(0, 0)}, {}};
}

TEST(CellFormatMergeTest, ReusesEqualFormatsAndAppendsTheRest) {
    const auto source = globalsOf(sourceSpec());
    auto destination = globalsOf(destinationSpec());
    const FormatMergePlan plan = planFormatMerge(source, destination, {false, false, true, true});
    EXPECT_EQ(plan.xfs, (IndexMap{0, 0, 1, 2}));  // Normal comes as a parent
    applyFormatMerge(plan, destination);

    EXPECT_EQ(typesOf(destination),
              (std::vector{RecordType::BOF, RecordType::Font, RecordType::Font, RecordType::Format,
                           RecordType::XF, RecordType::XF, RecordType::XF, RecordType::Style,
                           RecordType::Palette, RecordType::BoundSheet8, RecordType::EOF_}));
    const auto cells = model::tables::CellFormatTable::read(destination);
    const auto& xf = cells.xfs().at(2);
    const auto fonts = model::tables::FontTable::read(destination);
    EXPECT_EQ(fonts.find(xf.ifnt())->bls, 700);
    EXPECT_EQ(model::tables::NumberFormatTable::read(destination).stringOf(xf.ifmt()), u"0.0%");
    EXPECT_EQ(xf.ixfParent(), 0) << "a style the destination lacks becomes Normal";
    EXPECT_EQ(*model::records::colourOf(cells.palette(), xf.icv(XfColour::Fore)), kOrange);

    // The same copy again adds nothing.
    const FormatMergePlan again = planFormatMerge(source, destination, {false, false, true, true});
    EXPECT_EQ(again.xfs, (IndexMap{0, 0, 1, 2}));
    EXPECT_TRUE(again.addedXfs.empty() && again.addedFonts.empty() &&
                again.addedNumberFormats.empty() && !again.colours.paletteChanged);
}

TEST(CellFormatMergeTest, ParentStylesFoundByName) {
    // Source: built-in RowLevel_2 at XF 4 with a cell XF 5 under it.
    GlobalsSpec source = sourceSpec();
    source.xfs.insert(source.xfs.end(), {styleXf(), cellXf(0, 0, 4)});
    source.styles.push_back(builtInStyle(4, 1, 1));
    GlobalsSpec destination = destinationSpec();
    destination.xfs = {styleXf(), styleXf(), styleXf(), styleXf(), styleXf(), cellXf(0)};
    destination.styles = {builtInStyle(0, 0), userStyle(1, u"Other"), builtInStyle(2, 1, 0),
                          builtInStyle(3, 1, 1), userStyle(4, u"HEADING")};
    const FormatMergePlan plan = planFormatMerge(globalsOf(source), globalsOf(destination),
                                                 {false, false, false, true, false, true});
    EXPECT_EQ(plan.xfs[1], 4u) << "user style, whatever the letter case";
    EXPECT_EQ(plan.xfs[4], 3u) << "built-in style and level";
    ASSERT_EQ(plan.addedXfs.size(), 2u);
    EXPECT_EQ(plan.addedXfs[0].ixfParent(), 4);
    EXPECT_EQ(plan.addedXfs[1].ixfParent(), 3);
}

TEST(CellFormatMergeTest, XfExtensionsComeAlongWhenTheirChecksumHolds) {
    GlobalsSpec spec = sourceSpec();
    spec.exts = {textColourExt(3, 2, 0x00FF8800)};
    auto destination = globalsOf(destinationSpec());
    const FormatMergePlan plan =
        planFormatMerge(globalsOf(spec), destination, {false, false, false, true});
    ASSERT_EQ(plan.addedXfExts.size(), 1u);
    EXPECT_EQ(plan.addedXfExts[0].ixfe, 2);
    applyFormatMerge(plan, destination);
    const auto cells = model::tables::CellFormatTable::read(destination);
    EXPECT_TRUE(cells.extensionsValid());
    ASSERT_NE(cells.extOf(2), nullptr);
    EXPECT_EQ(cells.extOf(2)->rgExt, spec.exts[0].rgExt);
    EXPECT_TRUE(cells.xfs()[2].fHasXFExt());
    EXPECT_TRUE(
        planFormatMerge(globalsOf(spec), destination, {false, false, false, true}).addedXfs.empty())
        << "the format with its extension is found again";

    // A stale XFCRC (XFs changed by a writer unaware of XFExt): nothing comes along.
    auto stale = globalsOf(spec);
    for (auto& record : stale.records)
        if (record.type == RecordType::XFCRC) record.payload[16] ^= 0xFF;
    const FormatMergePlan without =
        planFormatMerge(stale, globalsOf(destinationSpec()), {false, false, false, true});
    EXPECT_TRUE(without.addedXfExts.empty());
    EXPECT_FALSE(without.addedXfs.at(0).fHasXFExt());
}

TEST(CellFormatMergeTest, ColoursOutsideTheFormatsFollowThePalette) {
    // A tab colour of the sheet in slot 40 (orange in the source) gets a slot of its own.
    const FormatMergePlan tab = planFormatMerge(
        globalsOf(sourceSpec()), globalsOf(destinationSpec()), FormatUse{{}, {}, {40}, {63}, {}});
    EXPECT_EQ(translateColour(tab, 40), 62) << "slot 63 is used by the destination's sheets";
    EXPECT_EQ(tab.colours.destination[62 - 8], kOrange);
    // An indexed colour inside XFExt.
    GlobalsSpec spec = sourceSpec();
    spec.exts = {textColourExt(3, model::records::kXclrIndexed, 40)};
    const FormatMergePlan plan =
        planFormatMerge(globalsOf(spec), globalsOf(destinationSpec()), {false, false, false, true});
    ASSERT_EQ(plan.addedXfExts.size(), 1u);
    EXPECT_EQ(model::records::indexedColourOf(plan.addedXfExts[0].rgExt[0]), plan.colours.icvs[40]);
}

TEST(CellFormatMergeTest, AddsToXfcrcThatHeldAndKeepsItValid) {
    GlobalsSpec destinationSpecWithExt = destinationSpec();
    destinationSpecWithExt.exts = {textColourExt(1, 2, 0x123456)};
    auto destination = globalsOf(destinationSpecWithExt);
    const FormatMergePlan plan =
        planFormatMerge(globalsOf(sourceSpec()), destination, {false, false, true, true});
    EXPECT_TRUE(plan.refreshXfcrc);
    applyFormatMerge(plan, destination);
    EXPECT_TRUE(model::tables::CellFormatTable::read(destination).extensionsValid());
}

struct LimitCase {
    const char* name;
    void (*fill)(GlobalsSpec&);  // fills one table of the destination to its limit
};

const LimitCase kLimitCases[] = {
    {"fonts", [](GlobalsSpec& d) { d.fonts.resize(kMaxFonts, font(u"Arial")); }},
    {"number_format_ids",
     [](GlobalsSpec& d) {
         for (std::uint16_t id = 164; id <= 382; ++id)
             d.formats.push_back({id, std::u16string(1, char16_t(id))});
     }},
    {"xfs", [](GlobalsSpec& d) { d.xfs.resize(model::tables::kMaxXfs, cellXf(0)); }},
};

class FormatLimitTest : public ::testing::TestWithParam<LimitCase> {};

TEST_P(FormatLimitTest, RefusesWhatWouldPassTheLimitAndCopiesWhatIsThere) {
    GlobalsSpec full = destinationSpec();
    GetParam().fill(full);
    const auto destination = globalsOf(full);
    EXPECT_EQ(
        tarnvale::testing::errorCodeOf([&] {
            planFormatMerge(globalsOf(sourceSpec()), destination, {false, false, false, true});
        }),
        ErrorCode::TooManyFormats);
    EXPECT_EQ(planFormatMerge(globalsOf(sourceSpec()), destination, {false, false, true}).xfs[2],
              1u);
}
INSTANTIATE_TEST_SUITE_P(Tables, FormatLimitTest, ::testing::ValuesIn(kLimitCases),
                         [](const auto& param) { return std::string(param.param.name); });

TEST(CellFormatMergeTest, ApplyRefusesADestinationThatChanged) {
    auto destination = globalsOf(destinationSpec());
    const FormatMergePlan plan =
        planFormatMerge(globalsOf(sourceSpec()), destination, {false, false, false, true});
    const auto before = destination.records;
    destination.records.insert(destination.records.begin() + 1,
                               model::Record(RecordType::XF, model::records::writeXF(cellXf(0))));
    const auto changed = destination.records;
    EXPECT_EQ(tarnvale::testing::errorCodeOf([&] { applyFormatMerge(plan, destination); }),
              ErrorCode::UnsupportedOperation);
    EXPECT_EQ(destination.records, changed);
}

TEST(CellFormatMergeTest, AnXfIndexPastTheTableGetsTheDefaultCellFormat) {
    std::vector<bool> used(20);
    used[19] = true;
    const FormatMergePlan plan =
        planFormatMerge(globalsOf(sourceSpec()), globalsOf(destinationSpec()), used);
    EXPECT_EQ(plan.xfs.at(19), 15u);
}

// Record codecs against bytes laid out as Excel writes them.
TEST(FormatRecordCodecTest, ReadsAndWritesHandLaidBytes) {
    // A locked cell XF with four borders, a solid fill and automatic pattern colours.
    const std::vector<std::uint8_t> xfBytes = {0x05, 0x00, 0xA4, 0x00, 0x01, 0x00, 0x20,
                                               0x00, 0x00, 0x00, 0x21, 0x43, 0x8A, 0x01,
                                               0x0C, 0x00, 0x00, 0x04, 0xC0, 0x20};
    const auto xf = model::records::readXF(xfBytes);
    EXPECT_EQ(xf.ifnt(), 5);
    EXPECT_EQ(xf.ifmt(), 164);
    EXPECT_TRUE(xf.fLocked());
    EXPECT_FALSE(xf.fStyle());
    EXPECT_EQ(xf.icv(XfColour::Fore), 0x40);
    EXPECT_EQ(xf.icv(XfColour::Back), 0x41);
    EXPECT_EQ(xf.icv(XfColour::Left), 0x0A);   // 0x018A << 16 >> 16 & 0x7F
    EXPECT_EQ(xf.icv(XfColour::Right), 0x03);  // bits 23-29 of 0x018A4321
    EXPECT_EQ(xf.icv(XfColour::Top), 0x0C);
    EXPECT_EQ(xf.borderStyles(), (std::array<std::uint8_t, 6>{1, 2, 3, 4, 0, 0}));
    EXPECT_EQ(xf.fls(), 1);
    EXPECT_EQ(model::records::writeXF(xf), xfBytes);

    const std::vector<std::uint8_t> fontBytes = {0xC8, 0x00, 0x02, 0x00, 0xFF, 0x7F, 0xBC,
                                                 0x02, 0x00, 0x00, 0x01, 0x02, 0x00, 0x00,
                                                 0x05, 0x00, 'A',  'r',  'i',  'a',  'l'};
    const auto f = model::records::readFont(fontBytes);
    EXPECT_EQ(f.fontName, u"Arial");
    EXPECT_EQ(f.bls, 700);
    EXPECT_TRUE(f.italic());
    EXPECT_EQ(f.uls, 1);
    EXPECT_EQ(model::records::writeFont(f), fontBytes);

    const std::vector<std::uint8_t> formatBytes = {0xA5, 0x00, 0x02, 0x00, 0x01,
                                                   0x30, 0x00, 0xAC, 0x20};
    const auto format = model::records::readNumberFormat(formatBytes);
    EXPECT_EQ(format.ifmt, 165);
    EXPECT_EQ(format.stFormat, u"0\u20AC");
    EXPECT_EQ(model::records::writeNumberFormat(format), formatBytes);

    // As Excel wrote them: the XFExt of XF 15 (a theme text colour and a font
    // scheme), and an XFCRC over 62 XFs.
    const std::vector<std::uint8_t> extBytes = {
        0x7D, 0x08, 0,    0,    0,    0,    0,    0,    0,    0,    0,    0, 0,    0,    0x0F,
        0,    0,    0,    0x02, 0,    0x0D, 0,    0x14, 0,    0x03, 0,    0, 0,    0x01, 0,
        0,    0,    0x30, 0x30, 0x5C, 0x29, 0x3B, 0x5F, 0x28, 0x2A, 0x0E, 0, 0x05, 0,    0x02};
    const auto ext = model::records::readXFExt(extBytes);
    EXPECT_EQ(ext.ixfe, 15);
    ASSERT_EQ(ext.rgExt.size(), 2u);
    EXPECT_EQ(ext.rgExt[1].extType, 0x0E);
    EXPECT_FALSE(model::records::indexedColourOf(ext.rgExt[0]).has_value());
    EXPECT_EQ(model::records::writeXFExt(ext), extBytes);
    const std::vector<std::uint8_t> crcBytes = {0x7C, 0x08, 0, 0, 0,    0, 0,    0,    0,    0,
                                                0,    0,    0, 0, 0x3E, 0, 0x98, 0xF7, 0xFB, 0x78};
    const auto xfcrc = model::records::readXFCRC(crcBytes);
    EXPECT_EQ(xfcrc.cxfs, 62);
    EXPECT_EQ(xfcrc.crc, 0x78FBF798u);
    EXPECT_EQ(model::records::writeXFCRC(xfcrc), crcBytes);
}

}  // namespace
}  // namespace xls::ops::copy
