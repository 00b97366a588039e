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

std::vector<DWORD> TwoHalves(int width, int height, DWORD first, DWORD second, bool sideBySide)
{
    std::vector<DWORD> pixels((size_t)width * height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            bool inFirst = sideBySide ? x < width / 2 : y < height / 2;
            pixels[(size_t)y * width + x] = inFirst ? first : second;
        }
    }
    return pixels;
}

std::vector<BYTE> TgaFile(int width, int height, const std::vector<DWORD> &pixels)
{
    std::vector<BYTE> bytes(12, 0);
    bytes[2] = 2;  // true colour, not run-length coded
    PutLittle(bytes, width, 2);
    PutLittle(bytes, height, 2);
    PutLittle(bytes, 24, 2);  // bits per pixel; a descriptor of 0: bottom row first
    PutBottomUp(bytes, width, height, pixels, width * 3);
    return bytes;
}

std::vector<BYTE> PpmFile(int width, int height, const std::vector<DWORD> &pixels)
{
    std::string header = "P6\n# made by the viewer tests\n" + std::to_string(width) + " " + std::to_string(height) +
                         "\n255\n";
    std::vector<BYTE> bytes(header.begin(), header.end());
    for (DWORD pixel : pixels)
        bytes.insert(bytes.end(), { (BYTE)(pixel >> 16), (BYTE)(pixel >> 8), (BYTE)pixel });
    return bytes;
}

std::vector<BYTE> PcxFile(int width, int height, const std::vector<DWORD> &pixels)
{
    int bytesPerLine = (width + 1) & ~1;
    // Version 5, plain, 8 bits a plane, from (0, 0) to the last pixel.
    std::vector<BYTE> bytes = { 0x0A, 5, 0, 8, 0, 0, 0, 0 };
    PutLittle(bytes, width - 1, 2);
    PutLittle(bytes, height - 1, 2);
    bytes.resize(65, 0);
    bytes.push_back(3);  // planes: red, green, blue
    PutLittle(bytes, bytesPerLine, 2);
    bytes.resize(128, 0);
    for (int y = 0; y < height; ++y)
        for (int shift = 16; shift >= 0; shift -= 8)
            for (int x = 0; x < bytesPerLine; ++x)
                bytes.push_back(x < width ? (BYTE)(pixels[(size_t)y * width + x] >> shift) : 0);
    return bytes;
}
