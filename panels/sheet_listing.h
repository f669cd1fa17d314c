#pragma once

namespace tarnvale {

struct WindowContext;

// The change handler of a path box (Text1 lists into List1, Text2 into List2):
// when the path names a file, opens it in a new application, reads the names
// of its worksheets in tab order, quits the application, puts the names into
// the panel's list and selects the first. A path that names no file changes
// nothing and shows nothing. A failed call shows the file and the reason and
// leaves the list as it was.
void ListSheets(WindowContext& window, int panelNumber);

}  // namespace tarnvale
