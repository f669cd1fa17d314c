// Damaged destinations met by a copy (fixtures found by fuzzing): the copy is
// refused with the damage's code and the destination lists what it did.
#include <gtest/gtest.h>

#include "support/corpus_manifest.h"
#include "support/error_code_of.h"
#include "support/file_bytes.h"
#include "xls/error.h"
#include "xls/workbook.h"

namespace xls {
namespace {

TEST(CopyIntoDamagedWorkbook, IsRefusedAndListsNoCopy) {
    const struct {
        const char* fixture;
        ErrorCode code;
    } cases[] = {
        // The document summary's stream runs past the end of the file.
        {"copy-doc-summary-truncated.xls", ErrorCode::TruncatedContainer},
    };
    for (const auto& c : cases) {
        Workbook destination = Workbook::openBytes(
            tarnvale::testing::readFileBytes(std::string(TARNVALE_TEST_DATA_DIR) + "/malformed/" +
                                             c.fixture),
            c.fixture);
        Workbook source = Workbook::open(tarnvale::testing::corpusPath("gnumeric__ttest.xls"));
        const auto before = destination.sheets().size();
        EXPECT_EQ(tarnvale::testing::raisedCode([&] { destination.copySheet(source, 1, 0); }),
                  c.code)
            << c.fixture;
        EXPECT_EQ(destination.sheets().size(), before) << c.fixture;
    }
}

}  // namespace
}  // namespace xls
