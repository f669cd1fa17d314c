// The inside of xls::Workbook, shared by its read side (xls/workbook.cpp) and
// its edits and saving (xls/ops). Opening fills everything but the full load,
// which the first edit asks for.
#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cfb/compound_file.h"
#include "io/byte_source.h"
#include "io/file_identity.h"
#include "io/file_system_calls.h"
#include "model/stream_location.h"
#include "model/workbook_listing.h"
#include "model/workbook_stream.h"
#include "ops/edit_state.h"
#include "xls/edit_lock.h"
#include "xls/error.h"
#include "xls/workbook.h"

namespace xls {

struct Workbook::Impl {
    // Opens the compound file in source, finds the workbook stream and lists it.
    static std::unique_ptr<Impl> open(std::filesystem::path path, std::string displayName,
                                      std::shared_ptr<const io::ByteSource> source);
    // damage: why the container could only be read in part (it was opened
    // tolerating damage); the listing then takes the sheets the globals name.
    Impl(std::filesystem::path filePath, std::string name,
         std::shared_ptr<const io::ByteSource> bytes, cfb::CompoundFile compoundFile,
         std::optional<Error> damage = std::nullopt);

    std::filesystem::path path;  // empty for a workbook opened from memory
    std::string displayName;     // names the workbook in errors
    std::shared_ptr<const io::ByteSource> file;
    cfb::CompoundFile container;
    model::WorkbookStreamEntry streamEntry;  // which stream holds the workbook
    std::optional<Error> damage;             // set: listed in part, every edit refused
    model::WorkbookListing listing;          // sheet table, protection, encryption
    std::vector<SheetInfo> sheets;           // what sheets() gives; edits keep it current
    ops::EditState edits;                    // what edits changed outside the workbook stream
    // The file as read (or as last saved); a save refuses to replace anything else.
    std::optional<io::FileIdentity> identity;
    std::optional<EditLock> lock;  // held from opening to closing when opened to edit
    // The calls saving makes to write, flush and replace the file; tests put
    // faults in them.
    io::FileSystemCalls* fileSystem = &io::systemCalls();

    // The whole workbook stream as records (decrypted when encrypted), loaded on
    // first call; every edit and every save begins here. Errors carry
    // displayName; a damaged container raises its damage.
    model::WorkbookStream& workbookStream();

  private:
    std::optional<model::WorkbookStream> loadedStream_;
};

// The engine's way into a Workbook's inside, for its own layers and tests.
class WorkbookInternals {
  public:
    using Impl = Workbook::Impl;
    static Impl& of(Workbook& book) { return *book.impl_; }
};

}  // namespace xls
