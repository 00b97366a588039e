// ZSoft PCX. A 128-byte header, then every scan line as its colour planes one
// after another (each bytesPerLine long), run-length coded: a byte with both
// top bits set repeats the next byte (its low six bits) times. A 256-colour
// palette, when present, is the last 768 bytes after a 0x0C marker; pictures
// of up to 16 colours take theirs from the 16 entries in the header, as 1, 2
// or 4 bits per pixel in one plane (packed) or one bit in up to four planes.
#include "payload/velloran/decoders.h"

enum {
    PCX_HEADER_SIZE     = 128,
    PCX_MANUFACTURER    = 0x0A,
    PCX_MAX_VERSION     = 5,
    PCX_PALETTE_MARKER  = 0x0C,
    PCX_PALETTE_SIZE    = 768,
    PCX_RUN_FLAGS       = 0xC0,
    PCX_RUN_COUNT_MASK  = 0x3F,
    PCX_HEADER_PALETTE  = 16,
    PCX_PALETTE_VERSION = 2,   // versions 2, 4 and 5 carry the header palette
    PCX_WINDOWS_VERSION = 4,
    PCX_MAX_SMALL_BITS  = 4
};

// The colours of a 16-colour picture that brings none of its own.
static const BYTE kEgaPalette[48] = {
    0, 0, 0,       0, 0, 170,     0, 170, 0,     0, 170, 170,
    170, 0, 0,     170, 0, 170,   170, 85, 0,    170, 170, 170,
    85, 85, 85,    85, 85, 255,   85, 255, 85,   85, 255, 255,
    255, 85, 85,   255, 85, 255,  255, 255, 85,  255, 255, 255
};
static const BYTE kBlackAndWhite[48] = { 0, 0, 0, 255, 255, 255 };

struct PcxLayout {
    LONG  width;
    LONG  height;
    DWORD bitsPerPixel;
    DWORD planes;
    DWORD bytesPerLine;
    bool  rle;
    const BYTE *palette;  // RGB triples (256, or 16 for small pictures), or NULL for grey
};

// The run-length state carries over from one line to the next: some writers
// let a run cross the end of a line.
struct PcxReader {
    const BYTE *data;
    DWORD size;
    DWORD at;
    DWORD end;
    BYTE  runValue;
    DWORD runLeft;
    bool  rle;
};

static bool ReadPcxByte(PcxReader *reader, BYTE *value)
{
    // A run of zero bytes yields nothing: go on to the next code.
    while (reader->runLeft == 0) {
        if (reader->at >= reader->end)
            return false;
        BYTE code = reader->data[reader->at++];
        if (!reader->rle || (code & PCX_RUN_FLAGS) != PCX_RUN_FLAGS) {
            *value = code;
            return true;
        }
        if (reader->at >= reader->end)
            return false;
        reader->runValue = reader->data[reader->at++];
        reader->runLeft = code & PCX_RUN_COUNT_MASK;
    }
    --reader->runLeft;
    *value = reader->runValue;
    return true;
}

bool LooksLikePcx(const BYTE *data, DWORD size)
{
    return size >= PCX_HEADER_SIZE && data[0] == PCX_MANUFACTURER && data[1] <= PCX_MAX_VERSION && data[2] <= 1;
}

static PictureError ReadPcxHeader(const BYTE *data, DWORD size, PcxLayout *layout)
{
    if (size < PCX_HEADER_SIZE)
        return PICTURE_TRUNCATED;
    if (!LooksLikePcx(data, size))
        return PICTURE_BAD_HEADER;
    WORD xMin = ReadLittleWord(data + 4);
    WORD yMin = ReadLittleWord(data + 6);
    WORD xMax = ReadLittleWord(data + 8);
    WORD yMax = ReadLittleWord(data + 10);
    if (xMax < xMin || yMax < yMin)
        return PICTURE_BAD_HEADER;
    layout->width = (LONG)xMax - (LONG)xMin + 1;
    layout->height = (LONG)yMax - (LONG)yMin + 1;
    layout->bitsPerPixel = data[3];
    layout->planes = data[65];
    layout->bytesPerLine = ReadLittleWord(data + 66);
    layout->rle = data[2] == 1;
    layout->palette = NULL;

    bool eightBit = layout->bitsPerPixel == 8 && (layout->planes == 1 || layout->planes == 3 || layout->planes == 4);
    bool packed = (layout->bitsPerPixel == 1 || layout->bitsPerPixel == 2 || layout->bitsPerPixel == 4) &&
                  layout->planes == 1;
    bool planar = layout->bitsPerPixel == 1 && layout->planes >= 2 && layout->planes <= PCX_MAX_SMALL_BITS;
    if (!eightBit && !packed && !planar)
        return PICTURE_UNSUPPORTED;
    DWORD neededBytes = ((DWORD)layout->width * layout->bitsPerPixel + 7) / 8;
    if (layout->bytesPerLine < neededBytes)
        return PICTURE_BAD_HEADER;

    if (layout->bitsPerPixel == 8 && layout->planes == 1 && size >= PCX_HEADER_SIZE + PCX_PALETTE_SIZE + 1 &&
        data[size - PCX_PALETTE_SIZE - 1] == PCX_PALETTE_MARKER)
        layout->palette = data + size - PCX_PALETTE_SIZE;
    if (!eightBit) {
        // A header palette all black means none was written: one bit is then
        // black and white, more bits the standard 16 colours.
        const BYTE *header = data + PCX_HEADER_PALETTE;
        bool allBlack = true;
        for (int i = 0; i < 48; ++i)
            allBlack = allBlack && header[i] == 0;
        bool written = (data[1] == PCX_PALETTE_VERSION || data[1] >= PCX_WINDOWS_VERSION) && !allBlack;
        DWORD bits = layout->bitsPerPixel * layout->planes;
        layout->palette = written ? header : bits == 1 ? kBlackAndWhite : kEgaPalette;
    }
    return PICTURE_OK;
}

