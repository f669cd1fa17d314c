// An edited shared string table goes out in place of the stored one, its
// ExtSST rebuilt from where the strings land; the records around it stay.
#include <gtest/gtest.h>

#include "biff/record_reader.h"
#include "biff/record_scanner.h"
#include "io/byte_source.h"
#include "model/shared_strings.h"
#include "model/stream_writer.h"

namespace xls::model {
namespace {

using Bytes = std::vector<std::uint8_t>;
using biff::RecordType;

struct Written {
    std::vector<RecordType> types;
    std::vector<std::span<const std::uint8_t>> sst;
    std::vector<std::uint64_t> sstOffsets;
    Bytes extSst;
};

Written scan(const Bytes& out) {
    Written w;
    for (const auto& h : biff::scanRecordHeaders(out, nullptr)) {
        const auto body = std::span<const std::uint8_t>(out).subspan(h.bodyOffset(), h.size);
        w.types.push_back(h.type);
        if (h.type == RecordType::SST || h.type == RecordType::Continue) {
            w.sst.push_back(body);
            w.sstOffsets.push_back(h.offset);
        }
        if (h.type == RecordType::ExtSST) w.extSst.assign(body.begin(), body.end());
    }
    return w;
}

// BIFF8 (0x0600) workbook globals (0x0005).
const Bytes kBof{0x00, 0x06, 0x05, 0x00, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};

class EditedSstTest : public ::testing::TestWithParam<bool> {};

TEST_P(EditedSstTest, ReplacesTheStoredTable) {
    // cstTotal 1, cstUnique 1, "ab"; then its Continue holding a second string "c".
    const Bytes sst{1, 0, 0, 0, 1, 0, 0, 0, 2, 0, 0, 'a', 'b'};
    const Bytes cont{1, 0, 0, 'c'};
    WorkbookStream w;
    w.globals.records = {{RecordType::BOF, kBof},
                         {RecordType::SST, sst},
                         {RecordType::Continue, cont},
                         {RecordType::ExtSST, {8, 0}},
                         {RecordType::EOF_, {}}};
    if (GetParam()) {
        // The table left stored: a stand-in over the SST and its Continue.
        auto whole = serializeWorkbookStream(w);
        w = parseWorkbookStream(std::make_shared<io::MemorySource>(std::move(whole)));
        ASSERT_TRUE(w.globals.records[1].isStoredRun());
    }
    SstTable table = readSharedStrings(w);
    ASSERT_EQ(table.strings.size(), 2u);
    EXPECT_EQ(table.strings[1].utf8(), "c");
    table.strings.push_back(biff::XLString::fromUtf8("\xD0\x96"));
    w.editedSst = table;

    const Bytes out = writeWorkbookStream(w).toVector();
    const Written written = scan(out);
    EXPECT_EQ(written.types, (std::vector{RecordType::BOF, RecordType::SST, RecordType::ExtSST,
                                          RecordType::EOF_}));
    const SstTable back = readSst(written.sst);
    ASSERT_EQ(back.strings.size(), 3u);
    EXPECT_EQ(back.strings[0].utf8(), "ab");
    EXPECT_EQ(back.strings[2].utf8(), "\xD0\x96");
    EXPECT_EQ(back.cstUnique, 3u);
    EXPECT_EQ(written.extSst, buildExtSst(8, back.positions, written.sstOffsets));
}

INSTANTIATE_TEST_SUITE_P(HeldOrStored, EditedSstTest, ::testing::Bool());

// A record added ahead of a table left as stored moves the table: every ExtSST
// entry's stream position moves by as much, the rest of the record as stored.
TEST(StoredSst, ExtSstFollowsTheTableItIndexes) {
    WorkbookStream w;
    w.globals.records = {
        {RecordType::BOF, kBof}, {RecordType::ExtSST, {8, 0}}, {RecordType::EOF_, {}}};
    SstTable table;
    for (int i = 0; i < 20; ++i)
        table.strings.push_back(biff::XLString::fromUtf8(std::to_string(i)));
    w.globals.records.insert(w.globals.records.begin() + 1, {RecordType::SST, Bytes(8, 0)});
    w.editedSst = table;
    const Bytes stored = writeWorkbookStream(w).toVector();
    const Bytes before = scan(stored).extSst;
    ASSERT_EQ(before.size(), 2u + 3 * 8);

    WorkbookStream loaded =
        parseWorkbookStream(std::make_shared<io::MemorySource>(std::vector(stored)));
    ASSERT_TRUE(loaded.globals.records[1].isStoredRun());
    loaded.globals.records.insert(loaded.globals.records.begin() + 1,
                                  {RecordType::CodePage, {0xE4, 0x04}});
    const auto hints = readWriteHints(std::make_shared<io::MemorySource>(std::vector(stored)));
    const Written after = scan(writeWorkbookStream(loaded, hints).toVector());
    ASSERT_EQ(after.extSst.size(), before.size());
    EXPECT_EQ(after.extSst[0], 8);
    for (std::size_t at = 2; at < before.size(); at += 8) {
        const auto ib = [&](const Bytes& ext) {
            return ext[at] | ext[at + 1] << 8 | ext[at + 2] << 16 | ext[at + 3] << 24;
        };
        EXPECT_EQ(ib(after.extSst), ib(before) + 6) << "entry at " << at;
        EXPECT_TRUE(std::equal(before.begin() + at + 4, before.begin() + at + 8,
                               after.extSst.begin() + at + 4));
    }
    EXPECT_EQ(after.sstOffsets.front() + 4 + 8,
              static_cast<std::uint64_t>(after.extSst[2] | after.extSst[3] << 8));
}

}  // namespace
}  // namespace xls::model
