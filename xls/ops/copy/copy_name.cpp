#include "ops/copy/copy_name.h"

#include <algorithm>

#include "biff/text_encoding.h"
#include "xls/sheet_name.h"

namespace xls::ops::copy {

namespace {

constexpr std::size_t kMaxSheetName = 31;  // UTF-16 code units

bool isTaken(std::string_view name, const std::vector<std::string>& taken) {
    return std::any_of(taken.begin(), taken.end(),
                       [&](const std::string& t) { return sheetNamesEqual(t, name); });
}

// The name without a " (n)" the application added to an earlier copy.
std::u16string baseOf(const std::u16string& name) {
    if (name.size() < 4 || name.back() != u')') return name;
    std::size_t open = name.size() - 1;
    while (open > 0 && name[open - 1] >= u'0' && name[open - 1] <= u'9') --open;
    if (open == name.size() - 1 || open < 3 || name[open - 1] != u'(' || name[open - 2] != u' ')
        return name;
    return name.substr(0, open - 2);
}

}  // namespace

std::string copyNameFor(std::string_view name, const std::vector<std::string>& taken) {
    if (!isTaken(name, taken)) return std::string(name);
    const std::u16string base = baseOf(biff::utf8ToUtf16(name));
    for (unsigned n = 2;; ++n) {
        const std::u16string suffix = biff::utf8ToUtf16(" (" + std::to_string(n) + ")");
        std::u16string stem = base.substr(0, kMaxSheetName - suffix.size());
        // A surrogate pair is not cut in half.
        if (!stem.empty() && stem.back() >= 0xD800 && stem.back() <= 0xDBFF) stem.pop_back();
        const std::string candidate = biff::utf16ToUtf8(stem + suffix);
        if (!isTaken(candidate, taken)) return candidate;
    }
}

}  // namespace xls::ops::copy
