// Checks of an Ogg Vorbis file's header packets, made before the decoder trusts them.
#pragma once

// Whether the header packets of the Ogg Vorbis file in bytes (size bytes) hold what their
// counts and lengths promise: the comment header (the second packet) holds every byte its
// lengths name, and each codebook of the setup header (the third) is complete and small
// enough for the decoder's int and float arithmetic, which sizes tables and raises the
// entry count to powers without checking for overflow. A file that fails is not handed to
// the decoder. Reads nothing outside bytes; any thread.
bool VorbisHeadersFit(const unsigned char* bytes, int size);
