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
    if (&transfer.source == &transfer.destination) {
        // One workbook: the sheet itself changes place, so it keeps its name
        // and everything that refers to it still does.
        auto sheet = transfer.source.sheets()->item(transfer.sheet);
        if (transfer.copyName != transfer.sheet) sheet->setName(transfer.copyName);
        sheet->moveAfter(*transfer.destination.sheets()->item(transfer.anchor));
        return sheet->name();
    }
    const std::string received = CopySheetBehind(transfer);
    session.alertsOff();
    transfer.source.sheets()->item(transfer.sheet)->deleteSheet();
    return received;
}

}  // namespace excel
