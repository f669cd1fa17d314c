// Workbook::copySheet and Workbook::saveTogether.
#include "workbook/workbook_impl.h"
#include "xls/error.h"
#include "xls/workbook.h"

namespace xls {

std::size_t Workbook::copySheet(Workbook& /*source*/, std::size_t /*sourceTab*/,
                                std::size_t /*afterTab*/) {
    throw Error(ErrorCode::UnsupportedOperation, impl_->displayName, "copying sheets");
}

void Workbook::saveTogether(Workbook& first, Workbook& /*second*/) {
    throw Error(ErrorCode::UnsupportedOperation, first.impl_->displayName, "saving two workbooks");
}

}  // namespace xls
