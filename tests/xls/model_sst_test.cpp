// The shared string table: its layout across Continue records, ExtSST, edited
// tables written in place of stored ones, and an index decoding wanted strings only.
#include <gtest/gtest.h>

#include <map>
#include <set>

#include "biff/record_reader.h"
#include "biff/record_scanner.h"
#include "biff/strings.h"
#include "io/byte_source.h"
#include "model/shared_strings.h"
#include "model/sst_index.h"
#include "model/stream_writer.h"
#include "model/stream_writer_sst.h"

namespace xls::model {
namespace {

using Bytes = std::vector<std::uint8_t>;
using biff::RecordType;

// The records written: their types and sizes, the SST and its Continue
// records (pointing into the bytes scanned), and ExtSST.
struct Written {
    std::vector<RecordType> types;
    std::vector<std::size_t> sizes;
    std::vector<std::span<const std::uint8_t>> sst;
    std::vector<std::uint64_t> sstOffsets;
    Bytes extSst;
};

Written scan(const Bytes& out) {
    Written w;
    for (const auto& h : biff::scanRecordHeaders(out, nullptr)) {
        const auto body = std::span<const std::uint8_t>(out).subspan(h.bodyOffset(), h.size);
        w.types.push_back(h.type);
        w.sizes.push_back(h.size);
        if (h.type == RecordType::SST || h.type == RecordType::Continue) {
            w.sst.push_back(body);
            w.sstOffsets.push_back(h.offset);
        }
        if (h.type == RecordType::ExtSST) w.extSst.assign(body.begin(), body.end());
    }
    return w;
}

SstString plain(std::size_t length, char16_t c = u'a') {
    SstString s;
    s.chars.assign(length, c);
    s.highByte = c > 0xFF;
    return s;
}

std::vector<std::span<const std::uint8_t>> spans(const std::vector<Bytes>& payloads) {
    return {payloads.begin(), payloads.end()};
}

std::vector<std::pair<std::size_t, std::size_t>> at(const std::vector<SstPosition>& positions) {
    std::vector<std::pair<std::size_t, std::size_t>> out;
    for (const auto& p : positions) out.emplace_back(p.record, p.offset);
    return out;
}

struct LayoutCase {
    const char* what;
    std::vector<SstString> strings;
    std::size_t records;
};

class SstLayoutTest : public ::testing::TestWithParam<LayoutCase> {};

TEST_P(SstLayoutTest, ReadsBackWhatItLaidOut) {
    const auto& c = GetParam();
    const SstLayout layout = layoutSst(42, c.strings);
    EXPECT_EQ(layout.payloads.size(), c.records);
    for (const auto& p : layout.payloads) EXPECT_LE(p.size(), biff::kMaxRecordPayload);
    const SstTable table = readSst(spans(layout.payloads));
    EXPECT_EQ(table.cstTotal, 42u);
    EXPECT_TRUE(table.strings == c.strings);
    EXPECT_EQ(at(table.positions), at(layout.positions));
}

SstString rich() {
    SstString s = plain(10, u'é');
    s.rich = true;
    s.runs = {0, 0, 5, 0, 4, 0, 6, 0};
    s.ext = true;
    s.extRst = Bytes(20, 0x11);
    return s;
}

INSTANTIATE_TEST_SUITE_P(
    Splits, SstLayoutTest,
    ::testing::Values(
        LayoutCase{"empty table", {}, 1},
        LayoutCase{"a few short strings", {plain(3), plain(0)}, 1},
        LayoutCase{"one long compressed string", {plain(20000)}, 3},
        LayoutCase{"one long UTF-16 string", {plain(9000, u'Ж')}, 3},
        // 8 bytes of counts, then a string filling the record to its last byte.
        LayoutCase{"a string starting at a record's end", {plain(8224 - 8 - 3), plain(5)}, 2},
        LayoutCase{"many strings across records", std::vector<SstString>(3000, plain(7)), 4},
        LayoutCase{"rich and extended strings", std::vector<SstString>(800, rich()), 5}));

TEST(SstRead, SkipsEmptyContinueRecordsAndTrustsBytesOverCstUnique) {
    const Bytes sst{9, 0, 0, 0, 99, 0, 0, 0, 1, 0, 0, 'x'};
    const Bytes empty;
    const Bytes cont{1, 0, 0, 'y'};
    const SstTable table = readSst({sst, empty, cont});
    ASSERT_EQ(table.strings.size(), 2u);
    EXPECT_EQ(table.positions[1].record, 2u);
}

TEST(ExtSst, OneEntryPerBucketFromWhereStringsLand) {
    const SstLayout layout = layoutSst(20, std::vector<SstString>(20, plain(3)));
    const Bytes ext = buildExtSst(8, layout.positions, {1000});
    ASSERT_EQ(ext.size(), 2u + 3 * 8);
    EXPECT_EQ(ext[0], 8);
    // First string: record at 1000, header 4, counts 8 -> ib 1012, cbOffset 12.
    EXPECT_EQ(ext[2] | ext[3] << 8, 1012);
    EXPECT_EQ(ext[6], 12);
    // Ninth string: eight strings of 6 bytes later.
    EXPECT_EQ(ext[10] | ext[11] << 8, 1012 + 48);
    EXPECT_EQ(buildExtSst(1, layout.positions, {1000}).size(), 2u + 20 * 8) << "a bucket a string";
    EXPECT_EQ(extSstBucketSize(100), 8);
    EXPECT_EQ(extSstBucketSize(5000), 40);
}

TEST(StreamWriter, SplitsAnSstThatOutgrewItsRecordAndRebuildsExtSst) {
    // An SST whose strings were merged into one payload (as an edit that adds
    // strings leaves it), 3000 strings of 7 characters: about 30 KB.
    Bytes sst{0xB8, 0x0B, 0, 0, 0xB8, 0x0B, 0, 0};  // counts, then every string whole
    for (int i = 0; i < 3000; ++i)
        sst.insert(sst.end(), {7, 0, 0, 'q', 'q', 'q', 'q', 'q', 'q', 'q'});
    WorkbookStream w;
    w.globals.records = {{RecordType::BOF, Bytes(16, 0)},
                         {RecordType::SST, sst},
                         {RecordType::ExtSST, {8, 0}},
                         {RecordType::EOF_, {}}};
    const auto out = writeWorkbookStream(w).toVector();
    const Written written = scan(out);
    for (std::size_t size : written.sizes) EXPECT_LE(size, biff::kMaxRecordPayload);
    ASSERT_GE(written.sst.size(), 4u);
    const SstTable table = readSst(written.sst);
    ASSERT_EQ(table.strings.size(), 3000u);
    EXPECT_EQ(written.extSst, buildExtSst(8, table.positions, written.sstOffsets));
}

TEST(StreamWriter, CutsAnyOtherLongRecordIntoFullContinueRecords) {
    WorkbookStream w;
    w.globals.records = {{RecordType::BOF, Bytes(16, 0)},
                         {RecordType::ExternSheet, Bytes(2 * biff::kMaxRecordPayload, 1)},
                         {RecordType::EOF_, {}}};
    EXPECT_EQ(scan(writeWorkbookStream(w).toVector()).sizes,
              (std::vector<std::size_t>{16, 8224, 8224, 0}));
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

// A record added ahead of a stored table moves every ExtSST position by as much.
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

TEST(SstIndexWants, DecodesOnlyTheWantedStringsAndKeepsEveryIndex) {
    // cstTotal 5, cstUnique 4: "ab", "c" (16-bit), "de" split by a Continue, "f".
    const Bytes sst = {5, 0, 0, 0, 4, 0, 0, 0, 2, 0, 0, 'a', 'b', 1, 0, 1, 'c', 0, 2, 0, 0, 'd'};
    const Bytes next = {1, 'e', 0, 1, 0, 0, 'f'};
    const std::vector<std::u16string> all = {u"ab", u"c", u"de", u"f"};
    const auto digestOf = [](const std::u16string& chars) {
        return biff::stringDigest(biff::XLString::fromUtf16(chars));
    };
    const std::set<std::uint64_t> wanted = {digestOf(u"c"), digestOf(u"de")};

    std::map<std::size_t, std::u16string> visited;
    const SstIndex index(
        {std::span<const std::uint8_t>(sst), std::span<const std::uint8_t>(next)},
        [&](std::size_t i, const SstString& s) { visited[i] = s.chars; },
        [&](std::uint64_t digest) { return wanted.count(digest) > 0; });

    EXPECT_EQ(visited, (std::map<std::size_t, std::u16string>{{1, u"c"}, {2, u"de"}}));
    ASSERT_EQ(index.size(), all.size());
    for (std::size_t i = 0; i < all.size(); ++i) EXPECT_EQ(index.at(i).chars, all[i]) << i;
    EXPECT_EQ(index.cstTotal(), 5U);
}

}  // namespace
}  // namespace xls::model
