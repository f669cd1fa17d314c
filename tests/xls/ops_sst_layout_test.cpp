// The shared string table is split into Continue records only where readers
// expect it, read back whole across any split, and indexed by ExtSST.
#include <gtest/gtest.h>

#include "biff/record_reader.h"
#include "model/stream_writer.h"
#include "model/stream_writer_sst.h"

namespace xls::model {
namespace {

using Bytes = std::vector<std::uint8_t>;

SstString plain(std::size_t length, char16_t c = u'a') {
    SstString s;
    s.chars.assign(length, c);
    s.highByte = c > 0xFF;
    return s;
}

std::vector<std::span<const std::uint8_t>> spans(const std::vector<Bytes>& payloads) {
    return {payloads.begin(), payloads.end()};
}

void expectSameStrings(const std::vector<SstString>& a, const std::vector<SstString>& b) {
    ASSERT_EQ(a.size(), b.size());
    for (std::size_t i = 0; i < a.size(); ++i) {
        EXPECT_EQ(a[i].chars, b[i].chars) << "string " << i;
        EXPECT_EQ(a[i].runs, b[i].runs) << "string " << i;
        EXPECT_EQ(a[i].extRst, b[i].extRst) << "string " << i;
    }
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
    expectSameStrings(table.strings, c.strings);
    ASSERT_EQ(table.positions.size(), layout.positions.size());
    for (std::size_t i = 0; i < table.positions.size(); ++i) {
        EXPECT_EQ(table.positions[i].record, layout.positions[i].record);
        EXPECT_EQ(table.positions[i].offset, layout.positions[i].offset);
    }
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
    const std::vector<SstString> strings(3000, plain(7, u'q'));
    Bytes sst{0xB8, 0x0B, 0, 0, 0xB8, 0x0B, 0, 0};  // counts, then every string whole
    for (std::size_t i = 0; i < strings.size(); ++i) {
        const Bytes one{7, 0, 0, 'q', 'q', 'q', 'q', 'q', 'q', 'q'};
        sst.insert(sst.end(), one.begin(), one.end());
    }
    WorkbookStream w;
    w.globals.records = {{biff::RecordType::BOF, Bytes(16, 0)},
                         {biff::RecordType::SST, sst},
                         {biff::RecordType::ExtSST, {8, 0}},
                         {biff::RecordType::EOF_, {}}};
    const auto out = writeWorkbookStream(w).toVector();
    const auto headers = biff::scanRecordHeaders(out, nullptr);
    std::vector<std::span<const std::uint8_t>> payloads;
    std::vector<std::uint64_t> offsets;
    std::span<const std::uint8_t> ext;
    for (const auto& h : headers) {
        const auto body = std::span<const std::uint8_t>(out).subspan(h.bodyOffset(), h.size);
        EXPECT_LE(h.size, biff::kMaxRecordPayload);
        if (h.type == biff::RecordType::SST || h.type == biff::RecordType::Continue) {
            payloads.push_back(body);
            offsets.push_back(h.offset);
        }
        if (h.type == biff::RecordType::ExtSST) ext = body;
    }
    ASSERT_GE(payloads.size(), 4u);
    const SstTable table = readSst(payloads);
    ASSERT_EQ(table.strings.size(), 3000u);
    const Bytes expected = buildExtSst(8, table.positions, offsets);
    EXPECT_EQ(Bytes(ext.begin(), ext.end()), expected);
}

TEST(StreamWriter, CutsAnyOtherLongRecordIntoFullContinueRecords) {
    WorkbookStream w;
    w.globals.records = {{biff::RecordType::BOF, Bytes(16, 0)},
                         {biff::RecordType::ExternSheet, Bytes(2 * biff::kMaxRecordPayload, 1)},
                         {biff::RecordType::EOF_, {}}};
    std::vector<std::size_t> sizes;
    for (const auto& h : biff::scanRecordHeaders(writeWorkbookStream(w).toVector(), nullptr))
        sizes.push_back(h.size);
    EXPECT_EQ(sizes, (std::vector<std::size_t>{16, 8224, 8224, 0}));
}

}  // namespace
}  // namespace xls::model
