#pragma once
// The main window's "Window" menu: every open window of the program — the
// sub-windows of the main window's area (the device list, the channel
// editors) and the separate windows (output EQ/FIR editor, FIR wizard,
// AutoEQ and the others) — so that one lost behind another can be brought
// to the front. The menu is rebuilt each time it opens.

#include <vector>

class QMdiArea;
class QMenu;
class QWidget;

namespace zef {

// The windows the menu lists, in this order: the area's sub-windows (in the
// order they were opened), then every visible top-level window other than
// `frame` that has a title (message boxes, menus and tool tips excluded).
std::vector<QWidget*> OpenWindows(QMdiArea* area, QWidget* frame);

// A minimised window is shown normal; a sub-window becomes the area's active
// one (and the frame comes to the front), a separate window is raised and activated.
void BringToFront(QMdiArea* area, QWidget* window);

// The "Window" menu of `frame` (its parent) over the windows above.
QMenu* MakeWindowMenu(QWidget* frame, QMdiArea* area);

}  // namespace zef
