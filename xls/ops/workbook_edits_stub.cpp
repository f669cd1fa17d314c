// Placeholder edits and saving until the write side lands: each refuses clearly.
#include "model/workbook_impl.h"
#include "xls/error.h"

namespace xls {

void Workbook::renameSheet(std::size_t, std::string_view) {
    throw Error(ErrorCode::UnsupportedOperation, impl_->displayName, "renaming is not built yet");
}

void Workbook::deleteSheet(std::size_t) {
    throw Error(ErrorCode::UnsupportedOperation, impl_->displayName, "deleting is not built yet");
}

std::vector<std::uint8_t> Workbook::serialize() const {
    throw Error(ErrorCode::UnsupportedOperation, impl_->displayName, "saving is not built yet");
}

void Workbook::save() {
    throw Error(ErrorCode::UnsupportedOperation, impl_->displayName, "saving is not built yet");
}

}  // namespace xls
