// tarnvale-sheets: list, rename and delete worksheets from scripts.
//   tarnvale-sheets list [--json] FILE
//   tarnvale-sheets rename FILE SHEET NEWNAME
//   tarnvale-sheets delete FILE SHEET
// Exit status: 0 done, 1 the workbook or the operation was refused, 2 bad usage.
//
// Arguments pass through as the bytes the shell gave (UTF-8 names stay UTF-8);
// after "--" every word is positional, so a name may begin with '-'.
#include <cstdio>
#include <exception>
#include <iostream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

#include "excel/native_application.h"
#include "sheet_commands.h"

namespace {

constexpr int kExitRefused = 1;
constexpr int kExitUsage = 2;

struct Command {
    std::string_view name;
    std::vector<std::string_view> arguments;  // positional arguments after the command's name
    std::string_view summary;
};

const std::vector<Command>& commands() {
    static const std::vector<Command> table = {
        {"list", {"FILE"}, "Print the worksheets of FILE in tab order, one per line."},
        {"rename", {"FILE", "SHEET", "NEWNAME"}, "Rename the sheet SHEET of FILE to NEWNAME."},
        {"delete", {"FILE", "SHEET"}, "Delete the sheet SHEET of FILE."},
    };
    return table;
}

std::string joined(const std::vector<std::string_view>& words) {
    std::string text;
    for (const auto word : words) {
        if (!text.empty()) text += ' ';
        text += word;
    }
    return text;
}

std::string usageText() {
    std::string text = "Usage:\n";
    for (const auto& command : commands()) {
        text += "  tarnvale-sheets ";
        text += command.name;
        if (command.name == "list") text += " [--json]";
        text += ' ' + joined(command.arguments) + "\n      ";
        text += command.summary;
        text += '\n';
    }
    text += "A SHEET or NEWNAME that begins with '-' goes after \"--\".\n";
    return text;
}

int usageError(const std::string& message) {
    std::fprintf(stderr, "tarnvale-sheets: %s\n%s", message.c_str(), usageText().c_str());
    return kExitUsage;
}

const char* visibilityName(int visible) {
    switch (visible) {
        case -1:
            return "visible";
        case 2:
            return "veryHidden";
        default:
            return "hidden";
    }
}

void printListing(const std::vector<cli::ListedSheet>& sheets, bool json) {
    if (!json) {
        for (const auto& sheet : sheets) std::cout << sheet.name << '\n';
        return;
    }
    auto array = nlohmann::json::array();
    for (const auto& sheet : sheets) {
        array.push_back({{"name", sheet.name}, {"visibility", visibilityName(sheet.visible)}});
    }
    // Names are written as UTF-8, not escaped; a byte that is not UTF-8 becomes U+FFFD
    // rather than failing the whole listing.
    std::cout << array.dump(4, ' ', false, nlohmann::json::error_handler_t::replace) << '\n';
}

// Whether text is well-formed UTF-8: no stray continuation byte, no overlong form,
// no surrogate, nothing past U+10FFFF.
bool isUtf8(std::string_view text) {
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const std::size_t length = lead < 0x80   ? 1
                                   : lead < 0xC2 ? 0
                                   : lead < 0xE0 ? 2
                                   : lead < 0xF0 ? 3
                                   : lead < 0xF5 ? 4
                                                 : 0;
        if (length == 0 || text.size() - i < length) return false;
        char32_t code = length == 1 ? lead : lead & (0x7F >> length);
        for (std::size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80) return false;
            code = (code << 6) | (next & 0x3F);
        }
        const char32_t smallest[] = {0, 0, 0x80, 0x800, 0x10000};
        if (code < smallest[length] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
            return false;
        }
        i += length;
    }
    return true;
}

const Command* findCommand(const std::string& name) {
    for (const auto& command : commands()) {
        if (command.name == name) return &command;
    }
    return nullptr;
}

// Runs the command on a real workbook; returns the exit status.
int runCommand(const Command& command, const std::vector<std::string>& args, bool json) {
    excel::NativeApplicationFactory factory;
    std::size_t leftAsStored = 0;
    try {
        if (command.name == "list") {
            printListing(cli::listWorksheets(factory, args[0]), json);
        } else if (command.name == "rename") {
            // Sheet names are stored as UTF-16: bytes that are not UTF-8 have no
            // faithful name to become.
            if (!isUtf8(args[2])) {
                throw std::runtime_error("\"" + args[0] + "\": the new name is not UTF-8 text.");
            }
            leftAsStored = cli::renameSheet(factory, args[0], args[1], args[2]);
        } else {
            leftAsStored = cli::deleteSheet(factory, args[0], args[1]);
        }
    } catch (const std::exception& error) {
        std::fprintf(stderr, "tarnvale-sheets: %s\n", error.what());
        return kExitRefused;
    }
    // Saved, but not everything was brought up to date: say so.
    if (leftAsStored > 0) {
        std::fprintf(
            stderr,
            "tarnvale-sheets: \"%s\": %zu records could not be read and were left as stored\n",
            args[0].c_str(), leftAsStored);
    }
    // A listing that could not be written (a full disk, a closed pipe) is no success.
    if (!std::cout.flush()) {
        std::fprintf(stderr, "tarnvale-sheets: could not write the listing of \"%s\"\n",
                     args[0].c_str());
        return kExitRefused;
    }
    return 0;
}

}  // namespace

int main(int argc, char* argv[]) {
    CLI::App parser{"List, rename and delete the worksheets of .xls workbooks.", "tarnvale-sheets"};
    bool json = false;
    std::vector<std::string> words;  // the command's name, then its arguments
    parser.add_flag("--json", json, "With list: print a JSON array of {name, visibility}.");
    parser.add_option("words", words, "list, rename or delete, then its arguments");
    try {
        parser.parse(argc, argv);
    } catch (const CLI::CallForHelp&) {
        std::cout << usageText();
        return 0;
    } catch (const CLI::ParseError& error) {
        return usageError(error.what());
    }

    if (words.empty()) return usageError("no command given");
    const Command* command = findCommand(words.front());
    if (!command) return usageError("unknown command \"" + words.front() + "\"");
    words.erase(words.begin());
    if (words.size() != command->arguments.size()) {
        return usageError(std::string(command->name) + " takes " + joined(command->arguments));
    }
    if (json && command->name != "list") return usageError("--json goes with list only");
    return runCommand(*command, words, json);
}
