// Workbook::renameSheet, deleteSheet and moveSheet: the application's checks,
// then the edits in the workbook stream's records and the document summary.
#include <algorithm>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "model/doc_summary.h"
#include "ops/data_sources.h"
#include "ops/move_sheet.h"
#include "ops/sheet_edits.h"
#include "vba/project_storage.h"
#include "vba/remove_module.h"
#include "workbook/embedding_storages.h"
#include "workbook/sheet_code_name.h"
#include "workbook/workbook_impl.h"
#include "xls/error.h"
#include "xls/sheet_name.h"
#include "xls/workbook.h"

namespace xls {

namespace {

constexpr std::u16string_view kDocSummaryStream =
    u"\x05"
    u"DocumentSummaryInformation";

using model::WorkbookState;

[[noreturn]] void refuse(const WorkbookState& impl, ErrorCode code, std::string context = {}) {
    throw Error(code, impl.displayName, std::move(context));
}

void checkSheetsMayChange(const WorkbookState& impl, std::size_t tab) {
    if (impl.listing.version == model::BiffVersion::Biff5)
        refuse(impl, ErrorCode::UnsupportedVersion,
               "renaming and deleting sheets of Excel 5/95 workbooks is not supported");
    if (impl.listing.structureProtected) refuse(impl, ErrorCode::StructureProtected);
    if (tab >= impl.sheets.size())
        refuse(impl, ErrorCode::SheetNotFound, "tab " + std::to_string(tab));
}

// The document summary as it stands (edited or as stored), or nullopt when
// the file has none. An encrypted workbook may keep its summary encrypted too,
// so its titles are left alone.
std::optional<std::vector<std::uint8_t>> currentDocSummary(WorkbookState& impl) {
    if (impl.listing.filePass) return std::nullopt;
    if (impl.edits.docSummary) return impl.edits.docSummary;
    const auto id = impl.container.find(kDocSummaryStream);
    if (!id || impl.container.entries()[*id].type != cfb::EntryType::Stream) return std::nullopt;
    impl.edits.docSummaryId = *id;
    return impl.container.readStream(*id);
}

// What taking the sheet's document module out of the macro project changes;
// nothing when the workbook has no project or the sheet no CodeName.
vba::ProjectEdits planModuleRemoval(WorkbookState& impl, std::size_t tab) {
    if (!vba::findProjectStorage(impl.container)) return {};
    const auto codeName = codeNameOfSheet(impl.workbookStream(), tab);
    if (!codeName) return {};
    return vba::planDocumentModuleRemoval(impl.container, impl.edits.containerStreams, *codeName);
}

// The document summary as edit would leave it; nullopt when it does not
// change. Planned before the records change, so that a summary that cannot
// be read refuses the edit with the workbook as it was.
template <typename Edit>
std::optional<std::vector<std::uint8_t>> planDocSummary(WorkbookState& impl, Edit&& edit) {
    const auto current = currentDocSummary(impl);
    if (!current) return std::nullopt;
    return edit(*current);
}

void applyDocSummary(WorkbookState& impl, std::optional<std::vector<std::uint8_t>> summary) {
    if (summary) impl.edits.docSummary = std::move(*summary);
}

}  // namespace

void Workbook::renameSheet(std::size_t tabIndex, std::string_view newName) {
    Impl& impl = *impl_;
    checkSheetsMayChange(impl, tabIndex);
    if (const auto broken = checkSheetName(newName)) refuse(impl, *broken, std::string(newName));
    for (std::size_t i = 0; i < impl.sheets.size(); ++i) {
        // Another sheet's name in any letter case is taken; the sheet's own
        // name may change its letter case.
        if (i != tabIndex && sheetNamesEqual(impl.sheets[i].name, newName))
            refuse(impl, ErrorCode::SheetNameTaken, std::string(newName));
    }
    const std::string oldName = impl.sheets[tabIndex].name;
    model::namingFile(impl.displayName, [&] {
        auto summary = planDocSummary(impl, [&](const std::vector<std::uint8_t>& stream) {
            return model::renameSheetInDocSummary(stream, oldName, newName);
        });
        ops::renameSheetRecords(impl.workbookStream(), tabIndex, newName);
        ops::renameSheetInDataSources(impl.workbookStream().globals, oldName, newName,
                                      impl.edits.recordsLeftAsStored);
        applyDocSummary(impl, std::move(summary));
    });
    impl.sheets[tabIndex].name = std::string(newName);
    if (tabIndex < impl.listing.sheets.size())
        impl.listing.sheets[tabIndex].info.name = std::string(newName);
}

void Workbook::deleteSheet(std::size_t tabIndex) {
    Impl& impl = *impl_;
    checkSheetsMayChange(impl, tabIndex);
    std::vector<Visibility> visibilityAfter;
    for (std::size_t i = 0; i < impl.sheets.size(); ++i)
        if (i != tabIndex) visibilityAfter.push_back(impl.sheets[i].visibility);
    if (std::none_of(visibilityAfter.begin(), visibilityAfter.end(),
                     [](Visibility v) { return v == Visibility::Visible; }))
        refuse(impl, ErrorCode::LastVisibleSheet, impl.sheets[tabIndex].name);

    const std::string name = impl.sheets[tabIndex].name;
    model::namingFile(impl.displayName, [&] {
        // Planned first: a macro project that cannot be edited refuses the
        // delete before anything changes.
        vba::ProjectEdits project = planModuleRemoval(impl, tabIndex);
        const std::set<std::uint32_t> storages = embeddingStoragesOnlyOfSheet(
            impl.container, impl.edits, impl.workbookStream(), tabIndex);
        auto summary = planDocSummary(impl, [&](const std::vector<std::uint8_t>& stream) {
            return model::removeSheetFromDocSummary(stream, name);
        });
        impl.edits.recordsLeftAsStored +=
            ops::deleteSheetRecords(impl.workbookStream(), tabIndex, visibilityAfter);
        applyDocSummary(impl, std::move(summary));
        for (auto& [id, bytes] : project.streams)
            impl.edits.containerStreams[id] = std::move(bytes);
        impl.edits.containerRemovals.merge(project.removals);
        dropEmbeddingStorages(impl.container, storages, impl.edits);
    });
    const auto at = static_cast<std::ptrdiff_t>(tabIndex);
    impl.sheets.erase(impl.sheets.begin() + at);
    if (tabIndex < impl.listing.sheets.size())
        impl.listing.sheets.erase(impl.listing.sheets.begin() + at);
}

std::size_t Workbook::moveSheet(std::size_t tabIndex, std::size_t afterTab) {
    Impl& impl = *impl_;
    checkSheetsMayChange(impl, tabIndex);
    if (afterTab >= impl.sheets.size())
        refuse(impl, ErrorCode::SheetNotFound, "tab " + std::to_string(afterTab));
    // Taken out first, the sheet lands behind the anchor's place after that.
    const std::size_t newTab = afterTab >= tabIndex ? afterTab : afterTab + 1;
    // The sheets ahead of the moved one once it has moved.
    std::vector<std::string> ahead;
    for (std::size_t i = 0; ahead.size() < newTab; ++i)
        if (i != tabIndex) ahead.push_back(impl.sheets[i].name);
    model::namingFile(impl.displayName, [&] {
        auto summary = planDocSummary(impl, [&](const std::vector<std::uint8_t>& stream) {
            return model::moveSheetInDocSummary(stream, impl.sheets[tabIndex].name, ahead);
        });
        ops::moveSheetRecords(impl.workbookStream(), tabIndex, newTab);
        applyDocSummary(impl, std::move(summary));
    });
    auto follow = [&](auto& items) {
        if (std::max(tabIndex, newTab) >= items.size()) return;
        auto item = std::move(items[tabIndex]);
        items.erase(items.begin() + static_cast<std::ptrdiff_t>(tabIndex));
        items.insert(items.begin() + static_cast<std::ptrdiff_t>(newTab), std::move(item));
    };
    follow(impl.sheets);
    follow(impl.listing.sheets);
    return newTab;
}

}  // namespace xls
