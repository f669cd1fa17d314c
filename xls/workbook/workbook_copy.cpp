// Workbook::copySheet and Workbook::saveTogether: the application's checks,
// then the copy in the workbook stream's records and the document summary.
#include <algorithm>
#include <optional>
#include <string>

#include "biff/text_encoding.h"
#include "cfb/compound_file.h"
#include "model/doc_summary.h"
#include "model/stored_records.h"
#include "ops/copy/copy_embedded_objects.h"
#include "ops/copy/copy_name.h"
#include "ops/copy/copy_sheet.h"
#include "vba/document_module.h"
#include "workbook/workbook_impl.h"
#include "xls/error.h"
#include "xls/workbook.h"

namespace xls {

namespace {

constexpr std::u16string_view kDocSummaryStream =
    u"\x05"
    u"DocumentSummaryInformation";
constexpr std::u16string_view kMacroProject = u"_VBA_PROJECT_CUR";

template <typename WorkbookImpl>
[[noreturn]] void refuse(const WorkbookImpl& impl, ErrorCode code, std::string context = {}) {
    throw Error(code, impl.displayName, std::move(context));
}

template <typename WorkbookImpl>
void checkMayTakePart(const WorkbookImpl& impl) {
    if (impl.listing.version == model::BiffVersion::Biff5)
        refuse(impl, ErrorCode::UnsupportedVersion,
               "copying sheets of Excel 5/95 workbooks is not supported");
    if (impl.listing.structureProtected) refuse(impl, ErrorCode::StructureProtected);
}

// The sheet's CodeName ([MS-XLS] 2.4.51): the name of its document module in
// the macro project, or nullopt when it has none. Raises CorruptWorkbook for
// one that cannot be read.
std::optional<std::string> sheetCodeName(const model::WorkbookStream& stream, std::size_t tab) {
    constexpr std::uint8_t kHighByte = 0x01;
    if (tab >= stream.sheetSubstream.size()) fail(ErrorCode::SheetNotFound);
    // The sheet's records are looked at where they are stored, never all held.
    std::optional<std::vector<std::uint8_t>> found;
    int depth = 0;
    model::scanPayloads(stream.substreams[stream.sheetSubstream[tab]],
                        [&](biff::RecordType type, std::span<const std::uint8_t> payload) {
                            if (type == biff::RecordType::BOF) ++depth;
                            if (type == biff::RecordType::EOF_) --depth;
                            if (depth == 1 && type == biff::RecordType::CodeName && !found)
                                found.emplace(payload.begin(), payload.end());
                        });
    if (!found) return std::nullopt;
    const auto& p = *found;
    const std::size_t cch = p.size() < 3 ? 0 : p[0] | std::size_t{p[1]} << 8;
    const bool wide = p.size() >= 3 && (p[2] & kHighByte) != 0;
    if (p.size() < 3 || p.size() < 3 + cch * (wide ? 2 : 1))
        fail(ErrorCode::CorruptWorkbook, "CodeName too short");
    std::u16string name;
    for (std::size_t i = 0; i < cch; ++i)
        name.push_back(wide ? static_cast<char16_t>(p[3 + 2 * i] | p[4 + 2 * i] << 8)
                            : static_cast<char16_t>(p[3 + i]));
    return biff::utf16ToUtf8(name);
}

// Whether the sheet's document module holds macro code the copy would lose.
// A workbook without a macro project, or a sheet without a CodeName, has no
// module for the sheet; a module that cannot be read counts as holding code.
template <typename WorkbookImpl>
bool sheetHoldsMacroCode(WorkbookImpl& impl, std::size_t tab) {
    if (!impl.container.find(kMacroProject)) return false;
    try {
        const auto codeName = sheetCodeName(impl.workbookStream(), tab);
        return codeName && vba::documentModuleHoldsCode(impl.container, *codeName);
    } catch (const Error&) {
        return true;
    }
}

// The name of the worksheet nearest to tab in the given direction, or "".
std::string neighbourWorksheet(const std::vector<SheetInfo>& sheets, std::size_t tab, int step) {
    for (auto i = static_cast<std::ptrdiff_t>(tab) + step;
         i >= 0 && i < static_cast<std::ptrdiff_t>(sheets.size()); i += step)
        if (sheets[static_cast<std::size_t>(i)].type == SheetType::Worksheet)
            return sheets[static_cast<std::size_t>(i)].name;
    return {};
}

}  // namespace

std::size_t Workbook::copySheet(Workbook& source, std::size_t sourceTab, std::size_t afterTab) {
    Impl& impl = *impl_;
    Impl& from = *source.impl_;
    checkMayTakePart(from);
    checkMayTakePart(impl);
    if (sourceTab >= from.sheets.size())
        refuse(from, ErrorCode::SheetNotFound, "tab " + std::to_string(sourceTab));
    if (afterTab >= impl.sheets.size())
        refuse(impl, ErrorCode::SheetNotFound, "tab " + std::to_string(afterTab));
    const SheetInfo original = from.sheets[sourceTab];
    if (original.type != SheetType::Worksheet)
        refuse(from, ErrorCode::CopyUnsupported, "only worksheets can be copied");
    // A sheet's code module may hold macros the copy cannot take along.
    if (sheetHoldsMacroCode(from, sourceTab))
        refuse(from, ErrorCode::CopyUnsupported, "its code module in the workbook's macro project");

    std::vector<std::string> taken;
    for (const SheetInfo& s : impl.sheets) taken.push_back(s.name);
    ops::copy::SheetCopyRequest request;
    request.sourceTab = sourceTab;
    request.newTab = afterTab + 1;
    request.name = ops::copy::copyNameFor(original.name, taken);
    request.sourcePath = from.path.empty() ? std::filesystem::path(from.displayName) : from.path;
    request.destinationPath =
        impl.path.empty() ? std::filesystem::path(impl.displayName) : impl.path;
    for (const SheetInfo& s : from.sheets) request.sourceSheetNames.push_back(s.name);

    SheetInfo copy = original;
    copy.name = request.name;
    const auto at = static_cast<std::ptrdiff_t>(request.newTab);
    std::vector<SheetInfo> sheetsAfter = impl.sheets;
    sheetsAfter.insert(sheetsAfter.begin() + at, copy);
    // The document summary is read and its new titles made before anything
    // changes: a summary that cannot be read refuses the copy, never leaves it
    // made but reported as failed.
    std::optional<std::uint32_t> summaryId;
    std::optional<std::vector<std::uint8_t>> summary;
    if (!impl.listing.filePass) {
        try {
            std::optional<std::vector<std::uint8_t>> current = impl.edits.docSummary;
            if (!current) {
                const auto id = impl.container.find(kDocSummaryStream);
                if (id && impl.container.entries()[*id].type == cfb::EntryType::Stream) {
                    summaryId = *id;
                    current = impl.container.readStream(*id);
                }
            }
            if (current)
                summary = model::insertSheetInDocSummary(
                    *current, copy.name, neighbourWorksheet(sheetsAfter, request.newTab, -1),
                    neighbourWorksheet(sheetsAfter, request.newTab, +1));
        } catch (const Error& error) {
            if (!error.file().empty()) throw;
            throw error.withFile(impl.displayName);
        }
    }

    try {
        auto embedded =
            ops::copy::planEmbeddedCopy({from.container, from.edits}, from.workbookStream(),
                                        sourceTab, {impl.container, impl.edits});
        ops::copy::copySheetRecords(from.workbookStream(), impl.workbookStream(), request,
                                    impl.edits);
        ops::copy::applyEmbeddedCopy(std::move(embedded), impl.workbookStream(), request.newTab,
                                     impl.edits);
    } catch (const Error& error) {
        if (!error.file().empty()) throw;
        throw error.withFile(from.displayName);
    }
    impl.sheets = std::move(sheetsAfter);
    if (request.newTab <= impl.listing.sheets.size()) {
        model::SheetEntry entry;
        entry.info = copy;
        impl.listing.sheets.insert(impl.listing.sheets.begin() + at, entry);
    }
    if (summary) {
        if (summaryId) impl.edits.docSummaryId = summaryId;
        impl.edits.docSummary = std::move(*summary);
    }
    return request.newTab;
}

void Workbook::saveTogether(Workbook& first, Workbook& second) {
    if (&first == &second) {
        first.save();
        return;
    }
    saveInOrder({&first, &second});
}

}  // namespace xls
