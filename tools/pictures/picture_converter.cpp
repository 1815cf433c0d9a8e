// The picture converter: turns the text art into the game's picture files and renders
// previews of them.
#include "display/pictures.h"
#include "tools/pictures/picture_art.h"
#include "tools/pictures/picture_icon.h"
#include "tools/pictures/picture_preview.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

static_assert(ArtCells == PictureCells, "art and the game agree on the picture size");

namespace
{
constexpr const char* Usage =
    "usage: picture_converter convert ART_DIR DAT_DIR\n"
    "         checks ART_DIR/picture0.txt to picture2.txt and, when all three are good,\n"
    "         writes DAT_DIR/ms0.txt to ms2.txt\n"
    "       picture_converter preview ART_DIR PICTURE OUT.png\n"
    "         renders picture 0, 1 or 2 as the game shows it\n"
    "       picture_converter icon PICTURE_FILE SIZE OUT.png\n"
    "         makes the SIZE x SIZE icon from a picture file of the game (dat/ms0.txt)\n";

std::string ArtPath(const std::string& artDir, int picture)
{
    return artDir + "/picture" + std::to_string(picture) + ".txt";
}

// Reads, parses and checks one art file; says what is wrong on stderr and returns false
// when anything is.
bool LoadArt(const std::string& artDir, int picture, PictureArt& art)
{
    const std::string path = ArtPath(artDir, picture);
    std::ifstream file(path, std::ios::binary);
    if (!file)
    {
        std::fprintf(stderr, "%s: cannot be read\n", path.c_str());
        return false;
    }
    std::ostringstream text;
    text << file.rdbuf();
    std::string error;
    if (!ParseArt(text.str(), art, error) || !CheckClearAreas(picture, art, error))
    {
        std::fprintf(stderr, "%s: %s\n", path.c_str(), error.c_str());
        return false;
    }
    return true;
}

int Convert(const std::string& artDir, const std::string& datDir)
{
    static PictureArt arts[ArtPictures];
    bool good = true;
    for (int n = 0; n < ArtPictures; ++n)
    {
        good = LoadArt(artDir, n, arts[n]) && good; // report every bad file, not just the first
    }
    if (!good)
    {
        return 1;
    }
    for (int n = 0; n < ArtPictures; ++n)
    {
        const std::string path = datDir + "/ms" + std::to_string(n) + ".txt";
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out << FormatPictureData(arts[n]);
        out.close();
        if (!out)
        {
            std::fprintf(stderr, "%s: cannot be written\n", path.c_str());
            return 1;
        }
    }
    return 0;
}

int Preview(const std::string& artDir, const char* pictureText, const char* pngPath)
{
    const bool known = std::strlen(pictureText) == 1 && pictureText[0] >= '0' &&
                       pictureText[0] < '0' + ArtPictures;
    if (!known)
    {
        std::fprintf(stderr, "picture must be 0, 1 or 2, not '%s'\n", pictureText);
        return 1;
    }
    const int picture = pictureText[0] - '0';
    static PictureArt art;
    if (!LoadArt(artDir, picture, art))
    {
        return 1;
    }
    std::memcpy(Pictures[picture], art.cells, sizeof Pictures[picture]);
    if (!WritePicturePreview(picture, pngPath))
    {
        std::fprintf(stderr, "%s: cannot be written\n", pngPath);
        return 1;
    }
    return 0;
}
int Icon(const char* picturePath, const char* sizeText, const char* pngPath)
{
    char* end = nullptr;
    const long size = std::strtol(sizeText, &end, 10);
    if (*sizeText == '\0' || *end != '\0' || size < 1 || size > 1024)
    {
        std::fprintf(stderr, "size must be 1 to 1024, not '%s'\n", sizeText);
        return 1;
    }
    std::FILE* file = std::fopen(picturePath, "rb");
    if (file == nullptr)
    {
        std::fprintf(stderr, "%s: cannot be read\n", picturePath);
        return 1;
    }
    ReadPicture(file, Pictures[0]);
    std::fclose(file);
    if (!WritePictureIcon(0, static_cast<int>(size), pngPath))
    {
        std::fprintf(stderr, "%s: cannot be written\n", pngPath);
        return 1;
    }
    return 0;
}
} // namespace

int main(int argc, char** argv)
{
    if (argc == 4 && std::strcmp(argv[1], "convert") == 0)
    {
        return Convert(argv[2], argv[3]);
    }
    if (argc == 5 && std::strcmp(argv[1], "preview") == 0)
    {
        return Preview(argv[2], argv[3], argv[4]);
    }
    if (argc == 5 && std::strcmp(argv[1], "icon") == 0)
    {
        return Icon(argv[2], argv[3], argv[4]);
    }
    std::fputs(Usage, stderr);
    return 2;
}
