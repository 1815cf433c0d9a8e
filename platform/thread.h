// Thread start for background work such as the sample loader.
#pragma once

#include <thread>

// Starts entry on a new thread at once. The caller keeps the handle and joins it.
std::thread StartThread(void (*entry)());
