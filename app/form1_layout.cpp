#include "form1_layout.h"

namespace tarnvale {
namespace {

using K = ControlKind;

constexpr ControlSpec kControls[] = {
    {"Frame2", K::Frame, "Form1", "Excel File #2", 4320, 120, 4095, 5055, 9},
    {"Check10", K::GraphicalButton, "Frame2", "Rename Selected Sheet in File #2", 120, 4440, 3855,
     400, 20},
    {"Check8", K::GraphicalButton, "Frame2", "Delete Selected Sheet in File #2", 120, 3960, 3855,
     400, 18},
    {"Text2", K::TextBox, "Frame2", "Text2", 120, 600, 3255, 330, 14},
    {"Check6", K::GraphicalButton, "Frame2", "...", 3480, 600, 495, 330, 13},
    {"List2", K::ListBox, "Frame2", "", 120, 1320, 3855, 1635, 12},
    {"Check5", K::GraphicalButton, "Frame2", "Copy Sheet to Excel File #1", 120, 3000, 3855, 400,
     11},
    {"Check4", K::GraphicalButton, "Frame2", "Move Sheet to Excel File #1", 120, 3480, 3855, 400,
     10},
    {"Label3", K::Label, "Frame2", " Browse to Excel File:", 120, 300, 3255, 255, 16},
    {"Label1", K::Label, "Frame2", " Select Excel Sheet:", 120, 1020, 3255, 255, 15},
    {"Frame1", K::Frame, "Form1", "Excel File #1", 120, 120, 4095, 5055, 1},
    {"Check9", K::GraphicalButton, "Frame1", "Rename Selected Sheet in File #1", 120, 4440, 3855,
     400, 19},
    {"Check7", K::GraphicalButton, "Frame1", "Delete Selected Sheet in File #1", 120, 3960, 3855,
     400, 17},
    {"Check2", K::GraphicalButton, "Frame1", "Move Sheet to File #2", 135, 3480, 3855, 400, 8},
    {"Check1", K::GraphicalButton, "Frame1", "Copy Sheet to File #2", 120, 3000, 3855, 400, 7},
    {"List1", K::ListBox, "Frame1", "", 120, 1320, 3855, 1635, 4},
    {"Check3", K::GraphicalButton, "Frame1", "...", 3480, 600, 495, 330, 3},
    {"Text1", K::TextBox, "Frame1", "Text1", 120, 600, 3255, 330, 2},
    {"Label4", K::Label, "Frame1", " Select Excel Sheet:", 120, 1020, 3255, 255, 6},
    {"Label2", K::Label, "Frame1", " Browse to Excel File:", 120, 300, 3255, 255, 5},
    // Outside the client area: never seen, and first in the tab order so it
    // holds the focus when the window opens.
    {"Command1", K::CommandButton, "Form1", "Command1", -720, 2640, 615, 495, 0},
};

}  // namespace

std::span<const ControlSpec> Form1Controls() {
    return kControls;
}

}  // namespace tarnvale
