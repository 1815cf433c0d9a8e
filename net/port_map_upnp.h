// The home router as libnatpmp and miniupnpc reach it.
#pragma once

#include "net/port_map.h"

extern const RouterCalls HomeRouter;
