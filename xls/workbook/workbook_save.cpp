// Workbook::serialize and Workbook::save: the compound file rebuilt with the
// workbook stream (and an edited document summary, macro project and Ctls
// stream) replaced, the storages copies brought added, every other stream and
// storage kept; saved through a checked temporary file.
#include <map>
#include <vector>

#include "cfb/compound_file_writer.h"
#include "io/atomic_file.h"
#include "io/byte_rope.h"
#include "io/open_elsewhere.h"
#include "model/stream_writer.h"
#include "workbook/workbook_impl.h"
#include "xls/error.h"
#include "xls/workbook.h"

namespace xls {

namespace {

constexpr std::u16string_view kControlStream = u"Ctls";  // the ActiveX controls' data

// The written file must open and list the sheets this workbook now has. (Its
// records are the ones just written from the model, which held them all.)
void verifySaved(const std::filesystem::path& written, const std::vector<SheetInfo>& expected) {
    Workbook reopened = Workbook::open(written);
    const auto& sheets = reopened.sheets();
    bool same = sheets.size() == expected.size();
    for (std::size_t i = 0; same && i < sheets.size(); ++i)
        same = sheets[i].name == expected[i].name && sheets[i].type == expected[i].type &&
               sheets[i].visibility == expected[i].visibility;
    if (!same) fail(ErrorCode::WriteFailed, "the saved file does not list the expected sheets");
}

// Every stream the new file will carry must fit in the file it comes from: a
// directory entry that claims more (a damaged file) would have the writer set
// aside gigabytes for bytes that are not there.
void checkStreamSizes(const cfb::CompoundFile& container, std::uint64_t fileSize) {
    std::vector<std::uint32_t> storages{0};
    std::vector<bool> seen(container.entries().size(), false);
    while (!storages.empty()) {
        const std::uint32_t storage = storages.back();
        storages.pop_back();
        for (std::uint32_t id : container.children(storage)) {
            if (id >= seen.size() || seen[id]) continue;
            seen[id] = true;
            const auto& entry = container.entries()[id];
            if (entry.type == cfb::EntryType::Storage) storages.push_back(id);
            if (entry.type == cfb::EntryType::Stream && entry.size > fileSize)
                fail(ErrorCode::CorruptContainer, "a stream claims more bytes than the file holds");
        }
    }
}

// The new streams by directory id: the workbook stream (its untouched sheets
// as ranges of the stored one), an edited document summary and the macro
// project's edited streams.
std::map<std::uint32_t, io::ByteRope> newStreams(model::WorkbookState& impl) {
    checkStreamSizes(impl.container, impl.file->size());
    auto hints = model::readWriteHints(impl.container.openStream(impl.streamEntry.id));
    hints.sstEdited = impl.edits.sstEdited;
    std::map<std::uint32_t, io::ByteRope> replacements;
    impl.edits.savedLeftAsStored = 0;
    replacements[impl.streamEntry.id] =
        model::writeWorkbookStream(impl.workbookStream(), hints, &impl.edits.savedLeftAsStored);
    if (impl.edits.docSummary && impl.edits.docSummaryId)
        replacements[*impl.edits.docSummaryId] = io::ByteRope(*impl.edits.docSummary);
    for (const auto& [id, bytes] : impl.edits.containerStreams)
        replacements[id] = io::ByteRope(bytes);
    return replacements;
}

// What the save changes in the compound file: the new streams by directory
// id, and the entries copies added.
struct FileChanges {
    std::map<std::uint32_t, io::ByteRope> streams;
    std::vector<cfb::Addition> additions;
};

// The new streams, an edited Ctls stream among them; the storages copies
// brought, and a Ctls stream the file lacked.
FileChanges fileChanges(model::WorkbookState& impl) {
    FileChanges changes{newStreams(impl), impl.edits.additions};
    if (impl.edits.controls) {
        io::ByteRope controls(*impl.edits.controls);
        const auto id = impl.container.find(kControlStream);
        if (id && impl.container.entries()[*id].type == cfb::EntryType::Stream)
            changes.streams[*id] = std::move(controls);
        else
            changes.additions.push_back({std::u16string(kControlStream), nullptr, 0, controls});
    }
    return changes;
}

// The edit locks a save takes: none for a workbook opened with its own, the
// others' now (two in the fixed order that keeps crossed saves from waiting
// on each other).
template <typename WorkbookImpl>
std::vector<EditLock> lockForSaving(const std::vector<WorkbookImpl*>& books) {
    std::vector<EditLock> locks;
    if (books.size() == 2 && !books[0]->lock && !books[1]->lock) {
        auto [first, second] = EditLock::acquireBoth(books[0]->path, books[1]->path);
        locks.push_back(std::move(first));
        locks.push_back(std::move(second));
        return locks;
    }
    for (WorkbookImpl* impl : books) {
        if (!impl->lock) locks.push_back(EditLock::acquire(impl->path));
    }
    return locks;
}

}  // namespace

std::vector<std::uint8_t> Workbook::serialize() const {
    Impl& impl = *impl_;
    return model::namingFile(impl.displayName, [&] {
        io::VectorSink sink;
        const FileChanges changes = fileChanges(impl);
        cfb::writeCompoundFile(impl.container, changes.streams, impl.edits.containerRemovals,
                               changes.additions, sink);
        return std::move(sink.bytes());
    });
}

void Workbook::save() {
    saveInOrder({this});
}

void Workbook::saveInOrder(std::initializer_list<Workbook*> workbooks) {
    std::vector<Impl*> books;
    for (Workbook* workbook : workbooks) {
        Impl& impl = *workbook->impl_;
        if (impl.path.empty())
            throw Error(ErrorCode::UnsupportedOperation, impl.displayName,
                        "a workbook opened from memory has no file to save to");
        books.push_back(&impl);
    }
    // The streams are laid out before any lock is taken or temporary file
    // made: a workbook the writer refuses leaves no file behind.
    std::vector<FileChanges> changes;
    for (Impl* impl : books)
        changes.push_back(model::namingFile(impl->displayName, [&] { return fileChanges(*impl); }));

    const std::vector<EditLock> locks = lockForSaving(books);
    for (Impl* impl : books)
        model::namingFile(impl->displayName,
                          [&] { io::refuseIfOpenElsewhere(io::resolveSymbolicLinks(impl->path)); });
    std::vector<io::PendingFile> pending;
    for (std::size_t i = 0; i < books.size(); ++i) {
        Impl& impl = *books[i];
        pending.push_back(model::namingFile(impl.displayName, [&] {
            return io::PendingFile::prepare(
                impl.path,
                [&](io::ByteSink& out) {
                    cfb::writeCompoundFile(impl.container, changes[i].streams,
                                           impl.edits.containerRemovals, changes[i].additions, out);
                },
                [&](const std::filesystem::path& written) { verifySaved(written, impl.sheets); },
                *impl.fileSystem);
        }));
    }
    // Just before replacing: each original must still be the file that was read.
    for (std::size_t i = 0; i < books.size(); ++i) {
        io::refuseIfOpenElsewhere(pending[i].target());
        if (books[i]->identity) pending[i].checkOriginal(*books[i]->identity);
    }
    for (std::size_t i = 0; i < books.size(); ++i) {
        pending[i].commit();
        books[i]->identity = pending[i].written();
    }
}

}  // namespace xls
