/* The stb code the core calls, compiled into the page: the native game links Debian's libstb,
   which has no build for the browser. */
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb_image_write.h>
#include <stb_vorbis.h>
