// The inside of xls::Workbook: the named state (model::WorkbookState) it is a
// facade over. Its methods live in this folder: opening and listing
// (workbook.cpp), edits (workbook_edits.cpp), copies (workbook_copy.cpp) and
// saving (workbook_save.cpp).
#pragma once

#include "model/workbook_state.h"
#include "xls/workbook.h"

namespace xls {

struct Workbook::Impl : model::WorkbookState {
    using WorkbookState::WorkbookState;
};

// The engine's way into a Workbook's inside, for its own layers and tests.
class WorkbookInternals {
  public:
    using Impl = Workbook::Impl;
    static Impl& of(Workbook& book) { return *book.impl_; }
};

}  // namespace xls
