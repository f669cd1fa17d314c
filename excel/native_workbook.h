// A workbook open in the native backend, and the sheet collections and sheets
// reached through it. Sheets keep their identity across renames and deletions
// of other sheets, as the application's sheet objects do.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "automation.h"
#include "xls/workbook.h"

namespace excel {

class NativeWorkbook final : public Workbook, public std::enable_shared_from_this<NativeWorkbook> {
  public:
    NativeWorkbook(xls::Workbook book, std::string path);

    std::shared_ptr<Sheets> worksheets() override;
    std::shared_ptr<Sheets> sheets() override;
    void save(int locale) override;
    std::size_t recordsLeftAsStored() const override { return book_.recordsLeftAsStored(); }

    const std::string& path() const { return path_; }

    // Sheet identities, parallel to the engine's tab order.
    std::size_t tabIndexOf(std::uint32_t sheetId) const;  // throws CallError when gone
    std::uint32_t sheetIdAt(std::size_t tabIndex) const { return sheetIds_.at(tabIndex); }
    const xls::SheetInfo& info(std::uint32_t sheetId) const;
    void rename(std::uint32_t sheetId, const std::string& name);
    void remove(std::uint32_t sheetId);
    // Puts sheet sheetId right behind sheet anchorId of this workbook.
    void moveWithin(std::uint32_t sheetId, std::uint32_t anchorId);
    // Copies source's sheet sheetId right behind this workbook's sheet anchorId
    // (source may be this workbook); returns the copy's identity.
    std::uint32_t insertCopy(NativeWorkbook& source, std::uint32_t sheetId, std::uint32_t anchorId);
    xls::Workbook& engine() { return book_; }

  private:
    xls::Workbook book_;
    std::string path_;
    std::vector<std::uint32_t> sheetIds_;
    std::uint32_t nextSheetId_ = 1;
};

// Turns an engine failure into the boundary's error, keeping the engine's sentence.
[[noreturn]] void rethrowAsCallError(const std::string& path);

}  // namespace excel
