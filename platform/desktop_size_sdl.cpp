// The desktop's own resolution, from SDL's video information.
#include "platform/desktop_size.h"

#include <SDL.h>

DesktopSize QueryDesktopSize()
{
    const SDL_VideoInfo* info = SDL_GetVideoInfo();
    if (info == nullptr)
    {
        return {0, 0}; // no video subsystem: SDL then picks a size of its own
    }
    return {info->current_w, info->current_h};
}
