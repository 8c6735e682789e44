#pragma once
// Where a window opens and stays: at a size where nothing in it is clipped
// (never below its layout's minimum), where the user left it last time (kept
// in a settings file under the window's key), and always wholly on a screen
// now attached — a geometry kept from another monitor set-up is moved and
// shrunk onto the nearest screen. Sub-windows of a multiple-document area
// are kept inside the area's viewport in the same way.

#include <QRect>
#include <QSize>
#include <QString>

#include "ui/screen_rules.h"

class QMdiSubWindow;
class QWidget;

namespace zef {

// What a window manager adds around a top-level window (title bar and
// borders) that the window's own size does not include.
inline constexpr int kDecorationWidth = 16;
inline constexpr int kDecorationHeight = 40;

// `frame` shrunk to fit `screen` and moved by the least amount that puts it
// wholly on it.
ScreenRect ClampOntoScreen(ScreenRect frame, ScreenRect screen);

// The available area of the screen nearest to `point` (the primary screen
// without one).
QRect NearestScreenArea(QPoint point);

// The file the windows keep their geometry in (INI format). Empty (the
// default, and in tests that do not set one): nothing is remembered.
void SetWindowGeometryFile(const QString& path);
QString WindowGeometryFile();

// Sizes the top-level window `w` to the geometry kept under `key`, else to
// `wanted` grown to its minimum size hint, clamped onto the screen, and
// keeps its geometry under `key` whenever it is hidden or closed.
void KeepWindowGeometry(QWidget* w, const QString& key, QSize wanted);
// Puts the geometry of the top-level window `w` wholly on the nearest
// screen (decorations included), shrinking it no further than its minimum.
void ClampWindowOntoScreen(QWidget* w);

// Sizes the sub-window to `wanted` grown to its widget's minimum size hint
// and keeps it inside its area's viewport whenever it is shown or restored.
void KeepSubWindowInArea(QMdiSubWindow* sub, QSize wanted);
// Moves (and shrinks, down to its minimum) the sub-window into its area's viewport.
void ClampSubWindowIntoArea(QMdiSubWindow* sub);

}  // namespace zef
