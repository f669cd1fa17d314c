// Entries added to a rewritten compound file: storages of another file with
// all they hold, a stream, new streams; the original's entries stay. Additions
// the root cannot take are refused before anything is written.
#include <gtest/gtest.h>

#include <stdexcept>
#include <tuple>

#include "cfb/compound_file_writer.h"
#include "support/cfb_test_file.h"
#include "support/corpus_manifest.h"
#include "support/file_bytes.h"

namespace xls::cfb {
namespace {

using testing::openInMemory;
using testing::patternBytes;
using Tree = std::vector<std::tuple<std::u16string, EntryType, std::array<std::uint8_t, 16>,
                                    std::uint32_t, std::uint64_t, std::vector<std::uint8_t>>>;

// An entry and all below it: names, types, class ids, state bits, times, bytes.
void treeOf(const CompoundFile& f, std::uint32_t id, Tree& out) {
    const DirectoryEntry& e = f.entries()[id];
    out.emplace_back(e.name, e.type, e.clsid, e.stateBits, e.created ^ e.modified,
                     e.type == EntryType::Stream ? f.readStream(id) : std::vector<std::uint8_t>{});
    for (std::uint32_t child : f.children(id)) treeOf(f, child, out);
}
Tree treeOf(const CompoundFile& f, std::u16string_view name) {
    Tree out;
    treeOf(f, *f.find(name), out);
    std::get<0>(out.front()).clear();  // the added entry's own name may change
    return out;
}

std::shared_ptr<const CompoundFile> other() {
    static const auto file = std::make_shared<CompoundFile>(
        openInMemory(tarnvale::testing::readFileBytes(tarnvale::testing::corpusPath(
            "poi__angelo.edu_content_files_19555-nsse-2011-multiyear-benchmark.xls"))));
    return file;
}
const CompoundFile& original() {
    static const CompoundFile file =
        openInMemory(testing::buildTestCompoundFile(
                         {{u"Workbook", patternBytes(6000)}, {u"Ctls", patternBytes(9)}})
                         .bytes);
    return file;
}

// name, entry of other() by name ("" for a new stream of size bytes).
using Added = std::tuple<std::u16string, std::u16string, std::size_t>;

class CfbAdditions : public ::testing::TestWithParam<std::vector<Added>> {};

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
    for (const std::u16string_view kept : {u"Workbook", u"Ctls"})
        EXPECT_EQ(treeOf(written, kept), treeOf(base, kept));
    for (const auto& [name, from, size] : GetParam()) {
        if (from.empty())
            EXPECT_EQ(written.readStream(*written.find(name)), patternBytes(size, 7));
        else
            EXPECT_EQ(treeOf(written, name), treeOf(*file, from));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Writer, CfbAdditions,
    ::testing::Values(std::vector<Added>{{u"MBD00000001", u"MBD00004770", 0}},
                      std::vector<Added>{{u"MBD00004772", u"MBD00004770", 0},
                                         {u"MBD00004770", u"MBD00004772", 0},
                                         {u"Copied", u"\x05SummaryInformation", 0}},
                      std::vector<Added>{
                          {u"Small", u"", 10}, {u"Large", u"", 5000}, {u"Empty", u"", 0}}));

class CfbAdditionRefusals : public ::testing::TestWithParam<std::vector<Added>> {};

TEST_P(CfbAdditionRefusals, RefusesBeforeWriting) {
    std::vector<Addition> additions;
    for (const auto& [name, from, id] : GetParam())
        additions.push_back({name, other(), static_cast<std::uint32_t>(id), {}});
    EXPECT_THROW(rewriteCompoundFile(original(), {}, {}, additions), std::invalid_argument);
}

// Names taken (in other letter case, or twice), missing or too long; the
// other file's root, and an entry it lacks.
INSTANTIATE_TEST_SUITE_P(Writer, CfbAdditionRefusals,
                         ::testing::Values(std::vector<Added>{{u"WORKBOOK", u"", 1}},
                                           std::vector<Added>{{u"Twice", u"", 1},
                                                              {u"TWICE", u"", 2}},
                                           std::vector<Added>{{u"", u"", 1}},
                                           std::vector<Added>{{std::u16string(32, u'x'), u"", 1}},
                                           std::vector<Added>{{u"Root", u"", 0}},
                                           std::vector<Added>{{u"Gone", u"", 9999}}));

}  // namespace
}  // namespace xls::cfb
