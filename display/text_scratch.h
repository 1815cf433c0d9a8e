// One shared buffer for file names and numbers printed before use. Main thread only.
#pragma once

constexpr int TextScratchSize = 1024; // characters, terminating zero included

extern char TextScratch[TextScratchSize];
