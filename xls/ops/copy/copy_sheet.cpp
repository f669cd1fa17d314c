#include "ops/copy/copy_sheet.h"

#include <algorithm>
#include <functional>
#include <map>
#include <set>
#include <utility>

#include "model/shared_strings.h"
#include "ops/copy/apply_format_merge.h"
#include "ops/copy/chart_records.h"
#include "ops/copy/copied_sheet.h"
#include "ops/copy/copy_drawing.h"
#include "ops/copy/copy_names.h"
#include "ops/copy/extern_table.h"
#include "ops/copy/external_cache.h"
#include "ops/copy/external_workbook.h"
#include "ops/copy/insert_sheet.h"
#include "ops/copy/merge_cell_formats.h"
#include "ops/copy/merge_shared_strings.h"
#include "ops/copy/remap_cell_records.h"
#include "ops/copy/repoint_formulas.h"
#include "ops/copy/sheet_usage.h"
#include "ops/copy/text_object_fonts.h"
#include "ops/sheet_edits.h"
#include "xls/error.h"

namespace xls::ops::copy {

using biff::RecordType;

namespace {

constexpr std::uint16_t kNoSheet = 0xFFFF;        // itab of a reference shown as #REF!
constexpr std::uint16_t kWholeWorkbook = 0xFFFE;  // itab of a workbook-level reference

// The sheet's records, read once: the copy owns them from here on.
CopiedSheet sheetToCopy(const model::WorkbookStream& source, std::size_t tab) {
    if (tab >= source.sheetSubstream.size())
        fail(ErrorCode::SheetNotFound, "tab " + std::to_string(tab));
    const model::Substream& sheet = source.substreams[source.sheetSubstream[tab]];
    if (!sheet.closed) fail(ErrorCode::CorruptWorkbook, "the sheet ends before its EOF");
    return CopiedSheet(sheet);
}

SheetUsage usageOf(const CopiedSheet& sheet) {
    SheetUsageScanner scanner;
    sheet.readAll([&](const std::vector<model::Record>& chunk) { scanner.scan(chunk); });
    SheetUsage usage = std::move(scanner).usage();
    if (!usage.notCopyable.empty()) {
        std::string what;
        for (const auto& n : usage.notCopyable) what += (what.empty() ? "" : ", ") + n;
        fail(ErrorCode::CopyUnsupported, what);
    }
    return usage;
}

// The sheet's code name belongs to the source's macro project: the copy goes
// without it, and the application names the copy's module when it needs one.
void dropCodeName(std::vector<model::Record>& records) {
    std::erase_if(records, [](const model::Record& r) { return r.type == RecordType::CodeName; });
}

std::vector<std::uint8_t> boundSheetPayload(const model::WorkbookStream& stream, std::size_t tab) {
    std::size_t seen = 0;
    for (const auto& r : stream.globals.records) {
        if (r.type != RecordType::BoundSheet8) continue;
        if (seen++ == tab) return r.payload;
    }
    fail(ErrorCode::SheetNotFound, "tab " + std::to_string(tab));
}

// Where each source XTI leads once the sheet lives in the destination: a
// reference to the copied sheet itself reaches the copy; inside one workbook
// every other reference stays; from another workbook, a reference to another
// of its sheets reaches that sheet through a link to the source file, and a
// reference the source already made to a third workbook is carried over.
class XtiRouting {
  public:
    // sourceLink: the SupBook block linking to the source file, made on first need.
    XtiRouting(const model::Substream& sourceGlobals, ExternTable& destination,
               const SheetCopyRequest& request, bool sameWorkbook, std::size_t sourceTabNow,
               std::uint16_t destinationSheets,
               std::function<std::vector<model::Record>()> sourceLink)
        : sourceLink_(std::move(sourceLink)),
          source_(sameWorkbook ? destination : ExternTable(sourceGlobals)),
          destination_(destination),
          request_(request),
          sameWorkbook_(sameWorkbook),
          sourceTabNow_(sourceTabNow),
          destinationSheets_(destinationSheets) {}

