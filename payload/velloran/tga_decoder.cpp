// Truevision TGA. The 18-byte header is followed by an optional id field, an
// optional colour map and the pixels, bottom row first unless descriptor bit
// 5 says otherwise. Image types 1, 2 and 3 are colour-mapped, true-colour and
// grey; 9, 10 and 11 the same, run-length coded.
#include "payload/velloran/decoders.h"
#include <stdlib.h>

enum {
    TGA_HEADER_SIZE     = 18,
    TGA_TYPE_MAPPED     = 1,
    TGA_TYPE_TRUECOLOUR = 2,
    TGA_TYPE_GREY       = 3,
    TGA_TYPE_RLE_FLAG   = 8,
    TGA_ORIGIN_TOP      = 0x20,
    TGA_ORIGIN_RIGHT    = 0x10,
    TGA_ALPHA_BITS_MASK = 0x0F,
    TGA_RLE_REPEAT_FLAG = 0x80,
    // The longest packet: one head byte and one pixel give 128 pixels.
    TGA_MAX_PACKET      = 128
};

struct TgaLayout {
    int32_t  width;
    int32_t  height;
    uint32_t bytesPerPixel;
    uint8_t  baseType;
    bool  rle;
    bool  hasAlpha;
    bool  topFirst;
    bool  rightFirst;
    // Colour-mapped images: the map as pixels, and the index of its first entry.
    uint32_t *palette;
    uint32_t firstEntry;
    uint32_t entries;
};

static uint8_t FiveToEight(uint32_t level)
{
    return (uint8_t)((level << 3) | (level >> 2));
}

// A colour of `bytes` bytes as the file stores it (B, G, R[, A], or 5-5-5
// bits in a little-endian word) as 0xAARRGGBB. A 15/16-bit colour is opaque:
// writers disagree on what its top bit means.
static uint32_t ReadTgaColour(const uint8_t *bytes, uint32_t count, bool hasAlpha)
{
    if (count == 2) {
        uint32_t word = ReadLittleWord(bytes);
        return PackPixel(FiveToEight((word >> 10) & 31), FiveToEight((word >> 5) & 31), FiveToEight(word & 31), 255);
    }
    uint8_t alpha = (count == 4 && hasAlpha) ? bytes[3] : 255;
    return PackPixel(bytes[2], bytes[1], bytes[0], alpha);
}

// One pixel of the file as 0xAARRGGBB; false for an index outside the map.
static bool ReadTgaPixel(const uint8_t *bytes, const TgaLayout *layout, uint32_t *pixel)
{
    if (layout->baseType == TGA_TYPE_GREY) {
        uint8_t alpha = (layout->bytesPerPixel == 2 && layout->hasAlpha) ? bytes[1] : 255;
        *pixel = PackPixel(bytes[0], bytes[0], bytes[0], alpha);
        return true;
    }
    if (layout->baseType == TGA_TYPE_TRUECOLOUR) {
        *pixel = ReadTgaColour(bytes, layout->bytesPerPixel, layout->hasAlpha);
        return true;
    }
    uint32_t index = layout->bytesPerPixel == 2 ? ReadLittleWord(bytes) : bytes[0];
    if (index < layout->firstEntry || index - layout->firstEntry >= layout->entries)
        return false;
    *pixel = layout->palette[index - layout->firstEntry];
    return true;
}

// Where the next pixel of file order goes in the top-down picture: rows are
// stored from either end, and each row from either side.
struct TgaCursor {
    uint32_t *row;     // the row being filled, at the pixel stored first
    int32_t   step;    // +1 or -1 pixels from one to the next
    int32_t   column;  // pixels of the row already placed
    int32_t   line;    // rows of the file already begun
};

static void MoveTgaCursorToLine(TgaCursor *cursor, Picture *picture, const TgaLayout *layout, int32_t line)
{
    int32_t y = layout->topFirst ? line : layout->height - 1 - line;
    cursor->row = picture->pixels + (size_t)y * (size_t)layout->width + (layout->rightFirst ? layout->width - 1 : 0);
    cursor->step = layout->rightFirst ? -1 : 1;
    cursor->column = 0;
    cursor->line = line;
}

