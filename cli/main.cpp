// tarnvale-sheets: list, rename, delete, copy and move worksheets from scripts.
//   tarnvale-sheets list [--json] FILE
//   tarnvale-sheets rename FILE SHEET NEWNAME
//   tarnvale-sheets delete FILE SHEET
//   tarnvale-sheets copy|move [--json] SRC SHEET DEST --after ANCHOR [--name NEWNAME]
// Exit status: 0 done, 1 the workbook or the operation was refused, 2 bad usage.
//
// Arguments pass through as the bytes the shell gave (UTF-8 names stay UTF-8);
// after "--" every word is positional, so a name may begin with '-'.
#include <cstdio>
#include <exception>
#include <iostream>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

#include "excel/native_application.h"
#include "sheet_commands.h"
#include "xls/process_heap.h"
#include "xls/utf8.h"

namespace {

constexpr int kExitRefused = 1;
constexpr int kExitUsage = 2;

struct Command {
    std::string_view name;
    std::vector<std::string_view> arguments;  // positional arguments after the command's name
    std::string_view summary;
    bool places = false;  // takes --after ANCHOR [--name NEWNAME] and --json
};

const std::vector<Command>& commands() {
    static const std::vector<Command> table = {
        {"list", {"FILE"}, "Print the worksheets of FILE in tab order, one per line."},
        {"rename", {"FILE", "SHEET", "NEWNAME"}, "Rename the sheet SHEET of FILE to NEWNAME."},
        {"delete", {"FILE", "SHEET"}, "Delete the sheet SHEET of FILE."},
        {"copy",
         {"SRC", "SHEET", "DEST"},
         "Copy the sheet SHEET of SRC into DEST, right behind its sheet ANCHOR, named\n"
         "      NEWNAME if given; --json prints the name the copy received.",
         true},
        {"move",
         {"SRC", "SHEET", "DEST"},
         "Move the sheet SHEET of SRC into DEST as copy does; DEST is saved before SRC.",
         true},
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
        if (command.name == "list" || command.places) text += " [--json]";
        text += ' ' + joined(command.arguments);
        if (command.places) text += " --after ANCHOR [--name NEWNAME]";
        text += "\n      ";
        text += command.summary;
        text += '\n';
    }
    text += "A SHEET or NEWNAME that begins with '-' goes after \"--\"";
    text += " (an ANCHOR as --after=-name).\n";
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

const Command* findCommand(const std::string& name) {
    for (const auto& command : commands()) {
        if (command.name == name) return &command;
    }
    return nullptr;
}

// Sheet names are stored as UTF-16: bytes that are not UTF-8 have no faithful
// name to become.
void requireUtf8Name(const std::string& file, const std::string& name) {
    if (!xls::isUtf8(name))
        throw std::runtime_error("\"" + file + "\": the new name is not UTF-8 text.");
}

// Where a copy or a move puts the sheet.
struct Placement {
    std::string after;
    std::optional<std::string> name;
};

// Runs the command on a real workbook; returns the exit status.
int runCommand(const Command& command, const std::vector<std::string>& args, bool json,
               const Placement& placement) {
    // An edit holds its workbooks' locks from reading them to replacing them.
    excel::NativeApplicationFactory factory(
        command.name == "list" ? excel::EditLocking::WhileSaving : excel::EditLocking::FromOpening);
    std::size_t leftAsStored = 0;
    try {
        if (command.name == "list") {
            printListing(cli::listWorksheets(factory, args[0]), json);
        } else if (command.name == "rename") {
            requireUtf8Name(args[0], args[2]);
            leftAsStored = cli::renameSheet(factory, args[0], args[1], args[2]);
        } else if (command.places) {
            if (placement.name) requireUtf8Name(args[2], *placement.name);
            const std::string received = cli::transferSheet(
                factory, {args[0], args[1], args[2], placement.after, placement.name},
                command.name == "move");
            if (json) {
                std::cout << nlohmann::json{{"name", received}}.dump(
                                 4, ' ', false, nlohmann::json::error_handler_t::replace)
                          << '\n';
            }
        } else {
            leftAsStored = cli::deleteSheet(factory, args[0], args[1]);
        }
    } catch (const std::exception& error) {
        std::fprintf(stderr, "tarnvale-sheets: %s\n", error.what());
        return kExitRefused;
    }
    // Saved, but not every record was brought up to date: say so.
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
    xls::keepLargeBuffersInHeap();
    CLI::App parser{"List, rename, delete, copy and move the worksheets of .xls workbooks.",
                    "tarnvale-sheets"};
    bool json = false;
    std::vector<std::string> words;  // the command's name, then its arguments
    Placement placement;
    parser.add_flag("--json", json,
                    "With list: print a JSON array of {name, visibility}; with copy or move: "
                    "{name} of the copy.");
    auto* after = parser.add_option("--after", placement.after, "With copy or move: the anchor.");
    parser.add_option("--name", placement.name, "With copy or move: the copy's name.");
    parser.add_option("words", words, "list, rename, delete, copy or move, then its arguments");
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
    if (json && command->name != "list" && !command->places)
        return usageError("--json goes with list, copy and move only");
    if (command->places != (after->count() > 0))
        return usageError(command->places ? std::string(command->name) + " needs --after ANCHOR"
                                          : "--after goes with copy and move only");
    if (placement.name && !command->places)
        return usageError("--name goes with copy and move only");
    return runCommand(*command, words, json, placement);
}
