#include "workbook_selection.h"

#include <QLineEdit>
#include <QListWidget>

#include "common/graphical_button.h"
#include "common/window_context.h"

namespace tarnvale {
namespace {

// What differs between the two browse buttons.
struct BrowseTwin {
    bool selectFirstEntryAfterwards;
};

constexpr BrowseTwin kBrowseTwins[] = {
    {false},  // Check3, Text1
    {true},   // Check6, Text2, then List2's first entry
};

}  // namespace

void BrowseForWorkbook(WindowContext& window, int panelNumber) {
    Panel& panel = window.panel(panelNumber);
    const BrowseTwin& twin = kBrowseTwins[panelNumber - 1];
    if (!TakeClick(*panel.browseButton)) return;
    if (window.warnIfExcelRunning()) return;

    const std::string chosen = window.prompts->openFile(kSelectFileTitle, kSelectFileFilter);
    if (chosen.empty()) return;  // Cancel

    panel.pathBox->setText(QString::fromStdString(chosen));  // runs the listing now
    if (twin.selectFirstEntryAfterwards && panel.sheetList->count() > 0)
        panel.sheetList->setCurrentRow(0);
}

}  // namespace tarnvale
