// What opening does with a container damaged past its first sectors: cut
// short, or with tables that run past the end of the file.
#pragma once

namespace xls::cfb {

// Refuse: raise at open, as soon as the damage shows. Tolerate: open for
// reading what is still there; each missing sector raises only when read.
enum class Damage { Refuse, Tolerate };

}  // namespace xls::cfb
