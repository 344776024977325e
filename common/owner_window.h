// The window a dialog is modal to, as the logic passes it around. It is
// opaque: only the toolkit layer makes one (from its own top-level window)
// and turns it back, so a handle of another kind cannot be handed in by
// mistake. Null means "no owner".
#pragma once

namespace vantile {

struct OwnerWindowTag;  // never defined
using OwnerWindow = OwnerWindowTag*;

}  // namespace vantile
