// Whether a sheet's document module in the workbook's VBA project holds code:
// a sheet whose module holds only the attributes the application writes for
// every sheet can be copied without its module; one with code cannot.
#pragma once

#include <string_view>

#include "cfb/compound_file.h"

namespace xls::vba {

// True unless the module named codeName (the sheet's CodeName) is found in
// the _VBA_PROJECT_CUR storage and every line of its source is blank or an
// "Attribute" line. Anything that cannot be read counts as code.
bool documentModuleHoldsCode(const cfb::CompoundFile& container, std::string_view codeName);

}  // namespace xls::vba
