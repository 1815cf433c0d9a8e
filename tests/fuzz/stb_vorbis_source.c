/* The Ogg Vorbis decoder's implementation, compiled into the fuzz build only. */
#include <stb_vorbis.h>
