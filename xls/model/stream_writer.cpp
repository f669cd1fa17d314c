#include "model/stream_writer.h"

#include <algorithm>
#include <limits>
#include <span>

#include "biff/record_reader.h"
#include "biff/record_writer.h"
#include "io/byte_reader.h"
#include "model/records/bound_sheet.h"
#include "model/sst_index.h"
#include "model/stream_writer_sst.h"
#include "xls/error.h"

namespace xls::model {

using biff::kMaxRecordPayload;
using biff::kRecordHeaderSize;
using biff::RecordType;

namespace {

// Index ([MS-XLS] 2.4.144): ibXF, then rgibRw to the end. BIFF5 holds rwMic and
// rwMac in two bytes each, so its ibXF sits four bytes earlier.
constexpr std::size_t kIndexIbXfBiff8 = 12;
constexpr std::size_t kIndexIbXfBiff5 = 8;
constexpr std::size_t kIsstInfSize = 8;

// One record as it goes out: its id and payload (held by the model, or by the
// writer for payloads it split or rebuilt).
struct Piece {
    RecordType type{};
    std::span<const std::uint8_t> payload;
    std::optional<StoredRange> stored;  // a stand-in's bytes, copied as they are

    std::uint64_t size() const {
        return stored ? stored->size : kRecordHeaderSize + payload.size();
    }
};

struct Layout {
    std::vector<Piece> pieces;
    std::vector<std::uint64_t> offsets;            // stream position of each piece
    std::size_t globalsEnd = 0;                    // pieces [0, globalsEnd) are the globals
    std::vector<std::size_t> substreamStart;       // first piece of each substream
    std::vector<std::vector<std::uint8_t>> owned;  // payloads the writer made
    std::uint64_t size = 0;
    bool sstLaidOut = false;  // the SST was split here: its ExtSST must be rebuilt
};

// The table laid out again in SST and Continue records, held by the layout.
void addSstTable(Layout& layout, const SstTable& table) {
    SstLayout sst = layoutSst(table.cstTotal, table.strings);
    layout.sstLaidOut = true;
    // Moving a buffer into the owned list keeps its bytes where they are,
    // so the piece can point at them straight away.
    for (std::size_t i = 0; i < sst.payloads.size(); ++i) {
        layout.owned.push_back(std::move(sst.payloads[i]));
        layout.pieces.push_back(
            {i == 0 ? RecordType::SST : RecordType::Continue, layout.owned.back(), std::nullopt});
    }
}

void addRecord(Layout& layout, const Record& record) {
    if (record.isStoredRun()) {
        layout.pieces.push_back({record.type, {}, record.stored});
        return;
    }
    if (record.payload.size() <= kMaxRecordPayload) {
        layout.pieces.push_back({record.type, record.payload, std::nullopt});
        return;
    }
    if (record.type == RecordType::SST) {
        // An SST grown past one record: lay its strings out again.
        addSstTable(layout, readSst({std::span<const std::uint8_t>(record.payload)}));
        return;
    }
    // Any other record goes on in Continue records holding the rest in order.
    const std::span<const std::uint8_t> all(record.payload);
    for (std::size_t at = 0; at < all.size(); at += kMaxRecordPayload) {
        const std::size_t n = std::min(kMaxRecordPayload, all.size() - at);
        layout.pieces.push_back(
            {at == 0 ? record.type : RecordType::Continue, all.subspan(at, n), std::nullopt});
    }
}

bool startsSst(const Record& r) {
    return r.type == RecordType::SST || (r.stored && r.stored->first == RecordType::SST);
}

// The globals with an edited string table in place of the stored one (or,
// when there was none, ahead of the ExtSST or the globals' EOF).
void addGlobals(Layout& layout, const WorkbookStream& stream) {
    const auto& records = stream.globals.records;
    if (!stream.editedSst) {
        for (const Record& r : records) addRecord(layout, r);
        return;
    }
    const bool hasSst = std::any_of(records.begin(), records.end(), startsSst);
    bool placed = false;
    for (std::size_t i = 0; i < records.size(); ++i) {
        const Record& r = records[i];
        const bool here =
            hasSst ? startsSst(r) : r.type == RecordType::ExtSST || r.type == RecordType::EOF_;
        if (here && !placed) {
            addSstTable(layout, *stream.editedSst);
            placed = true;
            if (hasSst) {
                while (i + 1 < records.size() && records[i + 1].type == RecordType::Continue) ++i;
                continue;
            }
        }
        addRecord(layout, r);
    }
}

Layout layOut(const WorkbookStream& stream) {
    Layout layout;
    addGlobals(layout, stream);
    layout.globalsEnd = layout.pieces.size();
    for (const Substream& s : stream.substreams) {
        layout.substreamStart.push_back(layout.pieces.size());
        for (const Record& r : s.records) addRecord(layout, r);
    }
    return layout;
}

bool isStoredSst(const Piece& p) {
    return p.stored && p.stored->first == RecordType::SST;
}

// The SST's record and the Continue records right after it, in the globals;
// or the stand-in that holds them all.
std::vector<std::size_t> sstPieces(const Layout& layout) {
    std::vector<std::size_t> found;
    for (std::size_t i = 0; i < layout.globalsEnd; ++i) {
        if (isStoredSst(layout.pieces[i])) return {i};
        if (layout.pieces[i].type != RecordType::SST) continue;
        found.push_back(i);
        for (std::size_t k = i + 1;
             k < layout.globalsEnd && layout.pieces[k].type == RecordType::Continue; ++k)
            found.push_back(k);
        break;
    }
    return found;
}

std::optional<std::size_t> findPiece(const Layout& layout, std::size_t from, std::size_t to,
                                     RecordType type) {
    for (std::size_t i = from; i < to; ++i)
        if (layout.pieces[i].type == type) return i;
    return std::nullopt;
}

// A copy of the piece's payload, held by the layout, for the writer to patch.
std::span<std::uint8_t> ownedPayload(Layout& layout, std::size_t piece) {
    const auto stored = layout.pieces[piece].payload;
    layout.owned.emplace_back(stored.begin(), stored.end());
    layout.pieces[piece].payload = layout.owned.back();
    return layout.owned.back();
}

std::uint32_t readU32(std::span<const std::uint8_t> payload, std::size_t at) {
    io::ByteReader r(payload.subspan(at, 4));
    return r.u32();
}

// An SST that moved but did not change: every ISSTInf.ib moves with it, and
// the rest of the stored ExtSST (its reserved bytes too) stays.
void shiftExtSst(Layout& layout, std::size_t extAt, std::int64_t delta) {
    const auto payload = ownedPayload(layout, extAt);
    for (std::size_t at = 2; at + kIsstInfSize <= payload.size(); at += kIsstInfSize)
        io::storeU32(payload, at, static_cast<std::uint32_t>(readU32(payload, at) + delta));
}

// Rebuilds the ExtSST from where the strings land. When the rebuilt index says
// what the stored one says, the stored one is kept; when the table cannot be
// read (junk some writers leave), it is kept too: readers do not need it.
void rebuildExtSst(Layout& layout, std::size_t extAt, const std::vector<std::size_t>& sst,
                   std::size_t& leftAsStored) {
    std::vector<std::span<const std::uint8_t>> payloads;
    std::vector<std::uint64_t> offsets;
    for (std::size_t i : sst) {
        payloads.push_back(layout.pieces[i].payload);
        offsets.push_back(layout.offsets[i]);
    }
    // Only where each string starts is needed: the strings are stepped over.
    std::vector<SstPosition> positions;
    try {
        const SstIndex index(payloads);
        positions.reserve(index.size());
        for (std::size_t i = 0; i < index.size(); ++i) positions.push_back(index.position(i));
    } catch (const Error&) {
        ++leftAsStored;
        return;
    }
    const auto stored = layout.pieces[extAt].payload;
    io::ByteReader reader(stored, ErrorCode::CorruptWorkbook, "ExtSST");
    const std::uint16_t storedDsst = stored.size() >= 2 ? reader.u16() : 0;
    const std::uint16_t dsst = storedDsst != 0 ? storedDsst : extSstBucketSize(positions.size());
    std::vector<std::uint8_t> rebuilt = buildExtSst(dsst, positions, offsets);

    bool same = stored.size() == rebuilt.size();
    for (std::size_t at = 2; same && at + kIsstInfSize <= rebuilt.size(); at += kIsstInfSize)
        same = std::equal(rebuilt.begin() + at, rebuilt.begin() + at + 6, stored.begin() + at);
    if (same) return;
    layout.owned.push_back(std::move(rebuilt));
    layout.pieces[extAt].payload = layout.owned.back();
}

void placeExtSst(Layout& layout, const WriteHints& hints, std::size_t& leftAsStored) {
    const auto extAt = findPiece(layout, 0, layout.globalsEnd, RecordType::ExtSST);
    const auto sst = sstPieces(layout);
    if (!extAt || sst.empty() || *extAt < sst.back()) return;
    const std::uint64_t sstOffset = layout.offsets[sst.front()];
    // Strings left stored did not change: where they were is known.
    const auto& stored = layout.pieces[sst.front()].stored;
    const auto asLoaded = stored ? std::optional(stored->offset) : hints.sstOffsetAsLoaded;
    if (stored || (!hints.sstEdited && !layout.sstLaidOut && asLoaded)) {
        const auto delta =
            static_cast<std::int64_t>(sstOffset) - static_cast<std::int64_t>(*asLoaded);
        if (delta != 0) shiftExtSst(layout, *extAt, delta);
        return;
    }
    rebuildExtSst(layout, *extAt, sst, leftAsStored);
}

void computeOffsets(Layout& layout, std::size_t trailing) {
    layout.offsets.clear();
    std::uint64_t at = 0;
    for (const Piece& p : layout.pieces) {
        layout.offsets.push_back(at);
        at += p.size();
    }
    layout.size = at + trailing;
    if (layout.size > std::numeric_limits<std::uint32_t>::max())
        fail(ErrorCode::UnsupportedOperation, "the workbook stream would exceed 4 GB");
}

void patchSheetOffsets(const WorkbookStream& stream, Layout& layout) {
    std::size_t tab = 0;
    for (std::size_t i = 0; i < layout.globalsEnd; ++i) {
        if (layout.pieces[i].type != RecordType::BoundSheet8) continue;
        if (tab >= stream.sheetSubstream.size() || layout.pieces[i].payload.size() < 4 ||
            stream.sheetSubstream[tab] >= layout.substreamStart.size())
            fail(ErrorCode::CorruptWorkbook, "a sheet has no substream to point at");
        const auto lbPlyPos = static_cast<std::uint32_t>(
            layout.offsets[layout.substreamStart[stream.sheetSubstream[tab]]]);
        if (records::boundSheetLbPlyPos(layout.pieces[i].payload) != lbPlyPos)
            records::setBoundSheetLbPlyPos(ownedPayload(layout, i), lbPlyPos);
        ++tab;
    }
}

// Index positions move with their substream: the records between them are
// written as they were, so a shift by the substream's move keeps them right.
void patchIndexRecords(const WorkbookStream& stream, Layout& layout) {
    const std::size_t ibXfAt =
        stream.version == BiffVersion::Biff5 ? kIndexIbXfBiff5 : kIndexIbXfBiff8;
    for (std::size_t s = 0; s < stream.substreams.size(); ++s) {
        const std::size_t first = layout.substreamStart[s];
        const std::size_t end = s + 1 < layout.substreamStart.size() ? layout.substreamStart[s + 1]
                                                                     : layout.pieces.size();
        const auto delta = static_cast<std::int64_t>(layout.offsets[first]) -
                           static_cast<std::int64_t>(stream.substreams[s].offset);
        if (delta == 0) continue;
        const auto index = findPiece(layout, first, end, RecordType::Index);
        if (!index) continue;
        const auto payload = ownedPayload(layout, *index);
        for (std::size_t at = ibXfAt; at + 4 <= payload.size(); at += 4) {
            const std::uint32_t old = readU32(payload, at);
            if (old == 0) continue;  // no DefColWidth / no block: nothing to point at
            io::storeU32(payload, at, static_cast<std::uint32_t>(old + delta));
        }
    }
}

void appendRecord(std::vector<std::uint8_t>& out, const Piece& p) {
    biff::writeRecord(out, p.type, p.payload);
}

// A stored range this short is copied into the buffer around it rather than
// left a piece of its own: a sheet whose every other record an edit changed
// would otherwise go out as a rope of thousands of tiny pieces.
constexpr std::uint64_t kInlineStoredBytes = 64 * 1024;

bool inlined(const Piece& p) {
    return !p.stored || p.stored->size < kInlineStoredBytes;
}

// The records go out as buffers of consecutive written records (and short
// stored ranges) between the long stored ranges, which the rope reads from the
// stored stream when it is written.
io::ByteRope emit(const WorkbookStream& stream, const Layout& layout) {
    io::ByteRope rope;
    std::vector<std::uint8_t> run;
    for (std::size_t i = 0; i < layout.pieces.size(); ++i) {
        const Piece& p = layout.pieces[i];
        if (!inlined(p)) {
            rope.append(std::move(run));
            run = {};
            rope.append(p.stored->source, p.stored->offset, p.stored->size);
            continue;
        }
        if (run.empty()) {
            std::uint64_t length = 0;
            for (std::size_t k = i; k < layout.pieces.size() && inlined(layout.pieces[k]); ++k)
                length += layout.pieces[k].size();
            run.reserve(static_cast<std::size_t>(length + stream.trailing.size()));
        }
        if (p.stored) {
            const std::size_t at = run.size();
            run.resize(at + static_cast<std::size_t>(p.stored->size));
            p.stored->readInto(std::span(run).subspan(at));
        } else {
            appendRecord(run, p);
        }
    }
    const std::uint64_t recordsEnd = rope.size() + run.size();
    run.insert(run.end(), stream.trailing.begin(), stream.trailing.end());
    if (stream.cipher) {
        // Everything of an encrypted stream is held decrypted: one buffer.
        if (!rope.empty())
            fail(ErrorCode::UnsupportedOperation, "an encrypted stream with records left unread");
        encryptRecordBodies(run, *stream.cipher, static_cast<std::size_t>(recordsEnd));
    }
    rope.append(std::move(run));
    return rope;
}

}  // namespace

WriteHints readWriteHints(std::shared_ptr<const io::ByteSource> storedStream) {
    WriteHints hints;
    biff::RecordReader reader(std::move(storedStream));
    while (const auto header = reader.next()) {
        if (header->type == RecordType::SST) {
            hints.sstOffsetAsLoaded = header->offset;
            break;
        }
        if (header->type == RecordType::EOF_) break;
    }
    return hints;
}

io::ByteRope writeWorkbookStream(const WorkbookStream& stream, const WriteHints& hints,
                                 std::size_t* leftAsStored) {
    if (!stream.sheetSubstream.empty() && stream.substreams.empty())
        fail(ErrorCode::CorruptWorkbook, "sheets without substreams");
    Layout layout = layOut(stream);
    computeOffsets(layout, stream.trailing.size());
    std::size_t unread = 0;
    placeExtSst(layout, hints, unread);
    if (leftAsStored) *leftAsStored += unread;
    computeOffsets(layout, stream.trailing.size());  // the ExtSST may have changed size
    patchSheetOffsets(stream, layout);
    patchIndexRecords(stream, layout);
    return emit(stream, layout);
}

}  // namespace xls::model
