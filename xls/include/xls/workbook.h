// A binary workbook (.xls/.xlt, Excel 97-2003; Excel 5/95 for listing) held
// as its original records. Opening reads only the container directory and the
// workbook globals, so listing costs the same whatever the size of the cell data.
#pragma once

#include <cstdint>
#include <filesystem>
#include <initializer_list>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "xls/edit_lock.h"
#include "xls/sheet_info.h"

namespace xls {

class ByteSource;

class Workbook {
  public:
    // Opens a workbook file. Fails with Error (FileNotFound, PasswordProtected, ...).
    static Workbook open(const std::filesystem::path& path);
    // Opens a workbook to edit, keeping lock (taken for this path, before
    // reading it) until the workbook is destroyed, so no other Tarnvale process
    // reads or saves it in between:
    //   Workbook::open(path, EditLock::acquire(path))
    static Workbook open(const std::filesystem::path& path, EditLock lock);
    // Opens a workbook held in memory; displayName names it in errors.
    static Workbook openBytes(std::vector<std::uint8_t> bytes, std::string displayName);

    Workbook(Workbook&&) noexcept;
    Workbook& operator=(Workbook&&) noexcept;
    ~Workbook();

    const std::filesystem::path& path() const;
    // Every sheet in tab order (BoundSheet8 order).
    const std::vector<SheetInfo>& sheets() const;
    // Tab indices of the worksheets (not dialog, chart, macro or module sheets).
    std::vector<std::size_t> worksheetIndices() const;
    // Tab index of the sheet named so, compared without regard to letter case.
    std::optional<std::size_t> findSheet(std::string_view name) const;

    bool isBiff5() const;
    bool isStructureProtected() const;
    bool isEncrypted() const;
    // Records the edits could not read, and the last save kept as stored
    // (never lost, but not brought up to date): 0 when every one was read.
    std::size_t recordsLeftAsStored() const;

    // Edits in memory; nothing reaches the file before save().
    void renameSheet(std::size_t tabIndex, std::string_view newName);
    void deleteSheet(std::size_t tabIndex);
    // Moves the sheet at tabIndex right behind the sheet at afterTab of this
    // same workbook, keeping its name and everything that refers to it; returns
    // its new tab index. Behind itself it stays where it is. Fails with Error
    // (UnsupportedVersion, StructureProtected, SheetNotFound, CorruptWorkbook).
    std::size_t moveSheet(std::size_t tabIndex, std::size_t afterTab);
    // Copies the sheet at sourceTab of source (another workbook, or this one) so
    // that it lands right behind the sheet at afterTab of this workbook. The copy
    // keeps the source sheet's name unless this workbook has a sheet of that name
    // in any letter case; it is then "Name (2)", "Name (3)", ... shortened to fit.
    // Returns the copy's tab index; sheets()[index].name is the name it received.
    // The source is never changed. Fails with Error (UnsupportedVersion,
    // StructureProtected, SheetNotFound, CopyUnsupported naming what cannot be
    // copied, TooManyFormats, ...), leaving both workbooks as they were.
    std::size_t copySheet(Workbook& source, std::size_t sourceTab, std::size_t afterTab);

    // The whole compound file as it would be saved.
    std::vector<std::uint8_t> serialize() const;
    // Writes back to path() safely (temporary file, flush, verify, rename).
    // Without a lock of its own (see open), it takes the edit lock for the
    // time of the save. Refuses, writing nothing, with Error FileLocked (another
    // process kept the lock past the wait), FileOpenElsewhere (a program such
    // as LibreOffice has the file open; the error says who),
    // FileChangedSinceOpened (checked just before replacing: the file is no
    // longer the one read, by identity, size or modification time).
    void save();
    // Saves two workbooks as one step: both new files are written, flushed and
    // checked before either replaces its original, then first replaces its
    // original, then second. A failure before the first replacement leaves both
    // files as they were; a failure after it leaves first saved and second as it
    // was. A move saves its destination first, so the sheet is never in neither.
    // The checks and refusals of save() apply to both, before either is replaced.
    static void saveTogether(Workbook& first, Workbook& second);

  private:
    // save() for one workbook or several (saveTogether): each workbook's own
    // lock, or locks taken now in a fixed order; the programs that have one
    // open refused; every new file written and verified; every original
    // checked unchanged; then each replaced in the order given.
    static void saveInOrder(std::initializer_list<Workbook*> books);

    friend class WorkbookInternals;  // the engine's own layers and tests
    struct Impl;
    explicit Workbook(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> impl_;
};

}  // namespace xls
