#include "guard.h"

#include <unistd.h>

#include <algorithm>
#include <cctype>

namespace excel {
namespace {

std::string baseName(const std::string& path) {
    const auto slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string upper(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return text;
}

}  // namespace

bool IsSpreadsheetProcess(const ProcessEntry& process) {
    const std::string program = process.arguments.empty() ? "" : baseName(process.arguments[0]);
    for (const std::string& name : {process.command, program}) {
        if (name == "soffice.bin" || name == "gnumeric") return true;
    }
    // Wine runs Excel under its own loader with the Windows path among the arguments.
    if (upper(process.command) == "EXCEL.EXE") return true;
    return std::any_of(
        process.arguments.begin(), process.arguments.end(),
        [](const std::string& argument) { return baseName(upper(argument)) == "EXCEL.EXE"; });
}

bool IsExcelRunning(const std::filesystem::path& procRoot, unsigned uid) {
    try {
        const auto table = ReadProcessTable(procRoot);
        return std::any_of(table.begin(), table.end(), [uid](const ProcessEntry& process) {
            return process.uid == uid && IsSpreadsheetProcess(process);
        });
    } catch (...) {
        return false;
    }
}

bool IsExcelRunning() {
    return IsExcelRunning("/proc", ::getuid());
}

bool WarnIfExcelRunning(MessageBox& box, const std::function<bool()>& isExcelRunning) {
    if (!isExcelRunning()) return false;
    return box.messageBox(kExcelRunningWarning, kButtonsYesNo) != kAnswerYes;
}

bool WarnIfExcelRunning(MessageBox& box) {
    return WarnIfExcelRunning(box, [] { return IsExcelRunning(); });
}

}  // namespace excel
