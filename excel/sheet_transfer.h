// The copy at the heart of copying and moving a sheet between two workbooks
// open in one application, in the order of calls the window and the command
// line both make.
#pragma once

#include <string>

#include "application_session.h"
#include "automation.h"

namespace excel {

struct SheetTransfer {
    Workbook& source;
    std::string sheet;  // the source sheet's name
    Workbook& destination;
    std::string anchor;    // the destination sheet the copy lands behind
    std::string copyName;  // the name asked for the copy; sheet when none was asked
};

// When copyName differs from sheet, the source sheet bears copyName for the
// copy only ("name" written, then written back). The anchor is looked up in
// the destination, the source sheet copied behind it ("Copy" "after"). Returns
// the name the copy received, which differs from copyName when the destination
// held that name in other letter case. Nothing is saved.
std::string CopySheetBehind(const SheetTransfer& transfer);

// A move's edits: the copy, then alerts off and the source sheet deleted.
// Within one workbook (source and destination the same open workbook) the
// sheet is moved behind the anchor instead ("Move" "after"), bearing copyName.
// Nothing is saved; ApplicationSession::saveTogether commits both files.
std::string MoveSheetBehind(ApplicationSession& session, const SheetTransfer& transfer);

}  // namespace excel
