#include "copy_move_sheet.h"

#include <QLineEdit>
#include <QListWidget>
#include <optional>

#include "common/file_exists.h"
#include "common/graphical_button.h"
#include "common/list_contains.h"
#include "common/window_context.h"
#include "excel/sheet_transfer.h"
#include "panels/sheet_listing.h"
#include "quit_after_save.h"

namespace tarnvale {
namespace {

enum class Transfer { Copy, Move };

// What differs between the four handlers: the source panel (the destination is
// the other one), which path box is checked first, and the closing steps.
struct TransferTwin {
    Transfer kind;
    int sourcePanel;
    int firstCheckedPanel;
    bool closesWorkbooks;  // "Workbooks" "Close" before quitting
    bool saysDone;         // "Done." at the end
};

constexpr TransferTwin kCopyTwins[] = {
    {Transfer::Copy, 1, 1, false, true},   // Check1: List1 into File #2
    {Transfer::Copy, 2, 2, false, false},  // Check5: List2 into File #1
};
constexpr TransferTwin kMoveTwins[] = {
    {Transfer::Move, 1, 1, true, false},   // Check2: List1 into File #2
    {Transfer::Move, 2, 1, false, false},  // Check4: List2 into File #1, Text1 checked first
};

// A path box that names no file gets its own panel's message, whatever its role.
constexpr const char* kInvalidPathMessages[] = {
    "Excel File #1 does not appear to be valid",
    "Please select Excel File #2",
};

bool pathsExist(WindowContext& window, int firstCheckedPanel) {
    for (int number : {firstCheckedPanel, 3 - firstCheckedPanel}) {
        if (!FileExists(window.panel(number).pathBox->text().toStdString())) {
            window.prompts->messageBox(kInvalidPathMessages[number - 1], excel::kButtonsOk);
            return false;
        }
    }
    return true;
}

// The name clash loop: while the destination list holds the name, ask for
// another. Cancel or an empty answer gives "", which ends the operation (even
// when the list holds an empty entry, so Cancel always gets the user out).
std::string freeName(WindowContext& window, const QListWidget& destination, std::string name) {
    while (ListContains(destination, QString::fromStdString(name))) {
        name = window.prompts->inputBox(kClashPrompt, name);
        if (name.empty()) break;
    }
    return name;
}

void selectEntry(QListWidget& list, const std::string& name) {
    const auto found = list.findItems(QString::fromStdString(name), Qt::MatchExactly);
    if (!found.isEmpty()) list.setCurrentItem(found.front());
}

// Both panels read afresh from their files, the destination's anchor selected
// again when it is still there.
void listBothAgain(WindowContext& window, Panel& destination, const std::string& anchor) {
    ListSheets(window, 1);
    ListSheets(window, 2);
    selectEntry(*destination.sheetList, anchor);
}

std::string operationText(const TransferTwin& twin, const std::string& sheet,
                          const std::string& from, const std::string& to) {
    return std::string("The sheet \"") + sheet + "\" could not be " +
           (twin.kind == Transfer::Copy ? "copied" : "moved") + " from " + from + " to " + to;
}

void transferSheet(WindowContext& window, const TransferTwin& twin) {
    Panel& source = window.panel(twin.sourcePanel);
    Panel& destination = window.panel(3 - twin.sourcePanel);
    const bool move = twin.kind == Transfer::Move;
    if (!TakeClick(move ? *source.moveButton : *source.copyButton)) return;
    if (!pathsExist(window, twin.firstCheckedPanel)) return;
    if (window.warnIfExcelRunning()) return;
    if (move && source.sheetList->count() < 2) {
        window.prompts->messageBox(kLastSheetToMoveMessage, excel::kButtonsOk);
        return;
    }

    BusyPointer busy(*window.pointer);
    const std::string copyName =
        freeName(window, *destination.sheetList,
                 EntryText(*source.sheetList, source.sheetList->currentRow()));
    if (copyName.empty()) return;  // no application started, nothing touched

    const std::string sourcePath = source.pathBox->text().toStdString();
    const std::string destinationPath = destination.pathBox->text().toStdString();
    const int sourceRow = source.sheetList->currentRow();
    const int anchorRow = destination.sheetList->currentRow();
    const std::string sheet = EntryText(*source.sheetList, sourceRow);
    const std::string anchor = EntryText(*destination.sheetList, anchorRow);
    std::optional<excel::ApplicationSession> session;
    std::string received;  // the name the copy got
    bool saving = false;
    try {
        session.emplace(*window.factory, sourcePath);
        auto sourceBook = session->newestWorkbook();
        auto destinationBook = session->open(destinationPath);
        const excel::SheetTransfer transfer{*sourceBook, sheet, *destinationBook, anchor, copyName};
        received =
            move ? excel::MoveSheetBehind(*session, transfer) : excel::CopySheetBehind(transfer);
        saving = true;
        if (move)
            session->saveTogether(*destinationBook, *sourceBook);
        else
            destinationBook->save(1033);
    } catch (const std::exception& error) {
        window.reportFailedCall(operationText(twin, sheet, sourcePath, destinationPath), error);
        // A two-file commit may have replaced the destination before failing on
        // the source; only the files can tell the lists what they now hold.
        if (move && saving) {
            session.reset();
            listBothAgain(window, destination, anchor);
        }
        return;
    }

    // The files hold the result: now the lists may show it.
    destination.sheetList->insertItem(anchorRow + 1, QString::fromStdString(received));
    if (move) {
        delete source.sheetList->takeItem(sourceRow);
        source.sheetList->setCurrentRow(std::max(sourceRow, 1) - 1);
    }
    QuitAfterSave(window, *session, move ? sourcePath + " and " + destinationPath : destinationPath,
                  {twin.closesWorkbooks, true});
    // Both panels on one file: each list must show the whole change.
    if (SameFile(sourcePath, destinationPath)) listBothAgain(window, destination, anchor);
    if (twin.saysDone) window.prompts->messageBox(kDoneMessage, excel::kButtonsOk);
}

}  // namespace

void CopySheetToOtherFile(WindowContext& window, int sourcePanelNumber) {
    transferSheet(window, kCopyTwins[sourcePanelNumber - 1]);
}

void MoveSheetToOtherFile(WindowContext& window, int sourcePanelNumber) {
    transferSheet(window, kMoveTwins[sourcePanelNumber - 1]);
}

}  // namespace tarnvale
