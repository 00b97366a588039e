// Writers for the Windows bitmap and icon files that the resource compiler
// takes in. Pixels are passed as colour-table indexes, rows top to bottom;
// the files store them bottom-up, as Windows expects.
#pragma once
#include <stdint.h>
#include <stdio.h>
#include <string>
#include <vector>

struct TableColour {
    uint8_t r, g, b;
};

// The sixteen colours of the standard VGA palette, in the order in which
// Windows uses them for 16-colour icons.
static const TableColour VGA_COLOURS[16] = {
    {0, 0, 0},       {128, 0, 0},   {0, 128, 0},   {128, 128, 0},
    {0, 0, 128},     {128, 0, 128}, {0, 128, 128}, {192, 192, 192},
    {128, 128, 128}, {255, 0, 0},   {0, 255, 0},   {255, 255, 0},
    {0, 0, 255},     {255, 0, 255}, {0, 255, 255}, {255, 255, 255},
};

enum {
    FILE_HEADER_SIZE = 14,   // BITMAPFILEHEADER
    INFO_HEADER_SIZE = 40,   // BITMAPINFOHEADER
    ICON_DIR_SIZE    = 6,    // ICONDIR
    ICON_ENTRY_SIZE  = 16    // ICONDIRENTRY
};

static inline void Put16(std::vector<uint8_t> &out, unsigned value)
{
    out.push_back((uint8_t)value);
    out.push_back((uint8_t)(value >> 8));
}

static inline void Put32(std::vector<uint8_t> &out, uint32_t value)
{
    Put16(out, value & 0xFFFF);
    Put16(out, value >> 16);
}

// Bytes of one stored row: rows are padded to whole 32-bit words.
static inline int RowBytes(int width, int bitsPerPixel)
{
    return (width * bitsPerPixel + 31) / 32 * 4;
}

// BITMAPINFOHEADER for an uncompressed picture.
static inline void PutInfoHeader(std::vector<uint8_t> &out, int width, int height, int bitsPerPixel,
                                 uint32_t imageSize, uint32_t coloursUsed)
{
    Put32(out, INFO_HEADER_SIZE);
    Put32(out, (uint32_t)width);
    Put32(out, (uint32_t)height);
    Put16(out, 1);              // planes
    Put16(out, bitsPerPixel);
    Put32(out, 0);              // BI_RGB
    Put32(out, imageSize);
    Put32(out, 0);              // no preferred resolution
    Put32(out, 0);
    Put32(out, coloursUsed);
    Put32(out, 0);              // all colours are important
}

// RGBQUAD entries: blue, green, red, reserved.
static inline void PutColourTable(std::vector<uint8_t> &out, const TableColour *table, int count)
{
    for (int i = 0; i < count; ++i) {
        out.push_back(table[i].b);
        out.push_back(table[i].g);
        out.push_back(table[i].r);
        out.push_back(0);
    }
}

// Packs 4- or 8-bit indexes, last row first.
static inline void PutPixels(std::vector<uint8_t> &out, int width, int height, int bitsPerPixel,
                             const std::vector<uint8_t> &indexes)
{
    int rowBytes = RowBytes(width, bitsPerPixel);
    for (int y = height - 1; y >= 0; --y) {
        std::vector<uint8_t> row(rowBytes, 0);
        for (int x = 0; x < width; ++x) {
            uint8_t index = indexes[(size_t)y * width + x];
            if (bitsPerPixel == 8)
                row[x] = index;
            else
                row[x / 2] |= (uint8_t)(x % 2 == 0 ? index << 4 : index & 0x0F);
        }
        out.insert(out.end(), row.begin(), row.end());
    }
}

// Packs a 1-bit mask (nonzero = set), last row first.
static inline void PutMask(std::vector<uint8_t> &out, int width, int height, const std::vector<uint8_t> &mask)
{
    int rowBytes = RowBytes(width, 1);
    for (int y = height - 1; y >= 0; --y) {
        std::vector<uint8_t> row(rowBytes, 0);
        for (int x = 0; x < width; ++x)
            if (mask[(size_t)y * width + x])
                row[x / 8] |= (uint8_t)(0x80 >> (x % 8));
        out.insert(out.end(), row.begin(), row.end());
    }
}