    std::optional<std::uint16_t> operator()(std::uint16_t ixti) {
        if (const auto found = routed_.find(ixti); found != routed_.end()) return found->second;
        const auto& xtis = source_.xtis();
        if (ixti >= xtis.size()) return std::nullopt;  // a damaged reference stays as it is
        const Xti x = xtis[ixti];
        const bool self = source_.selfSupBook() && x.supBook == *source_.selfSupBook();
        const auto newTab = static_cast<std::uint16_t>(request_.newTab);
        std::uint16_t routed = ixti;
        if (self && x.itabFirst == sourceTabNow_ && x.itabLast == sourceTabNow_) {
            routed = selfXti(newTab, newTab);
        } else if (sameWorkbook_) {
            routed = ixti;
        } else if (self && (x.itabFirst == kNoSheet || x.itabFirst == kWholeWorkbook)) {
            routed = selfXti(x.itabFirst, x.itabLast);
        } else if (self) {
            if (!sourceBook_) sourceBook_ = destination_.supBookFor(sourceLink_());
            const std::uint16_t book = *sourceBook_;
            routed = destination_.xtiFor({book, x.itabFirst, x.itabLast});
        } else {
            const std::uint16_t book = destination_.supBookFor(source_.supBookBlock(x.supBook));
            routed = destination_.xtiFor({book, x.itabFirst, x.itabLast});
        }
        routed_[ixti] = routed;
        return routed;
    }

    // The map for the ixtis given, every other one kept.
    IndexMap mapFor(const std::set<std::uint16_t>& used) {
        IndexMap map;
        for (std::uint16_t ixti : used) {
            if (map.size() <= ixti) {
                const auto from = map.size();
                map.resize(ixti + std::size_t{1});
                for (std::size_t i = from; i < map.size(); ++i)
                    map[i] = static_cast<std::uint32_t>(i);
            }
            map[ixti] = (*this)(ixti).value_or(ixti);
        }
        return map;
    }

  private:
    std::uint16_t selfXti(std::uint16_t first, std::uint16_t last) {
        return destination_.xtiFor({destination_.selfSupBookFor(destinationSheets_), first, last});
    }

