#include "ops/copy/copy_embedded_objects.h"

#include <algorithm>
#include <limits>
#include <memory>
#include <string>

#include "biff/text_encoding.h"
#include "cfb/entry_name.h"
#include "io/byte_reader.h"
#include "model/stored_records.h"
#include "ops/embedded_objects.h"
#include "xls/error.h"

namespace xls::ops::copy {

using biff::RecordType;

namespace {

constexpr std::u16string_view kControlStream = u"Ctls";

// The Ctls stream as the workbook's edits leave it; empty when it has none.
std::vector<std::uint8_t> controlStream(const ContainerState& state) {
    if (state.edits.controls) return *state.edits.controls;
    const auto id = state.container.find(kControlStream);
    if (!id || state.container.entries()[*id].type != cfb::EntryType::Stream) return {};
    return state.container.readStream(*id);
}

// Whether the root of the workbook's file, once saved, holds an entry named name.
bool nameTaken(const ContainerState& state, const std::vector<cfb::Addition>& planned,
               std::u16string_view name) {
    const auto same = [&](const cfb::Addition& a) { return cfb::namesEqual(a.name, name); };
    return state.container.find(name) || std::any_of(planned.begin(), planned.end(), same) ||
           std::any_of(state.edits.additions.begin(), state.edits.additions.end(), same);
}

class EmbeddedPlanner {
  public:
    EmbeddedPlanner(const ContainerState& source, const ContainerState& destination)
        : source_(source), destination_(destination) {}

    void add(const PictFmla& pict) {
        const std::string what = pict.control() ? "ActiveX controls" : "linked or embedded objects";
        if (pict.inControlStream())
            addControlData(pict, what);
        else
            addStorage(pict.lPosInCtlStm, what);
    }

    EmbeddedCopyPlan take() { return std::move(plan_); }

  private:
    // The control's bytes appended to the destination's Ctls stream.
    void addControlData(const PictFmla& pict, const std::string& what) {
        const std::pair<std::uint32_t, std::uint32_t> range{pict.lPosInCtlStm,
                                                            pict.cbBufInCtlStm.value_or(0)};
        if (plan_.controlData.contains(range)) return;
        if (!sourceControls_) sourceControls_ = controlStream(source_);
        if (!plan_.controls) plan_.controls = controlStream(destination_);
        const auto& from = *sourceControls_;
        auto& to = *plan_.controls;
        if (range.first > from.size() || range.second > from.size() - range.first)
            fail(ErrorCode::CopyUnsupported, what + " (data outside the Ctls stream)");
        if (to.size() + range.second > std::numeric_limits<std::uint32_t>::max())
            fail(ErrorCode::CopyUnsupported, what + " (the Ctls stream would be too large)");
        plan_.controlData[range] = static_cast<std::uint32_t>(to.size());
        const auto first = from.begin() + static_cast<std::ptrdiff_t>(range.first);
        to.insert(to.end(), first, first + static_cast<std::ptrdiff_t>(range.second));
    }

    // The embedding storage copied under the first free id from its own on.
    void addStorage(std::uint32_t id, const std::string& what) {
        if (plan_.storages.contains(id)) return;
        const std::u16string name = embeddingStorageName(id);
        cfb::Addition addition = sourceEntry(name);
        if (!addition.file)
            fail(ErrorCode::CopyUnsupported,
                 what + " (storage " + biff::utf16ToUtf8(name) + " missing)");
        std::uint32_t fresh = id;
        while (nameTaken(destination_, plan_.additions, embeddingStorageName(fresh))) {
            if (++fresh == id) fail(ErrorCode::CopyUnsupported, what + " (no storage name left)");
        }
        plan_.storages[id] = fresh;
        addition.name = embeddingStorageName(fresh);
        plan_.additions.push_back(std::move(addition));
    }

    // The source's entry by name: one its edits added, or one of its file.
    cfb::Addition sourceEntry(std::u16string_view name) {
        for (const cfb::Addition& added : source_.edits.additions)
            if (added.file && cfb::namesEqual(added.name, name)) return added;
        cfb::Addition entry;
        if (const auto id = source_.container.find(name)) {
            if (!sourceFile_) sourceFile_ = std::make_shared<cfb::CompoundFile>(source_.container);
            entry.file = sourceFile_;
            entry.id = *id;
        }
        return entry;
    }

    const ContainerState& source_;
    const ContainerState& destination_;
    EmbeddedCopyPlan plan_;
    std::optional<std::vector<std::uint8_t>> sourceControls_;
    std::shared_ptr<const cfb::CompoundFile> sourceFile_;
};

}  // namespace

EmbeddedCopyPlan planEmbeddedCopy(const ContainerState& source,
                                  const model::WorkbookStream& sourceStream, std::size_t sourceTab,
                                  const ContainerState& destination) {
    if (sourceTab >= sourceStream.sheetSubstream.size())
        fail(ErrorCode::SheetNotFound, "tab " + std::to_string(sourceTab));
    EmbeddedPlanner planner(source, destination);
    eachEmbeddedObjectOfSheet(sourceStream.substreams[sourceStream.sheetSubstream[sourceTab]],
                              [&](const PictFmla& pict, auto&, RecordRun) { planner.add(pict); });
    return planner.take();
}

void applyEmbeddedCopy(EmbeddedCopyPlan plan, model::WorkbookStream& destination, std::size_t tab,
                       model::EditState& state) {
    if (plan.storages.empty() && plan.controlData.empty()) return;
    model::Substream& sheet = destination.substreams.at(destination.sheetSubstream.at(tab));
    const auto repoint = [&](std::vector<model::Record>& records) {
        eachEmbeddedObject(
            records, [&](const PictFmla& pict, std::vector<std::uint8_t>& joined, RecordRun run) {
                const std::uint32_t now =
                    pict.inControlStream()
                        ? plan.controlData.at({pict.lPosInCtlStm, pict.cbBufInCtlStm.value_or(0)})
                        : plan.storages.at(pict.lPosInCtlStm);
                io::storeU32(joined, pict.lPosOffset, now);
                spreadPayload(records, run, joined);
            });
    };
    repoint(sheet.records);
    if (!sheet.loaded)
        model::editStoredRecords(sheet, repoint, [](RecordType type) {
            return type == RecordType::Obj || type == RecordType::Continue;
        });
    for (cfb::Addition& addition : plan.additions) state.additions.push_back(std::move(addition));
    if (plan.controls) state.controls = std::move(plan.controls);
}

}  // namespace xls::ops::copy
