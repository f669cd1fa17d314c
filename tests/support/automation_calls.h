// The calls a caller of the automation boundary makes, as the recording double
// logs them, for tests that check the order of calls.
#pragma once

#include <string>
#include <vector>

namespace tarnvale::testing {

// The calls that start the application and open one workbook.
inline std::vector<std::string> openingCalls(const std::string& path) {
    return {"CreateObject(\"Excel.Application\")", "Workbooks.Open(\"" + path + "\")",
            "Workbooks.count", "Workbooks(1)"};
}

// A listing of a workbook with this many worksheets: opened, every worksheet's
// name read in tab order, then the application quit.
inline std::vector<std::string> listingCalls(const std::string& path, int worksheets) {
    auto calls = openingCalls(path);
    calls.insert(calls.end(), {"Workbook.Worksheets", "Sheets.Count"});
    for (int i = 1; i <= worksheets; ++i) {
        calls.insert(calls.end(),
                     {"Workbook.Worksheets", "Sheets(" + std::to_string(i) + ")", "Sheet.name"});
    }
    calls.insert(calls.end(), {"Quit", "Release"});
    return calls;
}

}  // namespace tarnvale::testing