static inline bool WriteFile(const std::string &path, const std::vector<uint8_t> &bytes)
{
    FILE *file = fopen(path.c_str(), "wb");
    if (!file)
        return false;
    bool written = fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return fclose(file) == 0 && written;
}

// A BMP file with a colour table of 2^bitsPerPixel entries (4 or 8 bits).
static inline std::vector<uint8_t> MakeBitmapFile(int width, int height, int bitsPerPixel,
                                                  const TableColour *table,
                                                  const std::vector<uint8_t> &indexes)
{
    uint32_t colours = 1u << bitsPerPixel;
    uint32_t imageSize = (uint32_t)RowBytes(width, bitsPerPixel) * height;
    uint32_t pixelOffset = FILE_HEADER_SIZE + INFO_HEADER_SIZE + colours * 4;

    std::vector<uint8_t> out;
    out.push_back('B');
    out.push_back('M');
    Put32(out, pixelOffset + imageSize);
    Put32(out, 0);              // reserved
    Put32(out, pixelOffset);
    PutInfoHeader(out, width, height, bitsPerPixel, imageSize, colours);
    PutColourTable(out, table, (int)colours);
    PutPixels(out, width, height, bitsPerPixel, indexes);
    return out;
}

// One square 16-colour image of an ICO file with the VGA colours.
struct IconImage {
    int size;
    std::vector<uint8_t> indexes;
    std::vector<uint8_t> transparent;
};

// An ICO file of square 16-colour images with the VGA colours, smallest
// first. A set mask bit makes the pixel transparent; its colour bits must
// then be black, which the images' indexes are forced to here.
static inline std::vector<uint8_t> MakeIconFile(std::vector<IconImage> images)
{
    std::vector<uint8_t> out;
    Put16(out, 0);              // reserved
    Put16(out, 1);              // icon, not cursor
    Put16(out, (unsigned)images.size());
    uint32_t offset = ICON_DIR_SIZE + ICON_ENTRY_SIZE * (uint32_t)images.size();
    for (const IconImage &image : images) {
        uint32_t colourBytes = (uint32_t)RowBytes(image.size, 4) * image.size;
        uint32_t maskBytes = (uint32_t)RowBytes(image.size, 1) * image.size;
        uint32_t imageBytes = INFO_HEADER_SIZE + 16 * 4 + colourBytes + maskBytes;
        out.push_back((uint8_t)image.size);
        out.push_back((uint8_t)image.size);
        out.push_back(16);          // colours
        out.push_back(0);           // reserved
        Put16(out, 1);              // planes
        Put16(out, 4);              // bits per pixel
        Put32(out, imageBytes);
        Put32(out, offset);
        offset += imageBytes;
    }
    for (IconImage &image : images) {
        for (size_t i = 0; i < image.indexes.size(); ++i)
            if (image.transparent[i])
                image.indexes[i] = 0;
        uint32_t colourBytes = (uint32_t)RowBytes(image.size, 4) * image.size;
        uint32_t maskBytes = (uint32_t)RowBytes(image.size, 1) * image.size;
        // The height counts the colour image and the mask together.
        PutInfoHeader(out, image.size, image.size * 2, 4, colourBytes + maskBytes, 0);
        PutColourTable(out, VGA_COLOURS, 16);
        PutPixels(out, image.size, image.size, 4, image.indexes);
        PutMask(out, image.size, image.size, image.transparent);
    }
    return out;
}

static inline std::vector<uint8_t> MakeIconFile(int size, std::vector<uint8_t> indexes,
                                                const std::vector<uint8_t> &transparent)
{
    return MakeIconFile(std::vector<IconImage>{IconImage{size, std::move(indexes), transparent}});
}
