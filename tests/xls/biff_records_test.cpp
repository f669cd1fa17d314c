// Records and formulas: the record reader, record codecs whose faults the edits
// would not show, and the formula walker and rewriter.
#include <gtest/gtest.h>

#include <vector>

#include "biff/formula_rewrite.h"
#include "biff/formula_tokens.h"
#include "biff/record_reader.h"
#include "io/byte_source.h"
#include "model/records/bound_sheet.h"
#include "model/records/xf.h"
#include "support/counting_source.h"
#include "support/error_code_of.h"
#include "support/workbook_builder.h"
#include "xls/error.h"

namespace xls {
namespace {

using namespace biff;
using namespace model::records;
using model::BiffVersion;
using tarnvale::testing::Bytes;
using tarnvale::testing::CountingSource;
using tarnvale::testing::errorCodeOf;
using tarnvale::testing::join;
using tarnvale::testing::raisedCode;
using tarnvale::testing::record;

std::shared_ptr<CountingSource> sourceOf(Bytes bytes) {
    return std::make_shared<CountingSource>(std::move(bytes));
}

TEST(RecordReader, StepsOverBodiesWithoutReadingThem) {
    Bytes big(8000, 0xAB);
    auto source =
        sourceOf(join({record(0x0809, Bytes(16, 0)), record(0x00FC, big), record(0x000A)}));
    RecordReader reader(source);
    std::vector<RecordType> types;
    while (auto header = reader.next()) types.push_back(header->type);
    EXPECT_EQ(types, (std::vector{RecordType::BOF, RecordType::SST, RecordType::EOF_}));
    EXPECT_EQ(source->bytesRead, 12u);  // three headers, no body
}

// Bytes too few for a header end the records.
TEST(RecordReader, GivesHeaderPositionsAndBodiesUpToTheStreamsEnd) {
    RecordReader reader(
        sourceOf(join({record(0x0042, Bytes{0xE4, 0x04}), record(0x000A), Bytes{0, 0, 0}})));
    auto codePage = reader.next();
    ASSERT_TRUE(codePage);
    EXPECT_EQ(reader.readBody(*codePage), (Bytes{0xE4, 0x04}));
    EXPECT_EQ(reader.next().value_or(RecordHeader{}).offset, 6u);
    EXPECT_FALSE(reader.next());
    EXPECT_EQ(reader.position(), 10u);
    // A body past the end of the stream, or a seek beyond it, is corrupt.
    Bytes bytes = record(0x00FC, Bytes(10, 0));
    bytes.resize(bytes.size() - 1);
    RecordReader cut(sourceOf(bytes));
    EXPECT_EQ(errorCodeOf([&] { cut.next(); }), ErrorCode::CorruptWorkbook);
    RecordReader one(sourceOf(record(0x000A)));
    EXPECT_NO_THROW(one.seek(4));
    EXPECT_THROW(one.seek(5), Error);
}

// Adds the header's offset to every byte: a wrong header, or none, shows.
class OffsetDecoder final : public BodyDecoder {
  public:
    void decode(const RecordHeader& header, std::span<std::uint8_t> body) const override {
        for (auto& b : body) b = static_cast<std::uint8_t>(b + header.offset);
    }
};

TEST(RecordReader, DecodesEachBodyWithItsOwnHeaderOnceADecoderIsSet) {
    RecordReader reader(sourceOf(join({record(0x0809, Bytes{0x10}), record(0x0042, Bytes{0x10}),
                                       record(0x00FC, Bytes{1}), record(0x003C, Bytes{2})})));
    EXPECT_EQ(reader.readBody(*reader.next()), (Bytes{0x10}));
    reader.setDecoder(std::make_shared<OffsetDecoder>());
    EXPECT_EQ(reader.readBody(*reader.next()), (Bytes{0x10 + 5}));
    // A Continue record's payload is decoded with its own header, not the first one's.
    EXPECT_EQ(reader.readBody(*reader.next()), (Bytes{1 + 10}));
    EXPECT_EQ(reader.readBody(*reader.next()), (Bytes{2 + 15}));
}

TEST(ScanRecordHeaders, StopsBeforeARecordCutShort) {
    Bytes bytes = join({record(0x0809, Bytes(4, 0)), record(0x000A), record(0x00FC, Bytes(8, 0))});
    bytes.resize(bytes.size() - 2);
    std::uint64_t tail = 0;
    auto headers = scanRecordHeaders(bytes, &tail);
    ASSERT_EQ(headers.size(), 2u);
    EXPECT_EQ(tail, 12u);
}

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
    EXPECT_EQ(errorCodeOf([] {
                  readBoundSheet8(Bytes{1, 0, 0, 0, 0}, BiffVersion::Biff8, 0);
              }),
              ErrorCode::CorruptWorkbook);
}

// A style XF made a cell XF keeps protection; every attribute group counts as its own.
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

// Tokens the corpus hardly holds (the sweeps size the common ones).
TEST(FormulaTokens, SizesRareTokens) {
    const std::pair<Bytes, std::vector<std::size_t>> cases[] = {
        // A memory area guards its subexpression.
        {{0x26, 0, 0, 0, 0, 7, 0, 0x3A, 0, 0, 1, 0, 1, 0, 0x29, 1, 0, 0x15}, {7, 7, 3, 1}},
        // Natural-language and pivot names.
        {{0x18, 0x01, 0, 0, 0, 0, 0x18, 0x1D, 1, 0, 0, 0}, {6, 6}}};
    for (const auto& [rgce, expected] : cases) {
        std::vector<std::size_t> sizes;
        for (const auto& t : walkFormulaTokens(rgce)) sizes.push_back(t.size);
        EXPECT_EQ(sizes, expected);
    }
}

class MalformedFormulaTest : public ::testing::TestWithParam<Bytes> {};

TEST_P(MalformedFormulaTest, IsRefusedWithoutChange) {
    Bytes rgce = GetParam();
    const Bytes before = rgce;
    EXPECT_EQ(raisedCode([&] { walkFormulaTokens(rgce); }), ErrorCode::CorruptWorkbook);
    FormulaEdits edits;
    edits.ixti = [](std::uint16_t) { return std::optional<std::uint16_t>(9); };
    EXPECT_THROW(rewriteFormula(rgce, edits), Error);
    EXPECT_EQ(rgce, before);
}

INSTANTIATE_TEST_SUITE_P(Malformed, MalformedFormulaTest,
                         ::testing::Values(Bytes{0x00}, Bytes{0x1A}, Bytes{0x2E, 0, 0, 0, 0},
                                           Bytes{0x80}, Bytes{0x3A, 0, 0, 1},
                                           Bytes{0x3A, 1, 0, 0, 0, 0, 0, 0x24, 0},
                                           Bytes{0x17, 0x05, 0x00, 'a'}, Bytes{0x17}, Bytes{0x19},
                                           Bytes{0x19, 0x03, 0x15, 0x15},
                                           Bytes{0x19, 0x04, 0xFF, 0xFF, 0, 0},
                                           Bytes{0x18, 0x05, 0, 0, 0, 0}));

TEST(FormulaRewrite, RenumbersIxtiOfEveryThreeDimensionalToken) {
    // Sheet2!A1 + SUM(Sheet3!A1:B2) + #REF!3d + NameX
    Bytes rgce{0x3A, 1,    0, 0, 0, 0, 0, 0x3B, 2,    0, 0, 0, 1, 0, 0, 0,   1,
               0,    0x3C, 1, 0, 0, 0, 0, 0,    0x39, 1, 0, 5, 0, 0, 0, 0x03};
    FormulaEdits edits;
    edits.ixti = [](std::uint16_t ixti) {
        return ixti == 1 ? std::optional<std::uint16_t>(4) : std::nullopt;
    };
    EXPECT_TRUE(rewriteFormula(rgce, edits));
    EXPECT_EQ(rgce[1], 4);
    EXPECT_EQ(rgce[8], 2);   // ixti 2 left alone
    EXPECT_EQ(rgce[19], 4);  // PtgRefErr3d
    EXPECT_EQ(rgce[26], 4);  // PtgNameX
    EXPECT_EQ(rgce[28], 5);  // its name index untouched
    EXPECT_FALSE(rewriteFormula(rgce, edits)) << "nothing left to change";
}

TEST(FormulaRewrite, RenumbersAndRemovesNames) {
    // Name #2 + Name #3 (value class) + NameX(ixti 0, name #3) + Name #7
    Bytes rgce{0x23, 2, 0, 0, 0, 0x43, 3, 0, 0, 0, 0x59, 0, 0, 3, 0, 0, 0, 0x23, 7, 0, 0, 0};
    FormulaEdits edits;
    edits.name = [](std::uint32_t index) -> std::optional<std::uint32_t> {
        if (index == 3) return 0;  // removed
        if (index > 3) return index - 1;
        return std::nullopt;
    };
    edits.nameX = [&](std::uint16_t, std::uint32_t index) { return edits.name(index); };
    EXPECT_TRUE(rewriteFormula(rgce, edits));
    const Bytes expected{0x23, 2, 0, 0, 0, 0x4A, 0,    0, 0, 0, 0x5C,
                         0,    0, 0, 0, 0, 0,    0x23, 6, 0, 0, 0};
    EXPECT_EQ(rgce, expected);
    EXPECT_EQ(walkFormulaTokens(rgce).size(), 4u) << "still four tokens of the same sizes";
}

}  // namespace
}  // namespace xls
