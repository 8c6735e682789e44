#pragma once
// What the start-up window decides from the screen: the display scale, the
// splash size, and whether to warn that the screen is too small.

#include <span>
#include <string>

namespace zef {

inline constexpr const char* kSoftwareVersion = "1.1.4";
inline constexpr const char* kMinimumFirmwareText = "2.0.0";

inline constexpr const char* kEditorTooBigText =
    "The size of the edit window exceed the size of the monitor\r\n"
    "please try to set the monitor resolution to 96dpi (small icon)";
inline constexpr const char* kMinimumResolutionTitle = "Warning";
inline constexpr const char* kMinimumResolutionText = "Minimum display resolution is 800x600";

// Window sizes are designed in twips (1/1440 inch) at 96 dpi.
inline constexpr int kSplashWidthTwips = 14655;
inline constexpr int kSplashHeightTwips = 3075;

struct ScreenCheck {
    double scale = 1.0;     // logical dpi / 96
    int splashWidth = 0;    // pixels
    int splashHeight = 0;
    bool editorTooBig = false;      // screen below 1024 x 768 times the scale
    bool belowMinimum = false;      // screen narrower than 800 or lower than 600
};

// `logicalDpi` is the screen's pixels per logical inch (96 when it is not
// positive); the screen size is in pixels. The splash is its size in twips
// divided by the scale, converted to pixels at `logicalDpi` and rounded.
ScreenCheck CheckScreen(double logicalDpi, int screenWidth, int screenHeight);

// The main window's position is kept in project files (its left and top
// edge in pixels). A kept position is used again only when it was set
// (not 0, 0) and the window's title bar would lie on one of the screens
// now attached: a position from another monitor set-up is dropped.
struct ScreenRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};
bool RestorablePosition(int left, int top, std::span<const ScreenRect> screens);

}  // namespace zef
