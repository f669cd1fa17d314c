#include "ops/copy/sheet_usage.h"

#include <algorithm>
#include <array>
#include <utility>

#include "biff/formula_rewrite.h"
#include "io/byte_reader.h"
#include "model/stored_records.h"
#include "ops/copy/cell_fields.h"
#include "ops/copy/repoint_formulas.h"
#include "ops/formula_fields.h"
#include "ops/obj_formula_fields.h"
#include "ops/pict_fmla.h"
#include "ops/record_runs.h"
#include "xls/error.h"

namespace xls::ops {

using biff::PtgBase;
using biff::RecordType;

namespace {

// What cannot be copied yet, as bits of SheetUsageScanner::blockers_, in the
// order the user reads them.
enum Blocker : unsigned {
    kActiveX = 1U << 0,
    kOleObjects = 1U << 1,
    kPivotTables = 1U << 2,
    kTables = 1U << 3,
    kExternalData = 1U << 4,
};

constexpr std::array<const char*, 5> kBlockerNames = {"ActiveX controls",
                                                      "linked or embedded objects", "pivot tables",
                                                      "tables", "external data ranges"};

constexpr std::uint16_t kOtPicture = 0x0008;
constexpr std::uint16_t kPioFCtl = 0x0010;     // an ActiveX control
constexpr std::uint16_t kPioFCamera = 0x0080;  // a picture of a range

// A picture that is an ActiveX control (FtPioGrbit.fCtl) or an OLE object
// (with an FtPictFmla) travels when its data is in this file (its fmla a
// PtgTbl: an embedding storage or the Ctls stream, which the copy brings
// along) or it is a picture of a range. A link to another file's object, a
// control or object whose data cannot be placed, and an FtPictFmla that
// cannot be read stay behind.
unsigned objBlocker(std::span<const std::uint8_t> obj) {
    if (objKind(obj) != kOtPicture) return 0;
    bool control = false;
    io::ByteReader r(obj);
    while (r.remaining() >= 4) {
        const std::uint16_t ft = r.u16();
        const std::uint16_t cb = r.u16();
        if (ft == 0 || cb > r.remaining()) break;
        if (ft == obj_part::kPioGrbit && cb >= 2) control = (obj[r.position()] & kPioFCtl) != 0;
        r.skip(cb);
    }
    const unsigned refused = control ? unsigned{kActiveX} : unsigned{kOleObjects};
    try {
        const auto pict = readPictFmla(obj);
        if (!pict) return control ? refused : 0U;
        if (pict->embedded) return 0;
        const bool camera = (pict->pictFlags & kPioFCamera) != 0 && !pict->formulas.empty();
        return camera && !control && !pict->link() ? 0U : refused;
    } catch (const Error&) {
        return refused;
    }
}

// Records of parts tied to workbook tables a copy does not merge, by what
// they make the sheet hold. Obj records are told apart by their payload
// elsewhere.
unsigned recordBlocker(RecordType type) {
    switch (type) {
        case RecordType::SxView:  // its cache lives in the workbook's pivot streams
            return kPivotTables;
        case RecordType::Feat11:  // list ids and names are unique per workbook
        case RecordType::Feat12:
        case RecordType::List12:
            return kTables;
        case RecordType::Qsi:  // tied to the workbook's connections and names
            return kExternalData;
        default:
            return 0;
    }
}

// Whether index is not yet marked in seen, marking it. An index past any
// real table (a damaged cell) grows the vector no further than 2^24 entries
// and is then reported each time, which the set behind it absorbs.
bool firstSight(std::vector<bool>& seen, std::uint32_t index) {
    constexpr std::uint32_t kMostTracked = std::uint32_t{1} << 24;
    if (index >= kMostTracked) return true;
    if (index >= seen.size()) seen.resize(std::max<std::size_t>(index + 1, seen.size() * 2));
    if (seen[index]) return false;
    seen[index] = true;
    return true;
}

void collectFormulaUsage(std::span<const std::uint8_t> rgce, SheetUsage& usage,
                         std::vector<biff::FormulaToken>& tokens) {
    biff::walkFormulaTokens(rgce, tokens);
    for (const biff::FormulaToken& token : tokens) {
        if (token.hasIxti()) usage.xtis.insert(biff::tokenIxti(rgce, token));
        if (token.base == PtgBase::Name) usage.names.insert(biff::tokenNameIndex(rgce, token));
        if (token.base == PtgBase::NameX)
            usage.externNames.insert(
                {biff::tokenIxti(rgce, token), biff::tokenNameIndex(rgce, token)});
    }
}

}  // namespace

void SheetUsageScanner::scan(const std::vector<model::Record>& records) {
    for (std::size_t i = 0; i < records.size(); ++i) {
        const model::Record& record = records[i];
        blockers_ |= recordBlocker(record.type);
        if (record.isStoredRun()) continue;
        const std::span<const std::uint8_t> payload(record.payload);
        if (record.type == RecordType::Obj) blockers_ |= objBlocker(payload);
        if (holdsCellIndices(record.type)) {
            const CellFormatFields xf = cellFormatFields(record.type, payload);
            for (std::size_t k = 0; k < xf.count; ++k) {
                const auto ixfe = static_cast<std::uint16_t>(
                    readU16(payload, xf.offset + k * xf.stride, "cell") & xf.mask);
                if (firstSight(formatSeen_, ixfe)) usage_.cellFormats.insert(ixfe);
            }
        }
        if (record.type == RecordType::LabelSst) {
            const std::uint32_t isst = readU32(payload, kLabelSstIsstOffset, "LabelSst");
            if (firstSight(stringSeen_, isst)) usage_.sharedStrings.insert(isst);
            ++usage_.sharedStringCells;
        }
        if (carriesSheetFormula(record.type)) {
            const RecordRun run = runAt(records, i);
            i = run.end - 1;
            // A record without Continue records is read where it is.
            std::span<const std::uint8_t> joined = payload;
            if (run.end - run.first > 1) {
                joinedInto(records, run, joined_);
                joined = joined_;
            }
            for (const FormulaField& f : formulaFields(record.type, joined))
                collectFormulaUsage(joined.subspan(f.offset, f.size), usage_, tokens_);
        }
    }
}

void SheetUsageScanner::nameBlockers(SheetUsage& usage) const {
    for (std::size_t bit = 0; bit < kBlockerNames.size(); ++bit)
        if (blockers_ & (1U << bit)) usage.notCopyable.emplace_back(kBlockerNames[bit]);
}

SheetUsage SheetUsageScanner::usage() const& {
    SheetUsage usage = usage_;
    nameBlockers(usage);
    return usage;
}

SheetUsage SheetUsageScanner::usage() && {
    SheetUsage usage = std::move(usage_);
    nameBlockers(usage);
    return usage;
}

bool usageReadsRecord(RecordType type) {
    return holdsCellIndices(type) || carriesSheetFormula(type) || type == RecordType::Continue ||
           type == RecordType::Obj;
}

SheetUsage scanSheetUsage(const model::WorkbookStream& /*stream*/, const model::Substream& sheet) {
    SheetUsageScanner scanner;
    scanner.scan(sheet.records);  // the records held; the scan steps over stand-ins
    if (!sheet.loaded)
        model::readStoredRecords(
            sheet, [&](const std::vector<model::Record>& chunk) { scanner.scan(chunk); },
            usageReadsRecord);
    return std::move(scanner).usage();
}

}  // namespace xls::ops
