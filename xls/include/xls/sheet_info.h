// What a listing says of each sheet: its name, its kind and its visibility.
#pragma once

#include <string>

namespace xls {

enum class SheetType { Worksheet, Dialog, Chart, MacroSheet, VbModule };
enum class Visibility { Visible, Hidden, VeryHidden };

struct SheetInfo {
    std::string name;  // UTF-8, exactly as stored
    SheetType type = SheetType::Worksheet;
    Visibility visibility = Visibility::Visible;
};

}  // namespace xls
