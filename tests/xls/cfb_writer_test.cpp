// Rewriting compound files: what stays, what is replaced or added, and what
// olefile, an independent reader, finds in the result.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <stdexcept>
#include <tuple>

#include "cfb/compound_file.h"
#include "cfb/compound_file_writer.h"
#include "cfb/entry_name.h"
#include "io/byte_rope.h"
#include "io/byte_source.h"
#include "support/cfb_test_file.h"
#include "support/corpus_manifest.h"
#include "support/file_bytes.h"
#include "support/temp_folder.h"
#include "xls/error.h"

namespace xls::cfb {
namespace {

using namespace tarnvale::testing;
using testing::buildTestCompoundFile;
using testing::openInMemory;
using testing::patternBytes;

// Everything a rewrite must keep, by path from the entry given (the root by default).
struct EntrySnapshot {
    EntryType type;
    std::array<std::uint8_t, 16> clsid;
    std::uint32_t stateBits;
    std::uint64_t created, modified;
    std::vector<std::uint8_t> bytes;
    bool operator==(const EntrySnapshot&) const = default;
};

std::map<std::u16string, EntrySnapshot> snapshot(const CompoundFile& file, std::uint32_t top = 0) {
    std::map<std::u16string, EntrySnapshot> result;
    std::vector<std::pair<std::uint32_t, std::u16string>> pending{{top, u""}};
    while (!pending.empty()) {
        const auto [id, path] = pending.back();
        pending.pop_back();
        const DirectoryEntry& entry = file.entries()[id];
        EntrySnapshot shot{entry.type,    entry.clsid,    entry.stateBits,
                           entry.created, entry.modified, {}};
        if (entry.type == EntryType::Stream) shot.bytes = file.readStream(id);
        result[path] = std::move(shot);
        for (std::uint32_t child : file.children(id))
            pending.push_back({child, path + u"/" + file.entries()[child].name});
    }
    return result;
}

// Every storage's children are linked in compound-file order.
void expectSortedTrees(const CompoundFile& file) {
    for (std::uint32_t id = 0; id < file.entries().size(); ++id) {
        const auto children = file.children(id);
        for (std::size_t i = 1; i < children.size(); ++i) {
            EXPECT_LT(compareNames(file.entries()[children[i - 1]].name,
                                   file.entries()[children[i]].name),
                      0);
        }
    }
}

// The stream's own bytes as a rope: source ranges around an owned middle part.
io::ByteRope ropeOfStream(const CompoundFile& file, std::uint32_t id) {
    const auto stream = file.openStream(id);
    const std::uint64_t size = stream->size();
    const std::uint64_t from = size / 3, to = size / 3 + size / 5 + 1;
    io::ByteRope rope;
    if (size < 3) {
        rope.append(stream, 0, size);
        return rope;
    }
    rope.append(stream, 0, from);
    std::vector<std::uint8_t> middle(static_cast<std::size_t>(to - from));
    stream->readAt(from, middle);
    rope.append(std::move(middle));
    rope.append(stream, to, size - to);
    return rope;
}

std::vector<std::uint8_t> writeToMemory(const CompoundFile& original,
                                        const std::map<std::uint32_t, io::ByteRope>& ropes) {
    io::VectorSink sink;
    writeCompoundFile(original, ropes, {}, sink);
    return std::move(sink.bytes());
}

class RewriteTest : public ::testing::TestWithParam<std::uint32_t> {};

// Replacements as ropes cross the mini-stream cutoff both ways and equal the same bytes given
// whole.
TEST_P(RewriteTest, UnchangedKeepsEverythingAndReplacementsLandWhereAsked) {
    const auto original = openInMemory(buildTestCompoundFile({{u"Workbook", patternBytes(10000)},
                                                              {u"Small", patternBytes(100)},
                                                              {u"Empty", {}},
                                                              {u"AtCutoff", patternBytes(4096)},
                                                              {u"Kept", patternBytes(5000, 9)}},
                                                             GetParam())
                                           .bytes);
    const auto unchanged = rewriteCompoundFile(original, {});
    EXPECT_EQ(unchanged.size() % GetParam(), 0u);
    EXPECT_EQ(openInMemory(unchanged).sectorSize(), GetParam());
    EXPECT_EQ(snapshot(openInMemory(unchanged)), snapshot(original));
    expectSortedTrees(openInMemory(unchanged));

    const auto workbook = *original.find(u"Workbook");
    const auto small = *original.find(u"Small");
    const auto kept = original.openStream(*original.find(u"Kept"));
    std::map<std::uint32_t, io::ByteRope> ropes;
    ropes[workbook].append(patternBytes(300, 4));
    ropes[workbook].append(kept, 4000, 700);  // the new Workbook goes to the mini stream
    ropes[small].append(kept, 0, 5000);       // Small leaves it
    ropes[small].append(patternBytes(2000, 5));
    const std::vector<std::uint8_t> newWorkbook = ropes[workbook].toVector();
    const std::vector<std::uint8_t> newSmall = ropes[small].toVector();
    const auto bytes = writeToMemory(original, ropes);
    EXPECT_EQ(bytes, rewriteCompoundFile(original, {{workbook, newWorkbook}, {small, newSmall}}));
    const auto copy = openInMemory(bytes);
    EXPECT_EQ(copy.readStream(*copy.find(u"Workbook")), newWorkbook);
    EXPECT_EQ(copy.readStream(*copy.find(u"Small")), newSmall);
    EXPECT_EQ(copy.readStream(*copy.find(u"Kept")), patternBytes(5000, 9));
}

INSTANTIATE_TEST_SUITE_P(SectorSizes, RewriteTest, ::testing::Values(512u, 4096u));

// Ids that are no stream to replace, or no entry to remove. (Removals
// themselves: the macro-module and embedded-object deletes.)
TEST(Rewrite, RefusesBadIds) {
    const auto original =
        openInMemory(buildTestCompoundFile({{u"Workbook", patternBytes(5000)}}).bytes);
    EXPECT_THROW(rewriteCompoundFile(original, {{0, {}}}), std::invalid_argument);
    EXPECT_THROW(rewriteCompoundFile(original, {{99, {}}}), std::invalid_argument);
    EXPECT_THROW(rewriteCompoundFile(original, {}, {0}), std::invalid_argument);
    EXPECT_THROW(rewriteCompoundFile(original, {}, {99}), std::invalid_argument);
}

class CorpusRewriteTest : public ::testing::TestWithParam<CorpusEntry> {};

std::vector<CorpusEntry> corpusCompoundFiles() {
    auto entries = corpusEntries();
    std::erase_if(entries, [](const auto& e) { return !e.at("container").starts_with("ole2"); });
    return entries;
}

// Every stream replaced by a rope of its own bytes gives the unchanged rewrite's file.
TEST_P(CorpusRewriteTest, UnchangedRewriteKeepsEveryEntryAndRopesGiveTheSameFile) {
    std::optional<CompoundFile> original;
    std::map<std::u16string, EntrySnapshot> before;
    try {
        original.emplace(CompoundFile::open(std::make_shared<io::FileSource>(GetParam().path())));
        before = snapshot(*original);
    } catch (const Error& e) {
        GTEST_SKIP() << "damaged container: " << e.what() << " " << e.context();
    }
    const auto unchanged = rewriteCompoundFile(*original, {});
    const auto copy = openInMemory(unchanged);
    EXPECT_EQ(snapshot(copy), before);
    EXPECT_EQ(copy.sectorSize(), original->sectorSize());
    expectSortedTrees(copy);

    std::map<std::uint32_t, io::ByteRope> ropes;
    std::vector<std::uint32_t> pending{0};
    while (!pending.empty()) {
        const std::uint32_t id = pending.back();
        pending.pop_back();
        for (std::uint32_t child : original->children(id)) {
            if (original->entries()[child].type == EntryType::Stream) {
                ropes[child] = ropeOfStream(*original, child);
            } else {
                pending.push_back(child);
            }
        }
    }
    EXPECT_EQ(writeToMemory(*original, ropes), unchanged);
}

INSTANTIATE_TEST_SUITE_P(Corpus, CorpusRewriteTest, ::testing::ValuesIn(corpusCompoundFiles()),
                         byFileName);

// Corpus files with storages, 4096-byte sectors, and DIFAT sectors read alike before and after.
TEST(Rewrite, OlefileReadsTheRewriteAsTheOriginal) {
    // Found from the test data folder: __FILE__ is relative when the build runs through ccache.
    const std::filesystem::path script =
        std::filesystem::path(TARNVALE_TEST_DATA_DIR).parent_path() / "xls" /
        "cfb_olefile_compare.py";
    if (std::system("/usr/bin/python3 -c 'import olefile' 2>/dev/null") != 0) {
        GTEST_SKIP() << "python3-olefile is not installed";
    }
    const TempFolder folder("olefile");
    std::vector<std::pair<std::string, std::vector<std::uint8_t>>> originals;
    for (const char* name :
         {"calamine__gh548_incorrect_sst_unique_count.xls", "poi__60460.xls",
          "sheetjs__BlankSheetTypes.xls", "poi__59858.xls", "xlrd__ragged.xls"}) {
        originals.emplace_back(name, readFileBytes(corpusPath(name)));
    }
    originals.emplace_back(
        "v4.xls", buildTestCompoundFile(
                      {{u"Workbook", patternBytes(20000)}, {u"Small", patternBytes(90)}}, 4096)
                      .bytes);
    const auto small =
        openInMemory(buildTestCompoundFile({{u"Workbook", patternBytes(5000)}}).bytes);
    originals.emplace_back(
        "difat.xls",
        rewriteCompoundFile(small, {{*small.find(u"Workbook"), patternBytes(8'000'000)}}));

    for (const auto& [name, bytes] : originals) {
        const auto before = folder / ("before-" + name);
        const auto after = folder / ("after-" + name);
        writeFileBytes(before, bytes);
        writeFileBytes(after, rewriteCompoundFile(openInMemory(bytes), {}));
        const std::string command = "/usr/bin/python3 '" + script.string() + "' '" +
                                    before.string() + "' '" + after.string() + "'";
        EXPECT_EQ(std::system(command.c_str()), 0) << name;
    }
}

// Entries of a corpus file with storages added to a small file.
std::shared_ptr<const CompoundFile> other() {
    static const auto file = std::make_shared<CompoundFile>(openInMemory(readFileBytes(
        corpusPath("poi__angelo.edu_content_files_19555-nsse-2011-multiyear-benchmark.xls"))));
    return file;
}
const CompoundFile& original() {
    static const CompoundFile file = openInMemory(
        buildTestCompoundFile({{u"Workbook", patternBytes(6000)}, {u"Ctls", patternBytes(9)}})
            .bytes);
    return file;
}

// name, entry of other() by name ("" for a new stream of size bytes; for a
// refusal, the entry's id).
using Added = std::tuple<std::u16string, std::u16string, std::size_t>;
using Additions = std::vector<Added>;

class CfbAdditions : public ::testing::TestWithParam<Additions> {};

TEST_P(CfbAdditions, AddsTheEntriesWholeAndKeepsTheRest) {
    const auto file = other();
    const CompoundFile& base = original();
    std::vector<Addition> additions;
    for (const auto& [name, from, size] : GetParam())
        additions.push_back(from.empty()
                                ? Addition{name, nullptr, 0, io::ByteRope(patternBytes(size, 7))}
                                : Addition{name, file, *file->find(from), {}});
    const CompoundFile written = openInMemory(rewriteCompoundFile(base, {}, {}, additions));
    EXPECT_EQ(written.children(0).size(), 2 + additions.size());
    const auto tree = [](const CompoundFile& f, std::u16string_view name) {
        return snapshot(f, *f.find(name));
    };
    for (const std::u16string_view kept : {u"Workbook", u"Ctls"})
        EXPECT_EQ(tree(written, kept), tree(base, kept));
    for (const auto& [name, from, size] : GetParam()) {
        if (from.empty())
            EXPECT_EQ(written.readStream(*written.find(name)), patternBytes(size, 7));
        else
            EXPECT_EQ(tree(written, name), tree(*file, from));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Writer, CfbAdditions,
    ::testing::Values(Additions{{u"MBD00000001", u"MBD00004770", 0}},
                      Additions{{u"MBD00004772", u"MBD00004770", 0},
                                {u"MBD00004770", u"MBD00004772", 0},
                                {u"Copied", u"\x05SummaryInformation", 0}},
                      Additions{{u"Small", u"", 10}, {u"Large", u"", 5000}, {u"Empty", u"", 0}}));

class CfbAdditionRefusals : public ::testing::TestWithParam<Additions> {};

TEST_P(CfbAdditionRefusals, RefusesBeforeWriting) {
    std::vector<Addition> additions;
    for (const auto& [name, from, id] : GetParam())
        additions.push_back({name, other(), static_cast<std::uint32_t>(id), {}});
    EXPECT_THROW(rewriteCompoundFile(original(), {}, {}, additions), std::invalid_argument);
}

// Names taken, missing or too long; the other file's root, and an entry it lacks.
INSTANTIATE_TEST_SUITE_P(Writer, CfbAdditionRefusals,
                         ::testing::Values(Additions{{u"WORKBOOK", u"", 1}},
                                           Additions{{u"Twice", u"", 1}, {u"TWICE", u"", 2}},
                                           Additions{{u"", u"", 1}},
                                           Additions{{std::u16string(32, u'x'), u"", 1}},
                                           Additions{{u"Root", u"", 0}},
                                           Additions{{u"Gone", u"", 9999}}));

}  // namespace
}  // namespace xls::cfb
