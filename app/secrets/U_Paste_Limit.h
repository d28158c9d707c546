// A paste into a field with a length limit is cut to what fits, as every
// line edit does; this lets the window say so instead of cutting without a
// word. It watches the ways text is pasted: the paste keys, the context
// menu, the middle button (the X selection) and a drop.
#pragma once

#include <functional>

class QLineEdit;
class QMenu;
class QPoint;

namespace paste_limit {

// Called after a paste that did not fit, with the characters kept of it and
// the characters it had.
using TReport = std::function<void(int kept, int pasted)>;

// Watches the field; its context menu is opened by OpenMenu.
void Watch(QLineEdit* field, TReport report);

// Opens a context menu of the field (the standard one, or one that adds its
// own entries to it) and returns at once; a paste chosen from it that did
// not fit is reported, and the menu deletes itself once it closes.
void OpenMenu(QLineEdit* field, QMenu* menu, const QPoint& globalPosition, const TReport& report);

} // namespace paste_limit
