#include "ops/copy/copy_sheet.h"

#include <map>
#include <set>

#include "biff/formula_rewrite.h"
#include "biff/formula_tokens.h"
#include "model/stored_records.h"
#include "ops/copy/copy_names.h"
#include "ops/copy/extern_table.h"
#include "ops/copy/insert_sheet.h"
#include "ops/formula_fields.h"
#include "ops/record_runs.h"
#include "ops/sheet_edits.h"
#include "xls/error.h"

namespace xls::ops::copy {

using biff::RecordType;

namespace {

constexpr std::uint16_t kSelfReference = 0x0401;

// The sheet's records, all held: the copy owns them from here on.
model::Substream heldCopy(const model::WorkbookStream& source, std::size_t tab) {
    if (tab >= source.sheetSubstream.size())
        fail(ErrorCode::SheetNotFound, "tab " + std::to_string(tab));
    model::Substream sheet = source.substreams[source.sheetSubstream[tab]];
    if (!sheet.loaded) model::loadRecords(source, sheet);
    if (!sheet.closed) fail(ErrorCode::CorruptWorkbook, "the sheet ends before its EOF");
    return sheet;
}

// What in the sheet a copy cannot carry yet, in the user's words; empty when
// it can be copied whole.
std::string uncopiable(const model::Substream& sheet) {
    std::set<std::string> found;
    int depth = 0;
    for (const auto& r : sheet.records) {
        if (r.type == RecordType::BOF && ++depth > 1) found.insert("charts");
        if (r.type == RecordType::EOF_) --depth;
        if (r.type == RecordType::Note) found.insert("comments");
        if (r.type == RecordType::MsoDrawing || r.type == RecordType::Obj ||
            r.type == RecordType::TxO)
            found.insert("drawings (pictures, shapes, text boxes or controls)");
    }
    std::string text;
    for (const auto& f : found) text += (text.empty() ? "" : ", ") + f;
    return text;
}

struct FormulaUse {
    std::set<std::uint32_t> names;  // 1-based Lbl indices
    std::set<std::uint16_t> ixtis;
};

FormulaUse formulaUse(const model::Substream& sheet) {
    FormulaUse use;
    for (std::size_t i = 0; i < sheet.records.size(); ++i) {
        if (!carriesFormula(sheet.records[i].type)) continue;
        const RecordRun run = runAt(sheet.records, i);
        const auto payload = joinedPayload(sheet.records, run);
        for (const FormulaField& f : formulaFields(sheet.records[i].type, payload)) {
            const std::span<const std::uint8_t> rgce(payload.data() + f.offset, f.size);
            for (const biff::FormulaToken& t : biff::walkFormulaTokens(rgce)) {
                if (t.base == biff::PtgBase::Name) use.names.insert(biff::tokenNameIndex(rgce, t));
                if (t.hasIxti()) use.ixtis.insert(biff::tokenIxti(rgce, t));
            }
        }
    }
    return use;
}

void rewriteFormulas(model::Substream& sheet, const biff::FormulaEdits& edits) {
    for (std::size_t i = 0; i < sheet.records.size(); ++i) {
        if (!carriesFormula(sheet.records[i].type)) continue;
        const RecordRun run = runAt(sheet.records, i);
        auto payload = joinedPayload(sheet.records, run);
        bool changed = false;
        for (const FormulaField& f : formulaFields(sheet.records[i].type, payload))
            changed = biff::rewriteFormula(std::span(payload).subspan(f.offset, f.size), edits) ||
                      changed;
        if (changed) spreadPayload(sheet.records, run, payload);
    }
}

// The sheet's code name belongs to the source's macro project: the copy goes
// without it, and the application names the copy's module when it needs one.
void dropCodeName(model::Substream& sheet) {
    std::erase_if(sheet.records,
                  [](const model::Record& r) { return r.type == RecordType::CodeName; });
}

std::vector<std::uint8_t> boundSheetPayload(const model::WorkbookStream& stream, std::size_t tab) {
    std::size_t seen = 0;
    for (const auto& r : stream.globals.records) {
        if (r.type != RecordType::BoundSheet8) continue;
        if (seen++ == tab) return r.payload;
    }
    fail(ErrorCode::SheetNotFound, "tab " + std::to_string(tab));
}

// Where a source XTI leads once the sheet lives in the destination.
class XtiRouting {
  public:
    XtiRouting(const model::Substream& sourceGlobals, ExternTable& destination,
               const SheetCopyRequest& request, bool sameWorkbook, std::size_t sourceTabNow,
               std::uint16_t destinationSheets)
        : source_(sameWorkbook ? destination : ExternTable(sourceGlobals)),
          destination_(destination),
          request_(request),
          sameWorkbook_(sameWorkbook),
          sourceTabNow_(sourceTabNow),
          destinationSheets_(destinationSheets) {}

