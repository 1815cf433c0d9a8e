// The size of each screen mode, from the desktop's size.
#include "display/screen_mode.h"

#include "display/canvas.h"

#include <algorithm>

ScreenMode ChooseScreenMode(bool fullScreen, DesktopSize desktop)
{
    if (fullScreen)
    {
        return {true, std::max(desktop.width, 0), std::max(desktop.height, 0)};
    }
    int scale = UnknownDesktopScale;
    if (desktop.width > 0 && desktop.height > 0)
    {
        const long roomWide = static_cast<long>(desktop.width) * WindowShareTenths / 10;
        const long roomHigh = static_cast<long>(desktop.height) * WindowShareTenths / 10;
        scale = static_cast<int>(
            std::max(1L, std::min(roomWide / CanvasWidth, roomHigh / CanvasHeight)));
    }
    return {false, CanvasWidth * scale, CanvasHeight * scale};
}
