// The SupBook by which a copied sheet's formulas keep reading the other sheets
// of the workbook it came from ([MS-XLS] 2.4.271): the source file's path as
// a VirtualPath relative to the destination's folder where it can be, and the
// source's sheet names in tab order, so each XTI keeps its sheet indices.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "model/workbook_stream.h"

namespace xls::ops::copy {

// The path encoded as the application encodes a link to another workbook:
// 0x01 then the folders down from the destination's folder separated by 0x03,
// 0x04 for each folder up, then the file name; 0x01 0x02 and the path from
// the root when the two share no folder.
std::u16string virtualPath(const std::filesystem::path& source,
                           const std::filesystem::path& destination);

std::vector<model::Record> externalWorkbookSupBook(const std::filesystem::path& source,
                                                   const std::filesystem::path& destination,
                                                   const std::vector<std::string>& sheetNames);

}  // namespace xls::ops::copy