    std::optional<std::uint16_t> operator()(std::uint16_t ixti) {
        if (const auto found = routed_.find(ixti); found != routed_.end()) return found->second;
        const auto xtis = source_.xtis();
        if (ixti >= xtis.size()) return std::nullopt;  // a damaged reference stays as it is
        const Xti x = xtis[ixti];
        const bool self = source_.selfSupBook() && x.supBook == *source_.selfSupBook();
        const auto newTab = static_cast<std::uint16_t>(request_.newTab);
        std::uint16_t routed = ixti;
        if (self && x.itabFirst == sourceTabNow_ && x.itabLast == sourceTabNow_) {
            routed = destination_.xtiFor(
                {destination_.selfSupBookFor(destinationSheets_), newTab, newTab});
        } else if (sameWorkbook_) {
            routed = ixti;
        } else if (self) {
            fail(ErrorCode::CopyUnsupported, "formulas that refer to other sheets of the source");
        } else {
            const std::uint16_t book = destination_.supBookFor(source_.supBookBlock(x.supBook));
            routed = destination_.xtiFor({book, x.itabFirst, x.itabLast});
        }
        routed_[ixti] = routed;
        return routed;
    }

  private:
    ExternTable source_;
    ExternTable& destination_;
    const SheetCopyRequest& request_;
    bool sameWorkbook_;
    std::size_t sourceTabNow_;
    std::uint16_t destinationSheets_;
    std::map<std::uint16_t, std::uint16_t> routed_;
};

}  // namespace

void copySheetRecords(model::WorkbookStream& source, model::WorkbookStream& destination,
                      const SheetCopyRequest& request) {
    const bool sameWorkbook = &source == &destination;
    model::Substream sheet = heldCopy(source, request.sourceTab);
    if (const auto what = uncopiable(sheet); !what.empty()) fail(ErrorCode::CopyUnsupported, what);
    if (!sameWorkbook) fail(ErrorCode::UnsupportedOperation, "copying between two workbooks");
    std::vector<std::uint8_t> boundSheet = boundSheetPayload(source, request.sourceTab);
    if (request.newTab > destination.sheetSubstream.size())
        fail(ErrorCode::SheetNotFound, "tab " + std::to_string(request.newTab));

    // Everything is built on a copy of the destination's globals.
    model::Substream globals = destination.globals;
    shiftTabsForInsert(globals, request.newTab);
    const std::size_t sourceTabNow = sameWorkbook && request.sourceTab >= request.newTab
                                         ? request.sourceTab + 1
                                         : request.sourceTab;
    ExternTable table(globals);
    XtiRouting routing(source.globals, table, request, sameWorkbook, sourceTabNow,
                       static_cast<std::uint16_t>(destination.sheetSubstream.size() + 1));
    const IxtiMap ixti = [&](std::uint16_t i) { return routing(i); };

    const FormulaUse use = formulaUse(sheet);
    NameCopyRequest names;
    names.sourceTab = sameWorkbook ? sourceTabNow : request.sourceTab;
    names.newTab = request.newTab;
    names.sameWorkbook = sameWorkbook;
    names.used = use.names;
    const NameMap nameMap =
        copyNames(sameWorkbook ? globals : source.globals, globals, names, ixti);

    biff::FormulaEdits edits;
    edits.ixti = ixti;
    edits.name = [&](std::uint32_t index) -> std::optional<std::uint32_t> {
        if (index < nameMap.size() && nameMap[index] != 0) return nameMap[index];
        return std::nullopt;
    };
    rewriteFormulas(sheet, edits);
    dropCodeName(sheet);
    table.writeTo(globals);

    destination.globals = std::move(globals);
    insertSheet(destination, request.newTab, std::move(boundSheet), std::move(sheet));
    renameSheetRecords(destination, request.newTab, request.name);
}

}  // namespace xls::ops::copy
