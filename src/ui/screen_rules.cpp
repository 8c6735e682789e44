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

}  // namespace zef
