// A binary workbook (.xls/.xlt, Excel 97-2003; Excel 5/95 for listing) held
// as its original records. Opening reads only the container directory and the
// workbook globals, so listing costs the same whatever the size of the cell data.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace xls {

enum class SheetType { Worksheet, Dialog, Chart, MacroSheet, VbModule };
enum class Visibility { Visible, Hidden, VeryHidden };

struct SheetInfo {
    std::string name;  // UTF-8, exactly as stored
    SheetType type = SheetType::Worksheet;
    Visibility visibility = Visibility::Visible;
};

class ByteSource;

class Workbook {
  public:
    // Opens a workbook file. Fails with Error (FileNotFound, PasswordProtected, ...).
    static Workbook open(const std::filesystem::path& path);
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

    // Edits in memory; nothing reaches the file before save().
    void renameSheet(std::size_t tabIndex, std::string_view newName);
    void deleteSheet(std::size_t tabIndex);

    // The whole compound file as it would be saved.
    std::vector<std::uint8_t> serialize() const;
    // Writes back to path() safely (temporary file, flush, verify, rename).
    void save();

  private:
    struct Impl;
    explicit Workbook(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> impl_;
};

}  // namespace xls
