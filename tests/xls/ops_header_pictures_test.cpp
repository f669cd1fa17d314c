// Header and footer pictures in the records, and the cell a text object's
// text is linked to, re-pointed by a copy like other formulas.
#include <gtest/gtest.h>

#include <numeric>
#include <optional>
#include <vector>

#include "ops/copy/copy_header_pictures.h"
#include "ops/copy/repoint_formulas.h"
#include "ops/formula_fields.h"
#include "ops/header_pictures.h"
#include "support/error_code_of.h"

namespace xls::ops {
namespace {

using biff::RecordType;
using Bytes = std::vector<std::uint8_t>;

// An HFPicture with the given flags and OfficeArt bytes.
model::Record hfPicture(std::uint8_t flags, Bytes art) {
    Bytes payload{0x66, 0x08, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, flags, 0};
    payload.insert(payload.end(), art.begin(), art.end());
    return {RecordType::HFPicture, payload};
}

model::Record plain(RecordType type) {
    return {type, {}};
}

TEST(HeaderPictures, FindsTheRunOfTheGroupOrOfTheSheetsDrawing) {
    const std::vector<model::Record> records{
        plain(RecordType::BOF),     hfPicture(0x02, {1}),  // 1: the group
        hfPicture(0x06, {}),                               // 2: continues it, empty
        plain(RecordType::BOF),                            // an embedded chart ...
        hfPicture(0x01, {9}),                              // ... its own drawing is not the sheet's
        plain(RecordType::EOF_),    hfPicture(0x01, {3}),  // 6: a drawing
        hfPicture(0x05, {4, 5}),                           // 7: continues it
        plain(RecordType::Window2), hfPicture(0x05, {8}),  // a continuation after another record
        hfPicture(0x01, {7}),                              // a second drawing is left alone
    };
    EXPECT_EQ(headerPictureRecords(records, true), (std::vector<std::size_t>{1, 2}));
    const auto drawing = headerPictureRecords(records, false);
    EXPECT_EQ(drawing, (std::vector<std::size_t>{6, 7}));
    EXPECT_EQ(joinedHeaderPictures(records, drawing), (Bytes{3, 4, 5}));

    std::vector<model::Record> edited = records;
    spreadHeaderPictures(edited, drawing, Bytes{6, 7, 8});
    EXPECT_EQ(edited[6].payload, hfPicture(0x01, {6}).payload);
    EXPECT_EQ(edited[7].payload, hfPicture(0x05, {7, 8}).payload);
}

// Pictures outside the sheet's own drawing refuse the copy.
TEST(HeaderPictures, CopyRefusesPicturesOutsideTheSheetsDrawing) {
    const model::Substream globals;
    const struct {
        const char* name;
        std::vector<model::Record> sheet;
        std::optional<ErrorCode> refusal;
    } cases[] = {
        {"none", {plain(RecordType::BOF), plain(RecordType::EOF_)}, std::nullopt},
        {"an embedded chart's",
         {plain(RecordType::BOF), plain(RecordType::BOF), hfPicture(0x01, {}),
          plain(RecordType::EOF_), plain(RecordType::EOF_)},
         ErrorCode::CopyUnsupported},
        {"a second drawing",
         {plain(RecordType::BOF), hfPicture(0x01, {}), plain(RecordType::Window2),
          hfPicture(0x01, {}), plain(RecordType::EOF_)},
         ErrorCode::CopyUnsupported},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(tarnvale::testing::raisedCode(
                      [&] { copy::planHeaderPictureCopy(globals, c.sheet, globals, false); }),
                  c.refusal)
            << c.name;
    }
}

// The group cut into records marked as continuing it; a new one ahead of MsoDrawingGroup.
TEST(HeaderPictures, WritesTheGroupCutIntoRecords) {
    Bytes container(20000);
    std::iota(container.begin(), container.end(), std::uint8_t{0});
    const struct {
        const char* name;
        std::vector<model::Record> globals;
        std::size_t at;    // where the group's records go
        std::size_t kept;  // records of the globals left besides them
    } cases[] = {
        {"replacing one",
         {plain(RecordType::BOF), hfPicture(0x02, {1}), hfPicture(0x06, {2}),
          plain(RecordType::MsoDrawingGroup), plain(RecordType::EOF_)},
         1,
         3},
        {"new, ahead of the drawing group",
         {plain(RecordType::BOF), plain(RecordType::Country), plain(RecordType::MsoDrawingGroup),
          plain(RecordType::SST), plain(RecordType::EOF_)},
         2,
         5},
        {"new, ahead of the shared strings",
         {plain(RecordType::BOF), plain(RecordType::SST), plain(RecordType::EOF_)},
         1,
         3},
    };
    for (const auto& c : cases) {
        model::Substream globals;
        globals.records = c.globals;
        replaceHeaderPictureGroup(globals, container);
        const auto run = headerPictureRecords(globals.records, true);
        EXPECT_EQ(run, (std::vector<std::size_t>{c.at, c.at + 1, c.at + 2})) << c.name;
        EXPECT_EQ(joinedHeaderPictures(globals.records, run), container) << c.name;
        for (std::size_t i : run) {
            const auto& payload = globals.records[i].payload;
            EXPECT_LE(payload.size(), 8224u) << c.name;
            EXPECT_EQ(Bytes(payload.begin(), payload.begin() + 14),
                      hfPicture(i == c.at ? 0x02 : 0x06, {}).payload)
                << c.name;
        }
        EXPECT_EQ(globals.records.size(), c.kept + 3) << c.name;
    }
}

// A TxO: flags, rot, controlInfo, cchText, cbRuns, ifntEmpty, then the ObjFmla.
model::Record txo(Bytes fmla) {
    Bytes payload(16, 0);
    payload.insert(payload.end(), fmla.begin(), fmla.end());
    return {RecordType::TxO, payload};
}

// The link re-pointed in place; a TxO without a link that fits has no formula.
TEST(TextObjectLink, IsRepointedLikeOtherFormulas) {
    // cbFmla 14: cce 7, four unused bytes, PtgRef3d (ixti 1, row 2, column 3), padding.
    const Bytes linked{14, 0, 7, 0, 0, 0, 0, 0, 0x3A, 1, 0, 2, 0, 3, 0, 0};
    std::vector<model::Record> sheet{txo(linked), {RecordType::Continue, {0, 'a', 'b'}}};
    const IndexMap xtis{0, 5};
    FormulaMaps maps;
    maps.xtis = &xtis;
    EXPECT_EQ(repointFormulas(sheet, maps), 1u);
    EXPECT_EQ(sheet[0].payload[16 + 9], 5) << "the link's ixti";
    EXPECT_EQ(sheet[1].payload, (Bytes{0, 'a', 'b'})) << "the text";

    const Bytes unlinked[] = {{0, 0}, {12, 0, 9, 0, 0, 0, 0, 0, 0x3A, 1, 0}, {}};
    for (const Bytes& fmla : unlinked)
        EXPECT_TRUE(formulaFields(RecordType::TxO, txo(fmla).payload).empty()) << fmla.size();
}

}  // namespace
}  // namespace xls::ops
