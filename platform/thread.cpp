// Thread start for background work.
#include "platform/thread.h"

std::thread StartThread(void (*entry)())
{
    return std::thread(entry);
}
