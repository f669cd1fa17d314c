// Writes a planned merge of format tables into the destination's globals:
// new Font records after the last Font, Format after the last Format, XF after
// the last XF, XFExt after the last XFExt (with an XFCRC ahead of them when the
// destination had none), the Palette rewritten or added after the styles, and
// XFCRC brought up to date with the XFs.
#pragma once

#include "model/workbook_stream.h"
#include "ops/copy/merge_cell_formats.h"

namespace xls::ops::copy {

// Raises UnsupportedOperation, changing nothing, when the destination's XFs
// are no longer those the plan was made for.
void applyFormatMerge(const FormatMergePlan& plan, model::Substream& destinationGlobals);

}  // namespace xls::ops::copy
