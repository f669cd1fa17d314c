// Merging a copied sheet's shared strings: equal strings (characters, runs after
// their fonts are mapped, phonetic data) are reused, the others appended as
// stored; the destination's table comes out whole, with its counts and an
// ExtSST index the writer rebuilds, whether the table was held or stored.
#include <gtest/gtest.h>

#include "biff/record_reader.h"
#include "io/byte_reader.h"
#include "model/shared_strings.h"
#include "model/stream_writer.h"
#include "ops/copy/merge_shared_strings.h"
#include "ops/copy/shared_string_table.h"
#include "support/workbook_builder.h"
#include "xls/error.h"

namespace xls::ops {
namespace {

using biff::RecordType;
using Bytes = std::vector<std::uint8_t>;
using model::SstString;
namespace tt = tarnvale::testing;

// A string with runs (ich 0, font) and phonetic data (Phs.ifnt font, ph).
SstString str(std::u16string chars, int runFont = -1, int phoneticFont = -1, std::uint8_t ph = 0) {
    SstString s;
    s.chars = std::move(chars);
    if (runFont >= 0) {
        s.rich = true;
        s.runs = {0, 0, static_cast<std::uint8_t>(runFont), 0};
    }
    if (phoneticFont >= 0) {
        s.ext = true;
        s.extRst = {1, 0, 4, 0, static_cast<std::uint8_t>(phoneticFont), 0, ph, 0};
    }
    return s;
}

Bytes sstRecords(std::uint32_t cstTotal, const std::vector<SstString>& strings) {
    Bytes out;
    const auto layout = model::layoutSst(cstTotal, strings);
    for (std::size_t i = 0; i < layout.payloads.size(); ++i)
        out = tt::join({out, tt::record(i == 0 ? 0x00FC : tt::kContinueId, layout.payloads[i])});
    return tt::join({out, tt::record(0x00FF, tt::u16Payload(8))});
}

model::WorkbookStream workbook(const Bytes& globalsAfter, bool stored) {
    const Bytes bytes =
        tt::WorkbookStreamBuilder().globalsAfter(globalsAfter).sheet({u"S"}).build();
    if (!stored) return model::parseWorkbookStream(bytes);
    return model::parseWorkbookStream(std::make_shared<io::MemorySource>(bytes));
}

const std::vector<SstString> kDestination{str(u"alpha"), str(u"bold", 5), str(u"kana", -1, 5, 1)};

std::vector<SstString> sourceStrings() {
    SstString wideAlpha = str(u"alpha");
    wideAlpha.highByte = true;  // stored as UTF-16: still the same string
    return {wideAlpha,      str(u"bold", 6), str(u"new", 7),  str(u"kana", -1, 6, 1),
            str(u"unused"), str(u"new", 7),  str(u"bold", 5), str(u"kana", -1, 6, 2)};
}

using StringKey = std::tuple<std::u16string, Bytes, Bytes, bool>;
std::vector<StringKey> keys(const std::vector<SstString>& strings) {
    std::vector<StringKey> out;
    for (const auto& s : strings) out.emplace_back(s.chars, s.runs, s.extRst, s.highByte);
    return out;
}

// Plans and applies the merge of the strings usage names; returns the
// destination's stream as the writer lays it out.
Bytes merge(model::WorkbookStream& destination, const model::WorkbookStream& source,
            const SheetUsage& usage, model::EditState& state, const IndexMap* fonts = nullptr,
            SharedStringsPlan* plan = nullptr) {
    SharedStringsPlan planned =
        planSharedStrings(model::indexSharedStrings(source), usage, destination, fonts);
    applySharedStrings(destination, planned, state);
    if (plan) *plan = planned;
    return model::writeWorkbookStream(destination, model::WriteHints{std::nullopt, state.sstEdited})
        .toVector();
}

struct MergeCase {
    const char* what;
    std::optional<IndexMap> fonts;
    IndexMap map;
    std::vector<SstString> appended;
};

void PrintTo(const MergeCase& c, std::ostream* os) {
    *os << c.what;
}

class MergeTest : public ::testing::TestWithParam<std::tuple<MergeCase, bool>> {};

constexpr std::uint32_t kNot = kStringNotCopied;

TEST_P(MergeTest, ReusesEqualStringsAndAppendsTheRest) {
    const auto& [c, stored] = GetParam();
    const auto source = workbook(sstRecords(3, sourceStrings()), stored);
    auto destination = workbook(sstRecords(10, kDestination), stored);
    SheetUsage usage;
    usage.sharedStrings = {0, 1, 2, 3, 5, 6, 7};
    usage.sharedStringCells = 9;

    model::EditState state;
    SharedStringsPlan plan;
    const Bytes written =
        merge(destination, source, usage, state, c.fonts ? &*c.fonts : nullptr, &plan);
    EXPECT_EQ(plan.map, c.map);
    EXPECT_EQ(plan.added, c.appended.size());
    EXPECT_TRUE(state.sstEdited);
    std::vector<SstString> merged = kDestination;
    merged.insert(merged.end(), c.appended.begin(), c.appended.end());
    // The table the writer lays out reads back whole, its ExtSST rebuilt from
    // where the strings landed.
    const model::SstTable table = model::readSharedStrings(model::parseWorkbookStream(written));
    EXPECT_EQ(table.cstTotal, 19u);
    EXPECT_EQ(keys(table.strings), keys(merged));
    std::uint64_t sstAt = 0;
    for (const auto& h : biff::scanRecordHeaders(written, nullptr)) {
        if (h.type == RecordType::SST) sstAt = h.offset;
        if (h.type != RecordType::ExtSST) continue;
        io::ByteReader ext(std::span<const std::uint8_t>(written).subspan(
            static_cast<std::size_t>(h.bodyOffset()), 6));
        ext.skip(2);
        EXPECT_EQ(ext.u32(), sstAt + 4 + 8);  // the first string, after cstTotal and cstUnique
    }
}

INSTANTIATE_TEST_SUITE_P(
    Strings, MergeTest,
    ::testing::Combine(
        ::testing::Values(
            MergeCase{"fonts mapped: source fonts 5 and 6 are the destination's 5, 7 its 9",
                      IndexMap{0, 1, 2, 3, 4, 5, 5, 9},
                      {0, 1, 3, 2, kNot, 3, 1, 4},
                      {str(u"new", 9), str(u"kana", -1, 5, 2)}},
            MergeCase{
                "inside one workbook: fonts kept",
                std::nullopt,
                {0, 3, 4, 5, kNot, 4, 1, 6},
                {str(u"bold", 6), str(u"new", 7), str(u"kana", -1, 6, 1), str(u"kana", -1, 6, 2)}}),
        ::testing::Bool()));

// A workbook without a table gets one, with an ExtSST; one grown from a few
// strings to many gets ExtSST buckets large enough for the index to fit its
// record; a sheet without strings leaves the table alone, one whose strings
// are all there raises cstTotal only.
TEST(MergeSharedStrings, TablesMadeGrownOrLeft) {
    std::vector<SstString> many;
    for (int i = 0; i < 20000; ++i) {
        const std::string digits = std::to_string(i);
        many.push_back(str({digits.begin(), digits.end()}));
    }
    const auto source = workbook(sstRecords(1, many), false);
    SheetUsage two, all;
    two.sharedStrings = {1, 2};
    two.sharedStringCells = 3;
    for (std::uint32_t i = 0; i < many.size(); ++i) all.sharedStrings.insert(i);

    model::EditState state;
    auto bare = workbook({}, true);
    merge(bare, source, two, state);
    const auto& records = bare.globals.records;
    EXPECT_EQ(records.end()[-3].type, RecordType::SST);
    EXPECT_EQ(records.end()[-2].type, RecordType::ExtSST);
    EXPECT_EQ(model::readSharedStrings(bare).cstTotal, 3u);
    EXPECT_EQ(keys(model::readSharedStrings(bare).strings), keys({many[1], many[2]}));

    auto small = workbook(sstRecords(1, {str(u"x")}), false);
    for (const auto& h : biff::scanRecordHeaders(merge(small, source, all, state), nullptr)) {
        if (h.type != RecordType::ExtSST) continue;
        EXPECT_LE(h.size, 2u + 8u * 128u);  // 128 buckets at most
    }

    model::EditState untouched;
    const auto before = small.globals.records;
    merge(small, small, {}, untouched);
    EXPECT_EQ(small.globals.records, before);
    EXPECT_FALSE(untouched.sstEdited);
    // Inside one workbook every string is there already: only cstTotal grows.
    SheetUsage x;
    x.sharedStrings = {0};
    x.sharedStringCells = 2;
    const auto strings = model::readSharedStrings(small);
    merge(small, small, x, untouched);
    EXPECT_EQ(model::readSharedStrings(small).cstTotal, strings.cstTotal + 2);
    EXPECT_EQ(keys(model::readSharedStrings(small).strings), keys(strings.strings));
}

// The destination's table grows at its end: its records stay as stored (the
// SST's counts aside), the last one filled before Continue records are added,
// whether it was held or stored.
TEST(MergeSharedStrings, AppendsBehindTheStoredRecords) {
    std::vector<SstString> mine, theirs;
    for (int i = 0; i < 3000; ++i) {
        const std::string digits = std::to_string(i);
        mine.push_back(str(u"mine " + std::u16string(digits.begin(), digits.end())));
        theirs.push_back(str(u"theirs " + std::u16string(digits.begin(), digits.end())));
    }
    SheetUsage usage;
    for (std::uint32_t i = 0; i < theirs.size(); ++i) usage.sharedStrings.insert(i);
    usage.sharedStringCells = 3000;
    const auto payloadsOf = [](const Bytes& stream) {
        std::vector<Bytes> payloads;
        for (const auto& h : biff::scanRecordHeaders(stream, nullptr))
            if (h.type == RecordType::SST || h.type == RecordType::Continue)
                payloads.emplace_back(stream.begin() + static_cast<std::ptrdiff_t>(h.bodyOffset()),
                                      stream.begin() + static_cast<std::ptrdiff_t>(h.end()));
        return payloads;
    };
    const auto before = payloadsOf(sstRecords(7, mine));
    ASSERT_GT(before.size(), 2u);
    for (const bool stored : {false, true}) {
        SCOPED_TRACE(stored ? "stored" : "held");
        auto destination = workbook(sstRecords(7, mine), stored);
        model::EditState state;
        const Bytes written =
            merge(destination, workbook(sstRecords(1, theirs), stored), usage, state);
        const auto after = payloadsOf(written);
        ASSERT_GT(after.size(), before.size());
        EXPECT_TRUE(std::equal(before[0].begin() + 8, before[0].end(), after[0].begin() + 8));
        for (std::size_t i = 1; i + 1 < before.size(); ++i) EXPECT_EQ(after[i], before[i]);
        EXPECT_TRUE(std::equal(before.back().begin(), before.back().end(),
                               after[before.size() - 1].begin()));
        EXPECT_GT(after[before.size() - 1].size(), before.back().size());
        const model::SstTable table = model::readSharedStrings(model::parseWorkbookStream(written));
        std::vector<SstString> all = mine;
        all.insert(all.end(), theirs.begin(), theirs.end());
        EXPECT_EQ(keys(table.strings), keys(all));
        EXPECT_EQ(table.cstTotal, 3007u);
        EXPECT_EQ(table.cstUnique, 6000u);
    }
}

TEST(MergeSharedStrings, RefusesStringsAndFontsTheSourceLacks) {
    const auto source = workbook(sstRecords(3, sourceStrings()), true);
    const auto destination = workbook(sstRecords(10, kDestination), true);
    SheetUsage beyond;
    beyond.sharedStrings = {8};
    SheetUsage rich;
    rich.sharedStrings = {2};
    const IndexMap fewFonts{0, 1, 2};
    for (const auto& [usage, fonts] :
         {std::pair{beyond, (const IndexMap*)nullptr}, std::pair{rich, &fewFonts}}) {
        try {
            planSharedStrings(model::indexSharedStrings(source), usage, destination, fonts);
            ADD_FAILURE() << "accepted";
        } catch (const Error& e) {
            EXPECT_EQ(e.code(), ErrorCode::CorruptWorkbook);
        }
    }
}

}  // namespace
}  // namespace xls::ops