// The colour index of pixel x in a picture of at most 16 colours: packed bits
// in one plane, or one bit from each plane, the first plane the lowest bit.
static DWORD SmallPcxIndex(const BYTE *line, const PcxLayout *layout, LONG x)
{
    if (layout->planes == 1) {
        DWORD bits = layout->bitsPerPixel;
        DWORD bit = (DWORD)x * bits;
        return (line[bit >> 3] >> (8 - bits - (bit & 7))) & ((1u << bits) - 1);
    }
    DWORD index = 0;
    for (DWORD p = 0; p < layout->planes; ++p)
        if (line[p * layout->bytesPerLine + (x >> 3)] & (0x80 >> (x & 7)))
            index |= 1u << p;
    return index;
}

// One decoded scan line (planes * bytesPerLine bytes) to pixels of row y.
static void StorePcxLine(const BYTE *line, const PcxLayout *layout, Picture *picture, LONG y)
{
    DWORD *row = picture->pixels + (DWORD)y * (DWORD)layout->width;
    DWORD plane = layout->bytesPerLine;
    for (LONG x = 0; x < layout->width; ++x) {
        if (layout->bitsPerPixel < 8) {
            const BYTE *rgb = layout->palette + 3 * SmallPcxIndex(line, layout, x);
            row[x] = PackPixel(rgb[0], rgb[1], rgb[2], 255);
        } else if (layout->planes == 1) {
            BYTE index = line[x];
            const BYTE *rgb = layout->palette ? layout->palette + 3 * index : NULL;
            row[x] = rgb ? PackPixel(rgb[0], rgb[1], rgb[2], 255) : PackPixel(index, index, index, 255);
        } else {
            BYTE alpha = layout->planes == 4 ? line[3 * plane + x] : 255;
            row[x] = PackPixel(line[x], line[plane + x], line[2 * plane + x], alpha);
        }
    }
}

PictureError DecodePcx(const BYTE *data, DWORD size, Picture *picture)
{
    picture->width = 0;
    picture->height = 0;
    picture->pixels = NULL;
    PcxLayout layout;
    PictureError error = ReadPcxHeader(data, size, &layout);
    if (error != PICTURE_OK)
        return error;
    error = AllocatePicture(picture, layout.width, layout.height);
    if (error != PICTURE_OK)
        return error;

    DWORD lineSize = layout.planes * layout.bytesPerLine;  // at most 4 * 65535
    BYTE *line = (BYTE *)HeapAlloc(GetProcessHeap(), 0, lineSize);
    if (!line) {
        FreePicture(picture);
        return PICTURE_NO_MEMORY;
    }
    PcxReader reader = { data, size, PCX_HEADER_SIZE, size, 0, 0, layout.rle };
    // The palette is not picture data: a decoder must not run into it.
    if (layout.palette)
        reader.end = size - PCX_PALETTE_SIZE - 1;
    for (LONG y = 0; y < layout.height && error == PICTURE_OK; ++y) {
        for (DWORD i = 0; i < lineSize; ++i) {
            if (!ReadPcxByte(&reader, &line[i])) {
                error = PICTURE_TRUNCATED;
                break;
            }
        }
        if (error == PICTURE_OK)
            StorePcxLine(line, &layout, picture, y);
    }
    HeapFree(GetProcessHeap(), 0, line);
    if (error != PICTURE_OK)
        FreePicture(picture);
    return error;
}
