#include "sheet_transfer.h"

namespace excel {

std::string CopySheetBehind(const SheetTransfer& transfer) {
    const bool renamed = transfer.copyName != transfer.sheet;
    if (renamed) transfer.source.sheets()->item(transfer.sheet)->setName(transfer.copyName);
    auto anchor = transfer.destination.sheets()->item(transfer.anchor);
    const std::string received =
        transfer.source.sheets()->item(transfer.copyName)->copyAfter(*anchor)->name();
    if (renamed) transfer.source.sheets()->item(transfer.copyName)->setName(transfer.sheet);
    return received;
}

std::string MoveSheetBehind(ApplicationSession& session, const SheetTransfer& transfer) {
    const std::string received = CopySheetBehind(transfer);
    session.alertsOff();
    transfer.source.sheets()->item(transfer.sheet)->deleteSheet();
    return received;
}

}  // namespace excel
