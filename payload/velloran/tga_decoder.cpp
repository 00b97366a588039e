// Truevision TGA. The 18-byte header is followed by an optional id field, an
// optional colour map and the pixels, bottom row first unless descriptor bit
// 5 says otherwise. Image types 1, 2 and 3 are colour-mapped, true-colour and
// grey; 9, 10 and 11 the same, run-length coded.
#include "payload/velloran/decoders.h"

enum {
    TGA_HEADER_SIZE     = 18,
    TGA_TYPE_MAPPED     = 1,
    TGA_TYPE_TRUECOLOUR = 2,
    TGA_TYPE_GREY       = 3,
    TGA_TYPE_RLE_FLAG   = 8,
    TGA_ORIGIN_TOP      = 0x20,
    TGA_ORIGIN_RIGHT    = 0x10,
    TGA_ALPHA_BITS_MASK = 0x0F,
    TGA_RLE_REPEAT_FLAG = 0x80
};

struct TgaLayout {
    LONG  width;
    LONG  height;
    DWORD bytesPerPixel;
    BYTE  baseType;
    bool  rle;
    bool  hasAlpha;
    bool  topFirst;
    bool  rightFirst;
    // Colour-mapped images: the map as pixels, and the index of its first entry.
    DWORD *palette;
    DWORD firstEntry;
    DWORD entries;
};

static BYTE FiveToEight(DWORD level)
{
    return (BYTE)((level << 3) | (level >> 2));
}

// A colour of `bytes` bytes as the file stores it (B, G, R[, A], or 5-5-5
// bits in a little-endian word) as 0xAARRGGBB. A 15/16-bit colour is opaque:
// writers disagree on what its top bit means.
static DWORD ReadTgaColour(const BYTE *bytes, DWORD count, bool hasAlpha)
{
    if (count == 2) {
        DWORD word = ReadLittleWord(bytes);
        return PackPixel(FiveToEight((word >> 10) & 31), FiveToEight((word >> 5) & 31), FiveToEight(word & 31), 255);
    }
    BYTE alpha = (count == 4 && hasAlpha) ? bytes[3] : 255;
    return PackPixel(bytes[2], bytes[1], bytes[0], alpha);
}

// One pixel of the file as 0xAARRGGBB; false for an index outside the map.
static bool ReadTgaPixel(const BYTE *bytes, const TgaLayout *layout, DWORD *pixel)
{
    if (layout->baseType == TGA_TYPE_GREY) {
        BYTE alpha = (layout->bytesPerPixel == 2 && layout->hasAlpha) ? bytes[1] : 255;
        *pixel = PackPixel(bytes[0], bytes[0], bytes[0], alpha);
        return true;
    }
    if (layout->baseType == TGA_TYPE_TRUECOLOUR) {
        *pixel = ReadTgaColour(bytes, layout->bytesPerPixel, layout->hasAlpha);
        return true;
    }
    DWORD index = layout->bytesPerPixel == 2 ? ReadLittleWord(bytes) : bytes[0];
    if (index < layout->firstEntry || index - layout->firstEntry >= layout->entries)
        return false;
    *pixel = layout->palette[index - layout->firstEntry];
    return true;
}

// Places the index-th pixel of file order at its place in the top-down picture.
static void StoreTgaPixel(Picture *picture, const TgaLayout *layout, DWORD index, DWORD pixel)
{
    LONG row = (LONG)(index / (DWORD)layout->width);
    LONG column = (LONG)(index % (DWORD)layout->width);
    LONG y = layout->topFirst ? row : layout->height - 1 - row;
    LONG x = layout->rightFirst ? layout->width - 1 - column : column;
    picture->pixels[(DWORD)y * (DWORD)layout->width + (DWORD)x] = pixel;
}

// Which pixel sizes each image type allows.
static bool TgaPixelSizeFits(BYTE baseType, BYTE bits, BYTE mapEntryBits)
{
    if (baseType == TGA_TYPE_MAPPED)
        return (bits == 8 || bits == 16) &&
               (mapEntryBits == 15 || mapEntryBits == 16 || mapEntryBits == 24 || mapEntryBits == 32);
    if (baseType == TGA_TYPE_TRUECOLOUR)
        return bits == 15 || bits == 16 || bits == 24 || bits == 32;
    return bits == 8 || bits == 16;
}

