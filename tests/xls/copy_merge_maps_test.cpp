// The old-to-new maps of fonts, number formats and palette colours, each on
// tiny hand-built tables, case by case.
#include <gtest/gtest.h>

#include <cstdio>

#include "copy_merge_test_globals.h"
#include "model/tables/fonts.h"
#include "model/tables/number_formats.h"
#include "ops/copy/merge_fonts.h"
#include "ops/copy/merge_number_formats.h"
#include "ops/copy/merge_palette.h"

namespace xls::ops::copy {
namespace {

using model::records::Palette;
using model::records::Rgb;
using testing::font;
using testing::globalsOf;
constexpr std::uint32_t U = kUnmapped;

std::vector<bool> flags(std::initializer_list<std::size_t> set, std::size_t size = 64) {
    std::vector<bool> out(size);
    for (std::size_t i : set) out[i] = true;
    return out;
}

Palette paletteWith(std::initializer_list<std::pair<std::uint16_t, Rgb>> changes) {
    Palette palette = model::records::defaultPalette();
    for (const auto& [icv, colour] : changes) palette[icv - 8] = colour;
    return palette;
}

struct ColourCase {
    const char* name;
    Palette source, destination;
    std::vector<bool> needed, inUse;
    std::uint16_t sourceIcv, expected;
    bool paletteChanged;
};

constexpr Rgb kOrange{0xF0, 0x80, 0x10};

class ColourMergeTest : public ::testing::TestWithParam<ColourCase> {};

TEST_P(ColourMergeTest, KeepsColoursByValue) {
    const ColourCase& c = GetParam();
    const ColourMerge merge = planColourMerge(c.source, c.destination, c.needed, c.inUse);
    EXPECT_EQ(translateColour(merge, c.sourceIcv), c.expected);
    EXPECT_EQ(merge.paletteChanged, c.paletteChanged);
    if (c.sourceIcv >= 8 && c.sourceIcv < 64) {
        EXPECT_EQ(*model::records::colourOf(merge.destination, c.expected),
                  *model::records::colourOf(c.source, c.sourceIcv))
            << "the colour changed";
    }
}

Palette allCustom() {
    Palette palette;
    for (std::size_t i = 0; i < palette.size(); ++i)
        palette[i] = {static_cast<std::uint8_t>(i * 4), 0x00, 0x00};
    return palette;
}

const Palette kDefault = model::records::defaultPalette();
const std::vector<bool> kNone;
const ColourCase kColourCases[] = {
    {"same_slot_same_colour", kDefault, kDefault, flags({10}), kNone, 10, 10, false},
    {"colour_held_in_another_slot", paletteWith({{40, kOrange}}), paletteWith({{45, kOrange}}),
     flags({40}), flags({45}), 40, 45, false},
    {"missing_colour_takes_a_free_slot", paletteWith({{20, kOrange}}), kDefault, flags({20}), kNone,
     20, 63, true},
    {"a_used_slot_is_not_taken", paletteWith({{20, kOrange}}), kDefault, flags({20}),
     flags({63, 62}), 20, 61, true},
    {"a_customised_slot_is_not_taken", paletteWith({{20, kOrange}}), paletteWith({{63, {1, 2, 3}}}),
     flags({20}), kNone, 20, 62, true},
    {"the_same_slot_first_among_equal_colours", paletteWith({{45, kOrange}}),
     paletteWith({{40, kOrange}, {45, kOrange}}), flags({45}), flags({40, 45}), 45, 45, false},
    {"fixed_colours_stay", allCustom(), kDefault, flags({2}), kNone, 2, 2, false},
    {"system_colours_stay", paletteWith({{20, kOrange}}), kDefault, flags({20}), kNone, 0x41, 0x41,
     true},
};
INSTANTIATE_TEST_SUITE_P(Cases, ColourMergeTest, ::testing::ValuesIn(kColourCases),
                         [](const auto& param) { return std::string(param.param.name); });

TEST(ColourMergeTest, NearestColourWhenEverySlotIsTaken) {
    const Palette destination = allCustom();  // reds 0, 4, 8, ... at slots 8 on
    const Palette source = paletteWith({{30, {0x0D, 0x01, 0x00}}});
    const ColourMerge merge = planColourMerge(source, destination, flags({30}), {});
    EXPECT_EQ(translateColour(merge, 30), 11);  // red 12 is nearest to 13
    EXPECT_FALSE(merge.paletteChanged);
    // A colour not planned is translated to the nearest one too.
    EXPECT_EQ(translateColour(merge, 9), nearestColour(destination, {0xFF, 0xFF, 0xFF}));
    // Every channel counts: greenish and bluish go to the default green and blue.
    EXPECT_EQ(nearestColour(kDefault, {0x10, 0xE0, 0x10}), 11);
    EXPECT_EQ(nearestColour(kDefault, {0x10, 0x10, 0xE0}), 12);
}

struct FontCase {
    const char* name;
    std::vector<model::records::Font> source, destination;
    std::vector<bool> needed;
    IndexMap expected;
    std::size_t added;
};

const FontCase kFontCases[] = {
    {"equal_font_reused",
     {font(u"Arial"), font(u"Calibri")},
     {font(u"Calibri"), font(u"Arial")},
     {true, true},
     {1, 0},
     0},
    {"new_font_skips_index_four",
     {font(u"A"), font(u"B"), font(u"C"), font(u"D"), font(u"E")},
     {font(u"A"), font(u"B"), font(u"C"), font(u"D")},
     {false, false, false, false, false, true},
     {U, U, U, U, U, 5},
     1},
    {"bold_differs", {font(u"Arial", 0x7FFF, 700)}, {font(u"Arial")}, {true}, {1}, 1},
    {"index_four_names_no_font",
     {font(u"A")},
     {font(u"A")},
     {false, false, false, false, true},
     {U, U, U, U, 0},
     0},
};

class FontMergeTest : public ::testing::TestWithParam<FontCase> {};

TEST_P(FontMergeTest, MapsEveryNeededFont) {
    const FontCase& c = GetParam();
    const auto source = model::tables::FontTable::read(globalsOf({.fonts = c.source}));
    const auto destination = model::tables::FontTable::read(globalsOf({.fonts = c.destination}));
    const ColourMerge colours =
        planColourMerge(model::records::defaultPalette(), model::records::defaultPalette(), {}, {});
    const FontMerge merge = planFontMerge(source, destination, c.needed, colours);
    EXPECT_EQ(merge.fonts, c.expected);
    EXPECT_EQ(merge.added.size(), c.added);
}
INSTANTIATE_TEST_SUITE_P(Cases, FontMergeTest, ::testing::ValuesIn(kFontCases),
                         [](const auto& param) { return std::string(param.param.name); });

TEST(FontMergeTest, FontColourComparedByValue) {
    const auto source = model::tables::FontTable::read(globalsOf({.fonts = {font(u"Arial", 40)}}));
    const auto destination =
        model::tables::FontTable::read(globalsOf({.fonts = {font(u"Arial", 45)}}));
    const ColourMerge colours = planColourMerge(paletteWith({{40, kOrange}}),
                                                paletteWith({{45, kOrange}}), flags({40}), {});
    EXPECT_EQ(planFontMerge(source, destination, {true}, colours).fonts, IndexMap{0});
}

struct FormatCase {
    const char* name;
    std::vector<model::records::NumberFormat> source, destination;
    std::uint16_t ifmt;
    std::uint32_t expected;
    std::size_t added;
};

const FormatCase kFormatCases[] = {
    {"built_in_kept", {}, {{164, u"0.0"}}, 14, 14, 0},
    {"same_string_other_id", {{170, u"0.000"}}, {{164, u"0.0"}, {200, u"0.000"}}, 170, 200, 0},
    {"new_string_lowest_free_id", {{164, u"#,##0.0"}}, {{164, u"0.0"}, {166, u"0"}}, 164, 165, 1},
    {"locale_format_differs", {{5, u"$#,##0"}}, {{5, u"#,##0 \u20AC"}}, 5, 164, 1},
    {"custom_id_not_stored", {}, {}, 190, 0, 0},
};

class NumberFormatMergeTest : public ::testing::TestWithParam<FormatCase> {};

TEST_P(NumberFormatMergeTest, MapsByFormatString) {
    const FormatCase& c = GetParam();
    const auto source = model::tables::NumberFormatTable::read(globalsOf({.formats = c.source}));
    const auto destination =
        model::tables::NumberFormatTable::read(globalsOf({.formats = c.destination}));
    std::vector<bool> needed(c.ifmt + 1u);
    needed[c.ifmt] = true;
    const NumberFormatMerge merge = planNumberFormatMerge(source, destination, needed);
    EXPECT_EQ(merge.ifmts[c.ifmt], c.expected);
    ASSERT_EQ(merge.added.size(), c.added);
    if (c.added) {
        EXPECT_EQ(merge.added[0].ifmt, c.expected);
    }
}
INSTANTIATE_TEST_SUITE_P(Cases, NumberFormatMergeTest, ::testing::ValuesIn(kFormatCases),
                         [](const auto& param) { return std::string(param.param.name); });

// The default colours against those of a reader written elsewhere (xlrd).
TEST(DefaultPaletteTest, MatchesAnIndependentReader) {
    FILE* pipe = popen(
        "/usr/bin/python3 -c \"import xlrd.formatting as f; "
        "print(' '.join('%02X%02X%02X' % c for c in f.excel_default_palette_b8))\" 2>/dev/null",
        "r");
    ASSERT_NE(pipe, nullptr);
    char line[1024] = {};
    const bool read = std::fgets(line, sizeof line, pipe) != nullptr;
    pclose(pipe);
    if (!read) GTEST_SKIP() << "python3-xlrd not installed";
    std::string ours;
    for (const Rgb& c : model::records::defaultPalette()) {
        char hex[8];
        std::snprintf(hex, sizeof hex, "%02X%02X%02X ", c.r, c.g, c.b);
        ours += hex;
    }
    EXPECT_EQ(ours, std::string(line).substr(0, ours.size() - 1) + " ");
}

}  // namespace
}  // namespace xls::ops::copy
