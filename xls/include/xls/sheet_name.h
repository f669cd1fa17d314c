// The spreadsheet application's rules for sheet names, shared by rename, the
// naming of copies and the window.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "xls/error.h"

namespace xls {

// Checks a proposed name (UTF-8) on its own: 1-31 characters (UTF-16 code units),
// none of : \ / ? * [ ], no leading or trailing apostrophe, not "History".
// Returns the failing rule, or nullopt when the name is acceptable.
std::optional<ErrorCode> checkSheetName(std::string_view name);

// True when a and b are equal without regard to letter case: Unicode simple case
// folding, one character to one, as the application compares sheet names ("ß" and
// "SS" differ). Text that is not UTF-8 equals only the same bytes.
bool sheetNamesEqual(std::string_view a, std::string_view b);

}  // namespace xls
