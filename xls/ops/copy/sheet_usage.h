// What a worksheet's records refer to in its workbook's tables, found in one
// pass over its substream: the cell formats, shared strings, defined names and
// ExternSheet entries a copy must bring along, and what the sheet holds that a
// copy cannot carry yet (objects whose data lives outside the workbook stream,
// and a few parts tied to tables of the workbook), by the names the user
// knows them by.
#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "biff/formula_tokens.h"
#include "model/workbook_stream.h"

namespace xls::ops {

struct SheetUsage {
    // ixfe of every cell record, of Row records that set a format
    // (fGhostDirty) and of ColInfo records.
    std::set<std::uint16_t> cellFormats;
    // isst of the LabelSst records, and how many there are: each counts once
    // in the shared string table's cstTotal.
    std::set<std::uint32_t> sharedStrings;
    std::uint32_t sharedStringCells = 0;
    // PtgName nameindex (1-based over the Lbl records) in any formula.
    std::set<std::uint32_t> names;
    // PtgNameX (ixti, nameindex): a Lbl of this workbook when the XTI goes
    // through the self SupBook, else an ExternName of the XTI's SupBook.
    std::set<std::pair<std::uint16_t, std::uint32_t>> externNames;
    // ixti of every Ptg*3d and PtgNameX.
    std::set<std::uint16_t> xtis;
    // What cannot be copied yet, each named once, in a fixed order:
    // "ActiveX controls", "linked or embedded objects", "pivot tables",
    // "tables", "external data ranges".
    std::vector<std::string> notCopyable;
};

// Collects the usage of a sheet substream's records, given a chunk at a time
// in stream order (a record with all its Continue records in one chunk).
// Records that came as stand-ins (stored, not read) count by their type only.
class SheetUsageScanner {
  public:
    // Raises CorruptWorkbook for a record too short for the fields read, or a
    // formula whose tokens cannot be read: a copy could not re-point it.
    void scan(const std::vector<model::Record>& records);
    // The usage of every record scanned so far; the scanner's own when it is
    // done with (a sheet's set of strings can be large).
    SheetUsage usage() const&;
    SheetUsage usage() &&;

  private:
    void nameBlockers(SheetUsage& usage) const;

    SheetUsage usage_;
    unsigned blockers_ = 0;  // bits of what cannot be copied
    // The formats and strings already in usage_: most cells repeat one seen
    // before, and a look in a bit vector costs less than one in a set.
    std::vector<bool> formatSeen_;
    std::vector<bool> stringSeen_;
    std::vector<std::uint8_t> joined_;  // a formula record's payloads, reused
    std::vector<biff::FormulaToken> tokens_;
};

// The record types a scan reads; the others it needs by type only. Use it as
// the filter of model::readStoredRecords.
bool usageReadsRecord(biff::RecordType type);

// The usage of a sheet's substream: its records held and those still stored,
// read a chunk at a time so the sheet is never held whole.
SheetUsage scanSheetUsage(const model::WorkbookStream& stream, const model::Substream& sheet);

}  // namespace xls::ops
