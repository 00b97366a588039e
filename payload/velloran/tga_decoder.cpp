// Truevision TGA. The 18-byte header is followed by an optional id field, an
// optional colour map (skipped: only true-colour and grey images are shown)
// and the pixels, bottom row first unless descriptor bit 5 says otherwise.
#include "payload/velloran/decoders.h"

enum {
    TGA_HEADER_SIZE     = 18,
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
    bool  grey;
    bool  rle;
    bool  hasAlpha;
    bool  topFirst;
    bool  rightFirst;
};

// One pixel of the file (B, G, R[, A] or one grey byte) as 0xAARRGGBB.
static DWORD ReadTgaPixel(const BYTE *bytes, const TgaLayout *layout)
{
    if (layout->grey)
        return PackPixel(bytes[0], bytes[0], bytes[0], 255);
    BYTE alpha = (layout->bytesPerPixel == 4 && layout->hasAlpha) ? bytes[3] : 255;
    return PackPixel(bytes[2], bytes[1], bytes[0], alpha);
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

static PictureError ReadTgaHeader(const BYTE *data, DWORD size, TgaLayout *layout, DWORD *pixelOffset)
{
    if (size < TGA_HEADER_SIZE)
        return PICTURE_TRUNCATED;
    BYTE idLength = data[0];
    BYTE colourMapType = data[1];
    BYTE imageType = data[2];
    WORD mapLength = ReadLittleWord(data + 5);
    BYTE mapEntryBits = data[7];
    BYTE bitsPerPixel = data[16];
    BYTE descriptor = data[17];

    if (colourMapType > 1)
        return PICTURE_BAD_HEADER;
    BYTE baseType = imageType & ~TGA_TYPE_RLE_FLAG;
    if (baseType == TGA_TYPE_TRUECOLOUR && (bitsPerPixel == 24 || bitsPerPixel == 32))
        layout->grey = false;
    else if (baseType == TGA_TYPE_GREY && bitsPerPixel == 8)
        layout->grey = true;
    else if (imageType == 0 || imageType > 11 || (baseType != 1 && baseType != 2 && baseType != 3))
        return PICTURE_BAD_HEADER;
    else
        return PICTURE_UNSUPPORTED;

    layout->width = ReadLittleWord(data + 12);
    layout->height = ReadLittleWord(data + 14);
    layout->bytesPerPixel = bitsPerPixel / 8;
    layout->rle = (imageType & TGA_TYPE_RLE_FLAG) != 0;
    // A 32-bit image whose descriptor declares no alpha bits is opaque: some
    // writers leave the fourth byte zero.
    layout->hasAlpha = (descriptor & TGA_ALPHA_BITS_MASK) != 0;
    layout->topFirst = (descriptor & TGA_ORIGIN_TOP) != 0;
    layout->rightFirst = (descriptor & TGA_ORIGIN_RIGHT) != 0;
    if (layout->width == 0 || layout->height == 0)
        return PICTURE_BAD_HEADER;

    DWORD mapBytes = colourMapType ? (DWORD)mapLength * (((DWORD)mapEntryBits + 7) / 8) : 0;
    DWORD offset = TGA_HEADER_SIZE + (DWORD)idLength + mapBytes;
    if (offset > size)
        return PICTURE_TRUNCATED;
    *pixelOffset = offset;
    return PICTURE_OK;
}

static PictureError ReadPlainPixels(const BYTE *data, DWORD size, DWORD offset, const TgaLayout *layout,
                                    Picture *picture)
{
    DWORD count = (DWORD)layout->width * (DWORD)layout->height;
    // count is bounded by MAX_PICTURE_PIXELS, so the product fits in 32 bits.
    if (size - offset < count * layout->bytesPerPixel)
        return PICTURE_TRUNCATED;
    for (DWORD i = 0; i < count; ++i)
        StoreTgaPixel(picture, layout, i, ReadTgaPixel(data + offset + i * layout->bytesPerPixel, layout));
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
        if (packet & TGA_RLE_REPEAT_FLAG) {
            if (size - at < stride)
                return PICTURE_TRUNCATED;
            DWORD pixel = ReadTgaPixel(data + at, layout);
            at += stride;
            for (DWORD i = 0; i < run; ++i)
                StoreTgaPixel(picture, layout, index++, pixel);
        } else {
            if (size - at < run * stride)
                return PICTURE_TRUNCATED;
            for (DWORD i = 0; i < run; ++i, at += stride)
                StoreTgaPixel(picture, layout, index++, ReadTgaPixel(data + at, layout));
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
    error = AllocatePicture(picture, layout.width, layout.height);
    if (error != PICTURE_OK)
        return error;
    error = layout.rle ? ReadRlePixels(data, size, offset, &layout, picture)
                       : ReadPlainPixels(data, size, offset, &layout, picture);
    if (error != PICTURE_OK)
        FreePicture(picture);
    return error;
}
