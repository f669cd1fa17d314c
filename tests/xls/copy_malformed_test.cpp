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

// Its document summary's stream runs past the end of the file.
TEST(CopyIntoDamagedWorkbook, IsRefusedAndListsNoCopy) {
    Workbook destination = Workbook::openBytes(
        tarnvale::testing::readFileBytes(std::string(TARNVALE_TEST_DATA_DIR) +
                                         "/malformed/copy-doc-summary-truncated.xls"),
        "damaged");
    Workbook source = Workbook::open(tarnvale::testing::corpusPath("gnumeric__ttest.xls"));
    EXPECT_EQ(tarnvale::testing::raisedCode([&] { destination.copySheet(source, 1, 0); }),
              ErrorCode::TruncatedContainer);
    EXPECT_EQ(destination.sheets().size(), 1u);
}

}  // namespace
}  // namespace xls
