// Renaming a sheet renames it in the PivotTable sources that name it as text,
// and nowhere else: other sheets, other workbooks and names of the whole
// workbook stay, and a record that cannot be read is left as stored.
#include <gtest/gtest.h>

#include "cfb/compound_file.h"
#include "io/byte_source.h"
#include "model/stream_location.h"
#include "ops/data_sources.h"
#include "xls/ops_corpus_files.h"
#include "xls/workbook.h"

namespace xls::ops {
namespace {

using biff::RecordType;
using Bytes = std::vector<std::uint8_t>;

const Bytes kRef = {0, 0, 0xFF, 0xFF, 0, 4};  // rows 1-65536, columns A-E

// DConRef: ref, cchFile, then the DConFile (fHighByte, characters) and the unused bytes.
Bytes dconRef(const std::u16string& file, bool high = false) {
    Bytes b = kRef;
    b.push_back(static_cast<std::uint8_t>(file.size()));
    b.push_back(0);
    b.push_back(high ? 1 : 0);
    for (char16_t c : file) {
        b.push_back(static_cast<std::uint8_t>(c & 0xFF));
        if (high) b.push_back(static_cast<std::uint8_t>(c >> 8));
    }
    b.insert(b.end(), high ? 2 : 1, 0);
    return b;
}

// DConName: stName "Table1", then cchFile and the DConFile when a sheet is named.
Bytes dconName(const std::u16string& file) {
    Bytes b = {6, 0, 0, 'T', 'a', 'b', 'l', 'e', '1'};
    const Bytes rest = dconRef(file);
    b.insert(b.end(), rest.begin() + 6, rest.end());
    return b;
}

struct Case {
    const char* what;
    model::Record before;
    model::Record after;  // the same as before when nothing may change
};

TEST(DataSources, RenamesTheSheetWhereverASourceNamesIt) {
    const model::Record shortRef(RecordType::DConRef, Bytes(kRef.begin(), kRef.begin() + 7));
    const std::vector<Case> cases = {
        {"range source",
         {RecordType::DConRef, dconRef(u"\x02"
                                       u"Data")},
         {RecordType::DConRef, dconRef(u"\x02"
                                       u"Sales")}},
        {"other letter case",
         {RecordType::DConRef, dconRef(u"\x02"
                                       u"DATA")},
         {RecordType::DConRef, dconRef(u"\x02"
                                       u"Sales")}},
        {"stored as UTF-16",
         {RecordType::DConRef, dconRef(u"\x02"
                                       u"Data",
                                       true)},
         {RecordType::DConRef, dconRef(u"\x02"
                                       u"Sales")}},
        {"sheet-scoped name",
         {RecordType::DConName, dconName(u"\x02"
                                         u"Data")},
         {RecordType::DConName, dconName(u"\x02"
                                         u"Sales")}},
        {"another sheet",
         {RecordType::DConRef, dconRef(u"\x02"
                                       u"Database")},
         {RecordType::DConRef, dconRef(u"\x02"
                                       u"Database")}},
        {"another workbook",
         {RecordType::DConRef, dconRef(u"\x01"
                                       u"C:Data")},
         {RecordType::DConRef, dconRef(u"\x01"
                                       u"C:Data")}},
        {"workbook-wide name",
         {RecordType::DConName, dconName(u"")},
         {RecordType::DConName, dconName(u"")}},
        {"cut short", shortRef, shortRef},
    };
    for (const auto& c : cases) {
        model::Substream globals;
        globals.records = {c.before};
        renameSheetInDataSources(globals, "data", "Sales");
        EXPECT_EQ(globals.records.front(), c.after) << c.what;
    }
}

TEST(DataSources, ANameOutsideLatin1GoesOutAsUtf16) {
    model::Substream globals;
    globals.records = {{RecordType::DConRef, dconRef(u"\x02"
                                                     u"Data")}};
    EXPECT_EQ(renameSheetInDataSources(globals, "Data", "Ωmega"), 1u);
    EXPECT_EQ(globals.records.front().payload, dconRef(u"\x02"
                                                       u"Ωmega",
                                                       true));
}

TEST(DataSources, ASourceSplitOverContinueRecordsStays) {
    model::Substream globals;
    globals.records = {{RecordType::DConRef, dconRef(u"\x02"
                                                     u"Data")},
                       {RecordType::Continue, Bytes(3, 0)}};
    const auto before = globals.records;
    EXPECT_EQ(renameSheetInDataSources(globals, "Data", "Sales"), 0u);
    EXPECT_EQ(globals.records, before);
}

TEST(DataSources, RenamingAPivotTablesSourceSheetInARealWorkbook) {
    auto book = Workbook::open(testing::corpusPath("sheetjs__root-pivot_table_test.xls"));
    const auto tab = book.findSheet("Data");
    ASSERT_TRUE(tab);
    book.renameSheet(*tab, "Source data");
    const auto file = cfb::CompoundFile::open(std::make_shared<io::MemorySource>(book.serialize()));
    const auto stream =
        model::parseWorkbookStream(file.readStream(model::findWorkbookStream(file).id));
    std::size_t sources = 0;
    for (const auto& r : stream.globals.records) {
        if (r.type != RecordType::DConRef) continue;
        ++sources;
        const Bytes expected = dconRef(
            u"\x02"
            u"Source data");
        EXPECT_TRUE(std::equal(expected.begin() + 6, expected.end(), r.payload.begin() + 6,
                               r.payload.end()));
    }
    EXPECT_EQ(sources, 1u);
}

}  // namespace
}  // namespace xls::ops
