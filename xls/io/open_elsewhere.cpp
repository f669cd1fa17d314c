#include "io/open_elsewhere.h"

#include <fstream>
#include <string_view>
#include <vector>

#include "xls/error.h"

namespace xls::io {

namespace {

// A lock file is one short line; anything longer is read no further.
constexpr std::size_t kMaxLockFileBytes = 4096;

// The comma-separated fields of a LibreOffice lock file, unescaped, up to the ';'.
std::vector<std::string> lockFileFields(std::string_view text) {
    std::vector<std::string> fields(1);
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\\' && i + 1 < text.size()) {
            fields.back() += text[++i];
        } else if (c == ',') {
            fields.emplace_back();
        } else if (c == ';') {
            break;
        } else {
            fields.back() += c;
        }
    }
    return fields;
}

// "LibreOffice (by NAME on HOST since WHEN; its lock file is ".~lock.NAME#")".
std::string describeLibreOfficeLock(const std::string& lockName, std::string_view text) {
    const std::vector<std::string> fields = lockFileFields(text);
    auto field = [&](std::size_t i) { return i < fields.size() ? fields[i] : std::string(); };
    // The name the user gave LibreOffice, else the system's user name.
    const std::string who = field(0).empty() ? field(1) : field(0);
    std::string detail;
    if (!who.empty()) detail += "by " + who;
    if (!field(2).empty()) detail += (detail.empty() ? "on " : " on ") + field(2);
    if (!field(3).empty()) detail += (detail.empty() ? "since " : " since ") + field(3);
    if (!detail.empty()) detail += "; ";
    return "LibreOffice (" + detail + "its lock file is \"" + lockName + "\")";
}

}  // namespace

std::optional<std::string> findOtherEditor(const std::filesystem::path& workbook) {
    const std::string lockName = ".~lock." + workbook.filename().string() + "#";
    const std::filesystem::path lockFile = workbook.parent_path() / lockName;
    std::error_code error;
    if (!std::filesystem::exists(std::filesystem::symlink_status(lockFile, error))) {
        return std::nullopt;
    }
    std::string text;
    if (std::ifstream in{lockFile, std::ios::binary}) {
        text.resize(kMaxLockFileBytes);
        in.read(text.data(), static_cast<std::streamsize>(text.size()));
        text.resize(static_cast<std::size_t>(in.gcount()));
    }
    return describeLibreOfficeLock(lockName, text);
}

void refuseIfOpenElsewhere(const std::filesystem::path& workbook) {
    if (auto editor = findOtherEditor(workbook)) {
        throw Error(ErrorCode::FileOpenElsewhere, workbook.string(), *editor);
    }
}

}  // namespace xls::io
