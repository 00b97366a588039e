#include "picture_files.h"

#include "win_support.h"

#include <string.h>

static void PutLittle(std::vector<BYTE> &bytes, DWORD value, int size)
{
    for (int i = 0; i < size; ++i)
        bytes.push_back((BYTE)(value >> (8 * i)));
}

// The pixels as BGR triples, bottom row first, each row padded with zeros to
// rowSize bytes: the body of a BMP and of a TGA.
static void PutBottomUp(std::vector<BYTE> &bytes, int width, int height, const std::vector<DWORD> &pixels,
                        int rowSize)
{
    for (int y = height - 1; y >= 0; --y) {
        for (int x = 0; x < width; ++x)
            PutLittle(bytes, pixels[(size_t)y * width + x], 3);
        bytes.resize(bytes.size() + rowSize - width * 3, 0);
    }
}

bool WriteBmp(const std::string &path, int width, int height, const std::vector<DWORD> &pixels)
{
    const DWORD rowSize = (width * 3 + 3) & ~3, offset = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
    BITMAPFILEHEADER file = { 0x4D42 /* "BM" */, offset + rowSize * height, 0, 0, offset };
    // A positive height: bottom row first.
    BITMAPINFOHEADER info = { sizeof info, width, height, 1, 24, BI_RGB, rowSize * height, 2835, 2835, 0, 0 };
    std::vector<BYTE> bytes(offset);
    memcpy(&bytes[0], &file, sizeof file);
    memcpy(&bytes[sizeof file], &info, sizeof info);
    PutBottomUp(bytes, width, height, pixels, rowSize);
    return WriteBytes(path, bytes);
}
