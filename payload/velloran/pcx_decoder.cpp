// ZSoft PCX. A 128-byte header, then every scan line as its colour planes one
// after another (each bytesPerLine long), run-length coded: a byte with both
// top bits set repeats the next byte (its low six bits) times. Pictures of up
// to 16 colours take their colours from the 16 entries in the header, as 1, 2
// or 4 bits per pixel in one plane (packed) or one bit in up to four planes.
// An 8-bit picture of one plane may end in a 256-colour palette: a 0x0C
// marker and 768 bytes. Only there is the end of the file not picture data;
// every other layout is decoded up to the end of the file (some writers put
// that palette after a picture of 16 colours or fewer too: it is never
// reached there).
#include "payload/velloran/decoders.h"
#include <stdlib.h>
#include <string.h>

enum {
    PCX_HEADER_SIZE     = 128,
    PCX_MANUFACTURER    = 0x0A,
    PCX_MAX_VERSION     = 5,
    PCX_PALETTE_MARKER  = 0x0C,
    PCX_PALETTE_SIZE    = 768,
    PCX_RUN_FLAGS       = 0xC0,
    PCX_RUN_COUNT_MASK  = 0x3F,
    // The longest run: two bytes of the file give at most 63 bytes of lines.
    PCX_MAX_RUN         = PCX_RUN_COUNT_MASK,
    PCX_HEADER_PALETTE  = 16,
    PCX_PALETTE_VERSION = 2,   // versions 2, 4 and 5 carry the header palette
    PCX_WINDOWS_VERSION = 4,
    PCX_MAX_SMALL_BITS  = 4
};

// The colours of a 16-colour picture that brings none of its own.
static const uint8_t kEgaPalette[48] = {
    0, 0, 0,       0, 0, 170,     0, 170, 0,     0, 170, 170,
    170, 0, 0,     170, 0, 170,   170, 85, 0,    170, 170, 170,
    85, 85, 85,    85, 85, 255,   85, 255, 85,   85, 255, 255,
    255, 85, 85,   255, 85, 255,  255, 255, 85,  255, 255, 255
};
static const uint8_t kBlackAndWhite[48] = { 0, 0, 0, 255, 255, 255 };

struct PcxLayout {
    int32_t  width;
    int32_t  height;
    uint32_t bitsPerPixel;
    uint32_t planes;
    uint32_t bytesPerLine;
    bool     rle;
    const uint8_t *palette;  // RGB triples (256, or 16 for small pictures), or NULL for grey
    uint32_t dataEnd;        // where the picture data ends: the file's end, or the 256-colour palette
};

// The run-length state carries over from one line to the next: some writers
// let a run cross the end of a line.
struct PcxReader {
    const uint8_t *data;
    uint32_t at;
    uint32_t end;
    uint8_t  runValue;
    uint32_t runLeft;
    bool     rle;
};

bool LooksLikePcx(const uint8_t *data, uint32_t size)
{
    return size >= PCX_HEADER_SIZE && data[0] == PCX_MANUFACTURER && data[1] <= PCX_MAX_VERSION && data[2] <= 1;
}

// A header palette all black means none was written: one bit is then black
// and white, more bits the standard 16 colours.
static const uint8_t *SmallPcxPalette(const uint8_t *data, const PcxLayout *layout)
{
    const uint8_t *header = data + PCX_HEADER_PALETTE;
    bool allBlack = true;
    for (int i = 0; i < 48; ++i)
        allBlack = allBlack && header[i] == 0;
    bool written = (data[1] == PCX_PALETTE_VERSION || data[1] >= PCX_WINDOWS_VERSION) && !allBlack;
    if (written)
        return header;
    return layout->bitsPerPixel * layout->planes == 1 ? kBlackAndWhite : kEgaPalette;
}

static PictureError ReadPcxHeader(const uint8_t *data, uint32_t size, PcxLayout *layout)
{
    if (size < PCX_HEADER_SIZE)
        return PICTURE_TRUNCATED;
    if (!LooksLikePcx(data, size))
        return PICTURE_BAD_HEADER;
    uint32_t xMin = ReadLittleWord(data + 4);
    uint32_t yMin = ReadLittleWord(data + 6);
    uint32_t xMax = ReadLittleWord(data + 8);
    uint32_t yMax = ReadLittleWord(data + 10);
    if (xMax < xMin || yMax < yMin)
        return PICTURE_BAD_HEADER;
    layout->width = (int32_t)(xMax - xMin + 1);
    layout->height = (int32_t)(yMax - yMin + 1);
    layout->bitsPerPixel = data[3];
    layout->planes = data[65];
    layout->bytesPerLine = ReadLittleWord(data + 66);
    layout->rle = data[2] == 1;
    layout->palette = NULL;
    layout->dataEnd = size;

    bool eightBit = layout->bitsPerPixel == 8 && (layout->planes == 1 || layout->planes == 3 || layout->planes == 4);
    bool packed = (layout->bitsPerPixel == 1 || layout->bitsPerPixel == 2 || layout->bitsPerPixel == 4) &&
                  layout->planes == 1;
    bool planar = layout->bitsPerPixel == 1 && layout->planes >= 2 && layout->planes <= PCX_MAX_SMALL_BITS;
    if (!eightBit && !packed && !planar)
        return PICTURE_UNSUPPORTED;
    uint32_t neededBytes = ((uint32_t)layout->width * layout->bitsPerPixel + 7) / 8;
    if (layout->bytesPerLine < neededBytes)
        return PICTURE_BAD_HEADER;

    if (!eightBit) {
        layout->palette = SmallPcxPalette(data, layout);
    } else if (layout->planes == 1 && size >= PCX_HEADER_SIZE + PCX_PALETTE_SIZE + 1 &&
               data[size - PCX_PALETTE_SIZE - 1] == PCX_PALETTE_MARKER) {
        layout->palette = data + size - PCX_PALETTE_SIZE;
        layout->dataEnd = size - PCX_PALETTE_SIZE - 1;
    }
    return PICTURE_OK;
}

