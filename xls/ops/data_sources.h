// PivotTable sources that name a sheet of this workbook as text: DConRef
// ([MS-XLS] 2.4.86) and DConName (2.4.85) in the globals carry a DConFile
// whose characters are 0x02 ("this workbook") followed by the sheet's name.
// Renaming the sheet renames it there too, as the application does; left
// alone, refreshing the PivotTable would look for a sheet that is gone.
#pragma once

#include <string_view>

#include "model/workbook_stream.h"

namespace xls::ops {

// Points every source naming oldName (in any letter case) at newName. A
// source it cannot read, or one split over Continue records, stays as it is.
// Returns the number of records changed; adds to leftAsStored the sources it
// could not read.
std::size_t renameSheetInDataSources(model::Substream& globals, std::string_view oldName,
                                     std::string_view newName, std::size_t& leftAsStored);

}  // namespace xls::ops
