// The record reader: headers without bodies, bodies decoded with their own
// headers, damaged streams refused.
#include <gtest/gtest.h>

#include "biff/record_reader.h"
#include "io/byte_source.h"
#include "support/counting_source.h"
#include "support/error_code_of.h"
#include "support/workbook_builder.h"
#include "xls/error.h"

namespace xls::biff {
namespace {

using tarnvale::testing::Bytes;
using tarnvale::testing::CountingSource;
using tarnvale::testing::join;
using tarnvale::testing::record;

std::shared_ptr<CountingSource> sourceOf(Bytes bytes) {
    return std::make_shared<tarnvale::testing::CountingSource>(std::move(bytes));
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
TEST(RecordReader, GivesHeaderPositionsAndBodies) {
    RecordReader reader(
        sourceOf(join({record(0x0042, Bytes{0xE4, 0x04}), record(0x000A), Bytes{0, 0, 0}})));
    auto codePage = reader.next();
    ASSERT_TRUE(codePage);
    EXPECT_EQ(reader.readBody(*codePage), (Bytes{0xE4, 0x04}));
    EXPECT_EQ(reader.next().value_or(RecordHeader{}).offset, 6u);
    EXPECT_FALSE(reader.next());
    EXPECT_EQ(reader.position(), 10u);
}

// A body past the end of the stream, or a seek beyond it, is corrupt.
TEST(RecordReader, ReachingPastTheStreamIsCorrupt) {
    Bytes bytes = record(0x00FC, Bytes(10, 0));
    bytes.resize(bytes.size() - 1);
    RecordReader cut(sourceOf(bytes));
    EXPECT_EQ(tarnvale::testing::errorCodeOf([&] { cut.next(); }), ErrorCode::CorruptWorkbook);
    RecordReader reader(sourceOf(record(0x000A)));
    EXPECT_NO_THROW(reader.seek(4));
    EXPECT_THROW(reader.seek(5), Error);
}

// Adds the header's offset to every byte, so a body decoded with the wrong
// header, twice, or not at all comes out different.
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

}  // namespace
}  // namespace xls::biff
