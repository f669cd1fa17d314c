#include "process_table.h"

#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <fstream>
#include <iterator>
#include <optional>

namespace excel {
namespace {

bool isProcessNumber(const std::string& name) {
    return !name.empty() && name.size() < 10 &&
           std::all_of(name.begin(), name.end(),
                       [](unsigned char c) { return std::isdigit(c) != 0; });
}

std::optional<std::string> readSmallFile(const std::filesystem::path& path) {
    constexpr std::size_t kLimit = 1 << 16;  // a command line longer than this is cut
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::string text(kLimit, '\0');
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    text.resize(static_cast<std::size_t>(in.gcount()));
    return text;
}

// cmdline holds the arguments separated (and ended) by NUL characters.
std::vector<std::string> splitArguments(const std::string& cmdline) {
    std::vector<std::string> arguments;
    std::size_t start = 0;
    while (start < cmdline.size()) {
        std::size_t end = cmdline.find('\0', start);
        if (end == std::string::npos) end = cmdline.size();
        arguments.push_back(cmdline.substr(start, end - start));
        start = end + 1;
    }
    return arguments;
}

}  // namespace

std::vector<ProcessEntry> ReadProcessTable(const std::filesystem::path& root) {
    std::vector<ProcessEntry> table;
    for (const auto& entry : std::filesystem::directory_iterator(root)) {
        const std::string name = entry.path().filename().string();
        if (!isProcessNumber(name)) continue;
        struct stat info {};
        if (::stat(entry.path().c_str(), &info) != 0) continue;  // ended meanwhile
        auto command = readSmallFile(entry.path() / "comm");
        auto cmdline = readSmallFile(entry.path() / "cmdline");
        if (!command || !cmdline) continue;
        if (!command->empty() && command->back() == '\n') command->pop_back();
        table.push_back(
            ProcessEntry{std::stoi(name), info.st_uid, *command, splitArguments(*cmdline)});
    }
    return table;
}

}  // namespace excel