// The caller stores no more pixels than the picture has.
static void StoreTgaPixel(TgaCursor *cursor, Picture *picture, const TgaLayout *layout, uint32_t pixel)
{
    cursor->row[cursor->column * cursor->step] = pixel;
    if (++cursor->column == layout->width && cursor->line + 1 < layout->height)
        MoveTgaCursorToLine(cursor, picture, layout, cursor->line + 1);
}

// Which pixel sizes each image type allows.
static bool TgaPixelSizeFits(uint8_t baseType, uint8_t bits, uint8_t mapEntryBits)
{
    if (baseType == TGA_TYPE_MAPPED)
        return (bits == 8 || bits == 16) &&
               (mapEntryBits == 15 || mapEntryBits == 16 || mapEntryBits == 24 || mapEntryBits == 32);
    if (baseType == TGA_TYPE_TRUECOLOUR)
        return bits == 15 || bits == 16 || bits == 24 || bits == 32;
    return bits == 8 || bits == 16;
}

static PictureError ReadTgaHeader(const uint8_t *data, uint32_t size, TgaLayout *layout, uint32_t *pixelOffset)
{
    if (size < TGA_HEADER_SIZE)
        return PICTURE_TRUNCATED;
    uint8_t idLength = data[0];
    uint8_t colourMapType = data[1];
    uint8_t imageType = data[2];
    uint32_t firstEntry = ReadLittleWord(data + 3);
    uint32_t mapLength = ReadLittleWord(data + 5);
    uint8_t mapEntryBits = data[7];
    uint8_t bitsPerPixel = data[16];
    uint8_t descriptor = data[17];

    uint8_t baseType = imageType & ~TGA_TYPE_RLE_FLAG;
    if (colourMapType > 1 || imageType > 11 || baseType < TGA_TYPE_MAPPED || baseType > TGA_TYPE_GREY)
        return PICTURE_BAD_HEADER;
    if (baseType == TGA_TYPE_MAPPED && (colourMapType != 1 || mapLength == 0))
        return PICTURE_BAD_HEADER;
    if (!TgaPixelSizeFits(baseType, bitsPerPixel, colourMapType ? mapEntryBits : 24))
        return PICTURE_UNSUPPORTED;

    layout->width = (int32_t)ReadLittleWord(data + 12);
    layout->height = (int32_t)ReadLittleWord(data + 14);
    layout->bytesPerPixel = ((uint32_t)bitsPerPixel + 7) / 8;
    layout->baseType = baseType;
    layout->rle = (imageType & TGA_TYPE_RLE_FLAG) != 0;
    // A 32-bit image whose descriptor declares no alpha bits is opaque: some
    // writers leave the fourth byte zero.
    layout->hasAlpha = (descriptor & TGA_ALPHA_BITS_MASK) != 0;
    layout->topFirst = (descriptor & TGA_ORIGIN_TOP) != 0;
    layout->rightFirst = (descriptor & TGA_ORIGIN_RIGHT) != 0;
    layout->firstEntry = firstEntry;
    layout->entries = baseType == TGA_TYPE_MAPPED ? mapLength : 0;
    if (layout->width == 0 || layout->height == 0)
        return PICTURE_BAD_HEADER;

    uint32_t mapBytes = colourMapType ? (uint32_t)mapLength * (((uint32_t)mapEntryBits + 7) / 8) : 0;
    uint32_t offset = TGA_HEADER_SIZE + (uint32_t)idLength + mapBytes;
    if (offset > size)
        return PICTURE_TRUNCATED;
    *pixelOffset = offset;
    return PICTURE_OK;
}

// Whether the data after the header and colour map can hold every pixel the
// header promises, each packet as long as it may be.
static bool TgaDataCanHoldPixels(const TgaLayout *layout, uint32_t size, uint32_t offset)
{
    uint64_t count = (uint64_t)layout->width * (uint64_t)layout->height;
    uint64_t available = size - offset;
    if (!layout->rle)
        return count * layout->bytesPerPixel <= available;
    uint64_t packets = (count + TGA_MAX_PACKET - 1) / TGA_MAX_PACKET;
    return packets * (1 + layout->bytesPerPixel) <= available;
}

