// The records of a sheet being copied, read once from the source: the cell
// table's records (rows, cells with their formulas, DBCell, at the sheet's
// own level) stay their stored bytes, in one buffer edited in place a chunk
// at a time, and go into the copy as stand-ins over that buffer; every other
// record is held. A sheet of 200,000 cells is then its few megabytes of bytes
// and a few hundred records, never 200,000 records, and the writer copies the
// cells into the new file in large pieces.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "model/workbook_stream.h"

namespace xls::ops::copy {

class CopiedSheet {
  public:
    // Reads the sheet's stand-ins. Raises CorruptWorkbook when their bytes
    // are not whole records, and what reading the source raises.
    explicit CopiedSheet(const model::Substream& sheet);

    // Every record but the cell table's, in order, with a stand-in of no
    // source in place of each run of those. Records held by the sheet before
    // (an edited or decrypted one) stay held here, cells included.
    std::vector<model::Record>& records() { return records_; }
    const std::vector<model::Record>& records() const { return records_; }

    // Calls visit with the cell table's records, a chunk at a time in order
    // (a record and its Continue records in one chunk). edit keeps what visit
    // changed; it may change payloads, never their sizes or the records'
    // number or types (std::logic_error).
    using ChunkEdit = std::function<void(std::vector<model::Record>& chunk)>;
    using ChunkRead = std::function<void(const std::vector<model::Record>& chunk)>;
    void editCells(const ChunkEdit& visit);
    void readCells(const ChunkRead& visit) const;
    // The held records, then the cell table's.
    void readAll(const ChunkRead& visit) const;

    // The substream for the destination: its stand-ins read the edited bytes.
    model::Substream take() &&;

  private:
    template <typename Visit>
    void forEachChunk(Visit&& visit) const;

    model::Substream sheet_;  // offset, closed; records_ take its records' place
    std::vector<model::Record> records_;
    std::vector<std::uint8_t> cells_;
};

}  // namespace xls::ops::copy
