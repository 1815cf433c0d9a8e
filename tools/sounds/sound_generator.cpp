// The sound generator: writes the game's 24 sample files into a folder, one line of
// figures per file on standard output.
#include "tools/sounds/sample_file.h"

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>

namespace
{

bool WriteFile(const std::string& path, const std::vector<unsigned char>& bytes)
{
    FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr)
    {
        return false;
    }
    bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    written = std::fclose(file) == 0 && written;
    return written;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2)
    {
        std::fprintf(stderr, "usage: %s <output folder>\n", argv[0]);
        return 2;
    }
    const std::filesystem::path folder = argv[1];
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error)
    {
        std::fprintf(stderr, "cannot create %s\n", argv[1]);
        return 1;
    }
    for (int index = 0; index < SampleCount; ++index)
    {
        const char* name = FindRecipe(index)->name;
        SampleFile file;
        if (!MakeSampleFile(index, file))
        {
            std::fprintf(stderr, "%s: could not encode at a steady level\n", name);
            return 1;
        }
        const std::string path = (folder / (std::string(name) + ".ogg")).string();
        if (!WriteFile(path, file.bytes))
        {
            std::fprintf(stderr, "cannot write %s\n", path.c_str());
            return 1;
        }
        std::printf("%-7s %6d frames %5.3f s  peak %5.2f dBFS  %6zu bytes\n", name,
                    file.decoded.frames, static_cast<double>(file.decoded.frames) / SynthRate,
                    20.0 * std::log10(DecodedPeak(file.decoded)), file.bytes.size());
    }
    return 0;
}
