// The name a copied sheet receives, as the application gives it: the source
// sheet's own name when the destination has no sheet of that name in any
// letter case, else "Name (2)", "Name (3)", ... with the name shortened so the
// whole fits in 31 characters.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace xls::ops::copy {

std::string copyNameFor(std::string_view name, const std::vector<std::string>& taken);

}  // namespace xls::ops::copy