// The colour map as pixels, for a colour-mapped image; the header has been
// checked, so the whole map lies in the file.
static PictureError ReadTgaPalette(const uint8_t *data, TgaLayout *layout)
{
    layout->palette = NULL;
    if (layout->entries == 0)
        return PICTURE_OK;
    layout->palette = (uint32_t *)malloc(layout->entries * sizeof(uint32_t));
    if (!layout->palette)
        return PICTURE_NO_MEMORY;
    uint32_t entryBytes = ((uint32_t)data[7] + 7) / 8;
    const uint8_t *map = data + TGA_HEADER_SIZE + data[0];
    for (uint32_t i = 0; i < layout->entries; ++i)
        layout->palette[i] = ReadTgaColour(map + i * entryBytes, entryBytes, layout->hasAlpha);
    return PICTURE_OK;
}

// The data has been checked to hold every pixel.
static PictureError ReadPlainPixels(const uint8_t *data, uint32_t offset, const TgaLayout *layout, Picture *picture)
{
    uint32_t count = (uint32_t)layout->width * (uint32_t)layout->height;
    TgaCursor cursor;
    MoveTgaCursorToLine(&cursor, picture, layout, 0);
    for (uint32_t i = 0; i < count; ++i) {
        uint32_t pixel;
        if (!ReadTgaPixel(data + offset + i * layout->bytesPerPixel, layout, &pixel))
            return PICTURE_DAMAGED;
        StoreTgaPixel(&cursor, picture, layout, pixel);
    }
    return PICTURE_OK;
}

// Packets may run on across rows, as the first version of the format let
// writers do, but not past the picture's last pixel.
static PictureError ReadRlePixels(const uint8_t *data, uint32_t size, uint32_t offset, const TgaLayout *layout,
                                  Picture *picture)
{
    uint32_t count = (uint32_t)layout->width * (uint32_t)layout->height;
    uint32_t stride = layout->bytesPerPixel;
    uint32_t at = offset;
    uint32_t index = 0;
    TgaCursor cursor;
    MoveTgaCursorToLine(&cursor, picture, layout, 0);
    while (index < count) {
        if (at >= size)
            return PICTURE_TRUNCATED;
        uint8_t packet = data[at++];
        uint32_t run = (uint32_t)(packet & ~TGA_RLE_REPEAT_FLAG) + 1;
        if (run > count - index)
            return PICTURE_DAMAGED;
        bool repeat = (packet & TGA_RLE_REPEAT_FLAG) != 0;
        if (size - at < (repeat ? 1 : run) * stride)
            return PICTURE_TRUNCATED;
        uint32_t pixel = 0;
        index += run;
        for (uint32_t i = 0; i < run; ++i) {
            if ((i == 0 || !repeat) && !ReadTgaPixel(data + at, layout, &pixel))
                return PICTURE_DAMAGED;
            if (i == 0 || !repeat)
                at += stride;
            StoreTgaPixel(&cursor, picture, layout, pixel);
        }
    }
    return PICTURE_OK;
}

PictureError DecodeTga(const uint8_t *data, uint32_t size, Picture *picture)
{
    ClearPicture(picture);
    TgaLayout layout;
    layout.palette = NULL;
    uint32_t offset = 0;
    PictureError error = ReadTgaHeader(data, size, &layout, &offset);
    if (error == PICTURE_OK)
        error = CheckPictureSize(layout.width, layout.height);
    if (error == PICTURE_OK && !TgaDataCanHoldPixels(&layout, size, offset))
        error = PICTURE_TRUNCATED;
    if (error == PICTURE_OK)
        error = ReadTgaPalette(data, &layout);
    if (error == PICTURE_OK)
        error = AllocatePicture(picture, layout.width, layout.height);
    if (error == PICTURE_OK)
        error = layout.rle ? ReadRlePixels(data, size, offset, &layout, picture)
                           : ReadPlainPixels(data, offset, &layout, picture);
    free(layout.palette);
    if (error != PICTURE_OK)
        FreePicture(picture);
    return error;
}
