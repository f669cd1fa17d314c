// An open workbook: its file, its compound file, which stream holds the
// workbook and what the listing read from it, the sheets as they now stand,
// and what the edits changed. The public Workbook is a facade over this
// state; the edits (xls/ops) take the parts of it they change. Opening reads
// only the container directory and the globals' listing; the whole workbook
// stream is loaded by the first edit that asks for it.
#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "cfb/compound_file.h"
#include "io/byte_source.h"
#include "io/file_identity.h"
#include "io/file_system_calls.h"
#include "model/edit_state.h"
#include "model/stream_location.h"
#include "model/workbook_listing.h"
#include "model/workbook_stream.h"
#include "xls/edit_lock.h"
#include "xls/error.h"
#include "xls/sheet_info.h"

namespace xls::model {

class WorkbookState {
  public:
    // Opens the compound file in source, finds the workbook stream and lists it.
    // A container damaged past the workbook globals (cut short, or with a FAT
    // that runs past the end) is listed from the sheets its globals name, as
    // other readers do; every edit then raises the damage.
    WorkbookState(std::filesystem::path filePath, std::string name,
                  std::shared_ptr<const io::ByteSource> bytes);

    std::filesystem::path path;  // empty for a workbook opened from memory
    std::string displayName;     // names the workbook in errors
    std::shared_ptr<const io::ByteSource> file;
    cfb::CompoundFile container;
    std::optional<Error> damage;      // set: listed in part, every edit refused
    WorkbookStreamEntry streamEntry;  // which stream holds the workbook
    WorkbookListing listing;          // sheet table, protection, encryption
    std::vector<SheetInfo> sheets;    // what the facade lists; edits keep it current
    EditState edits;                  // what edits changed outside the workbook stream
    // The file as read (or as last saved); a save refuses to replace anything else.
    std::optional<io::FileIdentity> identity;
    std::optional<EditLock> lock;  // held from opening to closing when opened to edit
    // The calls saving makes to write, flush and replace the file; tests put
    // faults in them.
    io::FileSystemCalls* fileSystem = &io::systemCalls();

    // The whole workbook stream as records (decrypted when encrypted), loaded on
    // first call; every edit and every save begins here. Errors carry
    // displayName; a damaged container raises its damage.
    WorkbookStream& workbookStream();

    struct Opened;  // what opening read: the container, its damage, the listing

  private:
    WorkbookState(std::filesystem::path filePath, std::string name,
                  std::shared_ptr<const io::ByteSource> bytes, Opened opened);

    std::optional<WorkbookStream> loadedStream_;
};

// Runs a step on the workbook named displayName, naming it in an error that
// names no file.
template <typename Step>
auto namingFile(const std::string& displayName, Step&& step) {
    try {
        return step();
    } catch (const Error& error) {
        if (!error.file().empty()) throw;
        throw error.withFile(displayName);
    }
}

}  // namespace xls::model