    std::function<std::vector<model::Record>()> sourceLink_;
    std::optional<std::uint16_t> sourceBook_;
    ExternTable source_;
    ExternTable& destination_;
    const SheetCopyRequest& request_;
    bool sameWorkbook_;
    std::size_t sourceTabNow_;
    std::uint16_t destinationSheets_;
    std::map<std::uint16_t, std::uint16_t> routed_;
};

std::vector<bool> asFlags(const std::set<std::uint16_t>& used) {
    std::vector<bool> flags(used.empty() ? 0 : *used.rbegin() + std::size_t{1}, false);
    for (std::uint16_t i : used) flags[i] = true;
    return flags;
}

std::size_t fontCount(const model::Substream& globals) {
    return static_cast<std::size_t>(
        std::count_if(globals.records.begin(), globals.records.end(),
                      [](const model::Record& r) { return r.type == RecordType::Font; }));
}

}  // namespace

void copySheetRecords(model::WorkbookStream& source, model::WorkbookStream& destination,
                      const SheetCopyRequest& request, model::EditState& state) {
    const bool sameWorkbook = &source == &destination;
    CopiedSheet sheet = sheetToCopy(source, request.sourceTab);
    const SheetUsage usage = usageOf(sheet);
    std::vector<std::uint8_t> boundSheet = boundSheetPayload(source, request.sourceTab);
    if (request.newTab > destination.sheetSubstream.size())
        fail(ErrorCode::SheetNotFound, "tab " + std::to_string(request.newTab));

    // The source's shared strings, read once for the string merge and the
    // cached values of the cells its other sheets give the copy's formulas.
    std::optional<model::SstIndex> sourceStrings;
    const auto sourceStringTable = [&]() -> const model::SstIndex& {
        if (!sourceStrings) sourceStrings = model::indexSharedStrings(source);
        return *sourceStrings;
    };

    // Every plan is made, and every limit checked, before the destination changes.
    std::optional<FormatMergePlan> formats;
    std::optional<SharedStringsPlan> strings;
    if (!sameWorkbook) {
        // Rich text runs may name any font: every font comes along (equal
        // ones are reused, so only those the destination lacks are added).
        FormatUse use;
        use.xfs = asFlags(usage.cellFormats);
        use.fonts.assign(fontCount(source.globals) + 1, true);  // FontIndex 4 is never used
        const ChartUse charts = chartUse(sheet.records());
        use.ifmts = asFlags(charts.ifmts);
        use.sourceColours.assign(charts.colours.begin(), charts.colours.end());
        formats = planFormatMerge(source.globals, destination.globals, use);
        strings = planSharedStrings(sourceStringTable(), usage, destination, &formats->fonts);
    }
    const DrawingCopyPlan drawing =
        planDrawingCopy(source.globals, sheet.records(), destination.globals, sameWorkbook);

    // The tables change on a copy of the destination's globals.
    model::Substream globals = destination.globals;
    shiftTabsForInsert(globals, request.newTab);
    const std::size_t sourceTabNow = sameWorkbook && request.sourceTab >= request.newTab
                                         ? request.sourceTab + 1
                                         : request.sourceTab;
    ExternTable table(globals);
    const auto sourceLink = [&] {
        auto link = externalWorkbookSupBook(request.sourcePath, request.destinationPath,
                                            request.sourceSheetNames);
        const auto cache = externalCacheRecords(
            source, sourceStringTable(),
            externalAreas(source.globals, sheet, request.sourceTab, usage.names));
        link.insert(link.end(), cache.begin(), cache.end());
        return link;
    };
    XtiRouting routing(source.globals, table, request, sameWorkbook, sourceTabNow,
                       static_cast<std::uint16_t>(destination.sheetSubstream.size() + 1),
                       sourceLink);

    NameCopyRequest names;
    names.sourceTab = sourceTabNow;
    names.newTab = request.newTab;
    names.sameWorkbook = sameWorkbook;
    names.used = usage.names;
    const NameMap nameMap = copyNames(sameWorkbook ? globals : source.globals, globals, names,
                                      [&](std::uint16_t i) { return routing(i); });
    const IndexMap xtiMap = routing.mapFor(usage.xtis);
    sourceStrings.reset();  // every use of the source's strings is behind

    FormulaMaps formulaMaps;
    formulaMaps.xtis = &xtiMap;
    formulaMaps.names = nameMap.empty() ? nullptr : &nameMap;
    CellMaps cellMaps;
    if (formats) {
        cellMaps.cellFormats = &formats->xfs;
        cellMaps.sharedStrings = &strings->map;
        cellMaps.fonts = &formats->fonts;
    }
    const auto remap = [&](std::vector<model::Record>& records) {
        repointFormulas(records, formulaMaps);
        if (formats) remapCellRecords(records, cellMaps);
    };
    remap(sheet.records());
    sheet.editCells(remap);
    if (formats) {
        remapTextObjectFonts(sheet.records(), formats->fonts);
        remapChartRecords(sheet.records(), *formats);
        applyFormatMerge(*formats, globals);
    }
    applyDrawingCopy(drawing, sheet.records(), globals);
    dropCodeName(sheet.records());
    table.writeTo(globals);

    destination.globals = std::move(globals);
    if (strings) applySharedStrings(destination, *strings, state);
    insertSheet(destination, request.newTab, std::move(boundSheet), std::move(sheet).take());
    renameSheetRecords(destination, request.newTab, request.name);
}

}  // namespace xls::ops::copy