static PictureError ReadTgaHeader(const BYTE *data, DWORD size, TgaLayout *layout, DWORD *pixelOffset)
{
    if (size < TGA_HEADER_SIZE)
        return PICTURE_TRUNCATED;
    BYTE idLength = data[0];
    BYTE colourMapType = data[1];
    BYTE imageType = data[2];
    WORD firstEntry = ReadLittleWord(data + 3);
    WORD mapLength = ReadLittleWord(data + 5);
    BYTE mapEntryBits = data[7];
    BYTE bitsPerPixel = data[16];
    BYTE descriptor = data[17];

    BYTE baseType = imageType & ~TGA_TYPE_RLE_FLAG;
    if (colourMapType > 1 || imageType > 11 || baseType < TGA_TYPE_MAPPED || baseType > TGA_TYPE_GREY)
        return PICTURE_BAD_HEADER;
    if (baseType == TGA_TYPE_MAPPED && (colourMapType != 1 || mapLength == 0))
        return PICTURE_BAD_HEADER;
    if (!TgaPixelSizeFits(baseType, bitsPerPixel, colourMapType ? mapEntryBits : 24))
        return PICTURE_UNSUPPORTED;

    layout->width = ReadLittleWord(data + 12);
    layout->height = ReadLittleWord(data + 14);
    layout->bytesPerPixel = ((DWORD)bitsPerPixel + 7) / 8;
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

    DWORD mapBytes = colourMapType ? (DWORD)mapLength * (((DWORD)mapEntryBits + 7) / 8) : 0;
    DWORD offset = TGA_HEADER_SIZE + (DWORD)idLength + mapBytes;
    if (offset > size)
        return PICTURE_TRUNCATED;
    *pixelOffset = offset;
    return PICTURE_OK;
}

// The colour map as pixels, for a colour-mapped image; the header has been
// checked, so the whole map lies in the file.
static PictureError ReadTgaPalette(const BYTE *data, TgaLayout *layout)
{
    layout->palette = NULL;
    if (layout->entries == 0)
        return PICTURE_OK;
    layout->palette = (DWORD *)HeapAlloc(GetProcessHeap(), 0, layout->entries * sizeof(DWORD));
    if (!layout->palette)
        return PICTURE_NO_MEMORY;
    DWORD entryBytes = ((DWORD)data[7] + 7) / 8;
    const BYTE *map = data + TGA_HEADER_SIZE + data[0];
    for (DWORD i = 0; i < layout->entries; ++i)
        layout->palette[i] = ReadTgaColour(map + i * entryBytes, entryBytes, layout->hasAlpha);
    return PICTURE_OK;
}

static PictureError ReadPlainPixels(const BYTE *data, DWORD size, DWORD offset, const TgaLayout *layout,
                                    Picture *picture)
{
    DWORD count = (DWORD)layout->width * (DWORD)layout->height;
    // count is bounded by MAX_PICTURE_PIXELS, so the product fits in 32 bits.
    if (size - offset < count * layout->bytesPerPixel)
        return PICTURE_TRUNCATED;
    for (DWORD i = 0; i < count; ++i) {
        DWORD pixel;
        if (!ReadTgaPixel(data + offset + i * layout->bytesPerPixel, layout, &pixel))
            return PICTURE_DAMAGED;
        StoreTgaPixel(picture, layout, i, pixel);
    }
    return PICTURE_OK;
}

// Packets may run on across rows; a packet longer than what is left of the
// picture is cut at its end rather than refused, as other readers do.
static PictureError ReadRlePixels(const BYTE *data, DWORD size, DWORD offset, const TgaLayout *layout,
                                  Picture *picture)
{
    DWORD count = (DWORD)layout->width * (DWORD)layout->height;
    DWORD stride = layout->bytesPerPixel;
    DWORD at = offset;
    DWORD index = 0;
    while (index < count) {
        if (at >= size)
            return PICTURE_TRUNCATED;
        BYTE packet = data[at++];
        DWORD run = (DWORD)(packet & ~TGA_RLE_REPEAT_FLAG) + 1;
        if (run > count - index)
            run = count - index;
        bool repeat = (packet & TGA_RLE_REPEAT_FLAG) != 0;
        if (size - at < (repeat ? 1 : run) * stride)
            return PICTURE_TRUNCATED;
        DWORD pixel = 0;
        for (DWORD i = 0; i < run; ++i) {
            if ((i == 0 || !repeat) && !ReadTgaPixel(data + at, layout, &pixel))
                return PICTURE_DAMAGED;
            if (i == 0 || !repeat)
                at += stride;
            StoreTgaPixel(picture, layout, index++, pixel);
        }
    }
    return PICTURE_OK;
}

PictureError DecodeTga(const BYTE *data, DWORD size, Picture *picture)
{
    picture->width = 0;
    picture->height = 0;
    picture->pixels = NULL;
    TgaLayout layout;
    DWORD offset = 0;
    PictureError error = ReadTgaHeader(data, size, &layout, &offset);
    if (error != PICTURE_OK)
        return error;
    error = ReadTgaPalette(data, &layout);
    if (error == PICTURE_OK)
        error = AllocatePicture(picture, layout.width, layout.height);
    if (error == PICTURE_OK)
        error = layout.rle ? ReadRlePixels(data, size, offset, &layout, picture)
                           : ReadPlainPixels(data, size, offset, &layout, picture);
    if (layout.palette)
        HeapFree(GetProcessHeap(), 0, layout.palette);
    if (error != PICTURE_OK)
        FreePicture(picture);
    return error;
}
