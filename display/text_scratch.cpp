// One shared buffer for file names and numbers printed before use.
#include "display/text_scratch.h"

char TextScratch[TextScratchSize];
