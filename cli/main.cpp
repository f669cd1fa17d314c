// tarnvale-sheets: list, rename and delete worksheets from scripts.
//   tarnvale-sheets list [--json] FILE
//   tarnvale-sheets rename FILE SHEET NEWNAME
//   tarnvale-sheets delete FILE SHEET
// Exit status: 0 done, 1 the workbook or the operation was refused, 2 bad usage.
#include <QCommandLineParser>
#include <QStringList>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstdio>
#include <iostream>

#include "excel/native_application.h"
#include "sheet_commands.h"

namespace {

constexpr int kExitRefused = 1;
constexpr int kExitUsage = 2;

struct Command {
    const char* name;
    QStringList arguments;  // positional arguments after the command's name
    const char* summary;
};

const Command kCommands[] = {
    {"list", {"FILE"}, "Print the worksheets of FILE in tab order, one per line."},
    {"rename", {"FILE", "SHEET", "NEWNAME"}, "Rename the sheet SHEET of FILE to NEWNAME."},
    {"delete", {"FILE", "SHEET"}, "Delete the sheet SHEET of FILE."},
};

QString usageText() {
    QString text = "Usage:\n";
    for (const auto& command : kCommands) {
        text += QString("  tarnvale-sheets %1%2 %3\n      %4\n")
                    .arg(command.name)
                    .arg(QString(command.name) == "list" ? " [--json]" : "")
                    .arg(command.arguments.join(' '))
                    .arg(command.summary);
    }
    return text;
}

int usageError(const QString& message) {
    std::fprintf(stderr, "tarnvale-sheets: %s\n%s", qUtf8Printable(message),
                 qUtf8Printable(usageText()));
    return kExitUsage;
}

void printListing(const std::vector<cli::ListedSheet>& sheets, bool json) {
    if (!json) {
        for (const auto& sheet : sheets) std::cout << sheet.name << '\n';
        return;
    }
    QJsonArray array;
    for (const auto& sheet : sheets) {
        const char* visibility = sheet.visible == -1  ? "visible"
                                 : sheet.visible == 2 ? "veryHidden"
                                                      : "hidden";
        array.append(
            QJsonObject{{"name", QString::fromStdString(sheet.name)}, {"visibility", visibility}});
    }
    std::cout << QJsonDocument(array).toJson(QJsonDocument::Indented).toStdString();
}

}  // namespace

int main(int argc, char* argv[]) {
    // No QCoreApplication: the command line is all this program takes from Qt,
    // and starting an application object would cost more than a listing.
    QStringList arguments;
    for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);

    QCommandLineParser parser;
    parser.setApplicationDescription("List, rename and delete the worksheets of .xls workbooks.");
    parser.addHelpOption();
    QCommandLineOption jsonOption("json", "With list: print a JSON array of {name, visibility}.");
    parser.addOption(jsonOption);
    parser.addPositionalArgument("command", "list, rename or delete");
    if (!parser.parse(arguments)) return usageError(parser.errorText());
    if (parser.isSet("help")) {
        std::cout << usageText().toStdString();
        return 0;
    }

    const QStringList positional = parser.positionalArguments();
    if (positional.isEmpty()) return usageError("no command given");
    const Command* command = nullptr;
    for (const auto& candidate : kCommands) {
        if (positional.front() == candidate.name) command = &candidate;
    }
    if (!command) return usageError("unknown command \"" + positional.front() + "\"");
    if (positional.size() - 1 != command->arguments.size()) {
        return usageError(QString("%1 takes %2").arg(command->name, command->arguments.join(' ')));
    }
    if (parser.isSet(jsonOption) && QString(command->name) != "list") {
        return usageError("--json goes with list only");
    }

    std::vector<std::string> args;
    for (qsizetype i = 1; i < positional.size(); ++i) args.push_back(positional[i].toStdString());

    excel::NativeApplicationFactory factory;
    try {
        const QString name = command->name;
        if (name == "list") {
            printListing(cli::listWorksheets(factory, args[0]), parser.isSet(jsonOption));
        } else if (name == "rename") {
            cli::renameSheet(factory, args[0], args[1], args[2]);
        } else {
            cli::deleteSheet(factory, args[0], args[1]);
        }
    } catch (const excel::CallError& error) {
        std::fprintf(stderr, "tarnvale-sheets: %s\n", error.what());
        return kExitRefused;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "tarnvale-sheets: %s\n", error.what());
        return kExitRefused;
    }
    return 0;
}
