#pragma once

namespace kliv {

// Gives the kit's own widgets what a screen reader needs: a value label reports its
// text as its value, an indicator its state in words, a drop-down list its name and,
// apart from it, the chosen item. Installed once, before the first
// of those widgets is built; later calls do nothing.
void installAccessibleInterfaces();

} // namespace kliv