// Whether the data between the header and dataEnd can hold the lines the
// header promises, each run as long as it may be.
static bool PcxDataCanHoldLines(const PcxLayout *layout)
{
    uint64_t lines = (uint64_t)layout->planes * layout->bytesPerLine * (uint64_t)layout->height;
    uint64_t available = layout->dataEnd - PCX_HEADER_SIZE;
    uint64_t most = layout->rle ? available / 2 * PCX_MAX_RUN + available % 2 : available;
    return lines <= most;
}

// Fills one scan line; false when the data ends first.
static bool ReadPcxLine(PcxReader *reader, uint8_t *line, uint32_t lineSize)
{
    uint32_t filled = 0;
    while (filled < lineSize) {
        if (reader->runLeft > 0) {
            uint32_t count = reader->runLeft < lineSize - filled ? reader->runLeft : lineSize - filled;
            memset(line + filled, reader->runValue, count);
            filled += count;
            reader->runLeft -= count;
            continue;
        }
        if (reader->at >= reader->end)
            return false;
        uint8_t code = reader->data[reader->at++];
        if (!reader->rle || (code & PCX_RUN_FLAGS) != PCX_RUN_FLAGS) {
            line[filled++] = code;
            continue;
        }
        // A run of zero bytes yields nothing: the next code follows.
        if (reader->at >= reader->end)
            return false;
        reader->runValue = reader->data[reader->at++];
        reader->runLeft = code & PCX_RUN_COUNT_MASK;
    }
    return true;
}

// The picture's colours as pixels: its palette, or the grey levels of an
// 8-bit picture without one. Pictures of 16 colours use the first 16.
static void MakePcxColours(const PcxLayout *layout, uint32_t colours[256])
{
    uint32_t count = layout->bitsPerPixel == 8 ? 256 : 16;
    for (uint32_t i = 0; i < 256; ++i) {
        if (!layout->palette)
            colours[i] = PackPixel((uint8_t)i, (uint8_t)i, (uint8_t)i, 255);
        else if (i < count)
            colours[i] = PackPixel(layout->palette[3 * i], layout->palette[3 * i + 1], layout->palette[3 * i + 2], 255);
        else
            colours[i] = PackPixel(0, 0, 0, 255);
    }
}

// One decoded scan line (planes * bytesPerLine bytes) to a row of pixels.
static void StorePcxLine(const uint8_t *line, const PcxLayout *layout, const uint32_t colours[256], uint32_t *row)
{
    uint32_t width = (uint32_t)layout->width;
    uint32_t plane = layout->bytesPerLine;
    if (layout->bitsPerPixel == 8 && layout->planes == 1) {
        for (uint32_t x = 0; x < width; ++x)
            row[x] = colours[line[x]];
    } else if (layout->bitsPerPixel == 8) {
        const uint8_t *alpha = layout->planes == 4 ? line + 3 * plane : NULL;
        for (uint32_t x = 0; x < width; ++x)
            row[x] = PackPixel(line[x], line[plane + x], line[2 * plane + x], alpha ? alpha[x] : 255);
    } else if (layout->planes == 1) {
        // 1, 2 or 4 bits a pixel, the first pixel in the highest bits.
        uint32_t bits = layout->bitsPerPixel;
        uint32_t mask = (1u << bits) - 1;
        for (uint32_t x = 0, bit = 0; x < width; ++x, bit += bits)
            row[x] = colours[(line[bit >> 3] >> (8 - bits - (bit & 7))) & mask];
    } else {
        // One bit from each plane, the first plane the lowest bit of the index.
        for (uint32_t x = 0; x < width; ++x) {
            uint32_t index = 0;
            for (uint32_t p = 0; p < layout->planes; ++p)
                index |= (uint32_t)((line[p * plane + (x >> 3)] >> (7 - (x & 7))) & 1) << p;
            row[x] = colours[index];
        }
    }
}

PictureError DecodePcx(const uint8_t *data, uint32_t size, Picture *picture)
{
    ClearPicture(picture);
    PcxLayout layout;
    PictureError error = ReadPcxHeader(data, size, &layout);
    if (error == PICTURE_OK)
        error = CheckPictureSize(layout.width, layout.height);
    if (error == PICTURE_OK && !PcxDataCanHoldLines(&layout))
        error = PICTURE_TRUNCATED;
    if (error == PICTURE_OK)
        error = AllocatePicture(picture, layout.width, layout.height);
    if (error != PICTURE_OK)
        return error;

    uint32_t lineSize = layout.planes * layout.bytesPerLine;  // at most 4 * 65535
    uint8_t *line = (uint8_t *)malloc(lineSize);
    if (!line) {
        FreePicture(picture);
        return PICTURE_NO_MEMORY;
    }
    uint32_t colours[256];
    MakePcxColours(&layout, colours);
    PcxReader reader = { data, PCX_HEADER_SIZE, layout.dataEnd, 0, 0, layout.rle };
    for (int32_t y = 0; y < layout.height && error == PICTURE_OK; ++y) {
        if (ReadPcxLine(&reader, line, lineSize))
            StorePcxLine(line, &layout, colours, picture->pixels + (size_t)y * (size_t)layout.width);
        else
            error = PICTURE_TRUNCATED;
    }
    // A run may go on into the next line, but not past the last one.
    if (error == PICTURE_OK && reader.runLeft > 0)
        error = PICTURE_DAMAGED;
    free(line);
    if (error != PICTURE_OK)
        FreePicture(picture);
    return error;
}
