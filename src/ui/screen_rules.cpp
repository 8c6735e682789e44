#include "ui/screen_rules.h"

#include <cmath>

namespace zef {

ScreenCheck CheckScreen(double logicalDpi, int screenWidth, int screenHeight) {
    if (!(logicalDpi > 0)) logicalDpi = 96.0;
    ScreenCheck c;
    c.scale = logicalDpi / 96.0;
    const auto pixels = [&](int twips) {
        return static_cast<int>(std::lround(twips / c.scale * logicalDpi / 1440.0));
    };
    c.splashWidth = pixels(kSplashWidthTwips);
    c.splashHeight = pixels(kSplashHeightTwips);
    c.editorTooBig = screenWidth < 1024.0 * c.scale || screenHeight < 768.0 * c.scale;
    c.belowMinimum = screenWidth < 800 || screenHeight < 600;
    return c;
}

bool RestorablePosition(int left, int top, std::span<const ScreenRect> screens) {
    if (left == 0 && top == 0) return false;
    // A point well inside the title bar must be visible.
    const int px = left + 40;
    const int py = top + 10;
    for (const ScreenRect& r : screens)
        if (px >= r.x && px < r.x + r.width && py >= r.y && py < r.y + r.height) return true;
    return false;
}

}  // namespace zef
