#pragma once

#include "common/panel.h"

namespace tarnvale {

struct WindowContext;

// What differs between the two handlers of a pair that opens with the common
// validation (delete: Check7/Check8, rename: Check9/Check10): the panel whose
// path box, list and button they use, and the message for a bad path.
struct ValidationTwin {
    int panelNumber;
    const char* invalidPathMessage;
};

inline constexpr ValidationTwin kValidationTwins[] = {
    {1, "Excel File #1 does not appear to be valid"},  // Check7, Check9: Text1, List1
    {2, "Excel File #2 does not appear to be valid"},  // Check8, Check10: Text2, List2
};

// The opening checks the delete and rename handlers share, in their order:
// the button reset, the panel's path (the twin's message when it names no
// file), the running-program guard. Returns the panel when the operation may
// go on, nullptr when it ends here.
Panel* PassCommonValidation(WindowContext& window, int panelNumber,
                            GraphicalButton* Panel::*button);

}  // namespace tarnvale
