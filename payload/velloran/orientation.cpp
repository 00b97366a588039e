// The Windows Imaging Component hands frames over as stored, not turned, so
// the viewer reads the orientation tag itself: from the TIFF structure that
// a JPEG carries in its APP1 "Exif" segment, or from a TIFF file's first
// directory.
#include "payload/velloran/orientation.h"
#include <string.h>

enum {
    ORIENTATION_TAG     = 274,
    TIFF_TYPE_SHORT     = 3,
    TIFF_ENTRY_SIZE     = 12,
    TIFF_MAX_ENTRIES    = 1024,
    JPEG_MAX_SEGMENTS   = 64,
    JPEG_MARKER_SOI     = 0xD8,
    JPEG_MARKER_APP1    = 0xE1,
    JPEG_MARKER_SOS     = 0xDA
};

// What the readers below carry along: the caller's read function and source.
struct OrientationSource {
    ReadBytesAt read;
    void       *source;
};

static bool ReadAt(const OrientationSource *file, uint32_t offset, uint8_t *bytes, uint32_t count)
{
    return file->read(file->source, offset, bytes, count);
}

static uint32_t TiffWord(const uint8_t *bytes, bool motorola)
{
    return motorola ? ((uint32_t)bytes[0] << 8) | bytes[1] : ((uint32_t)bytes[1] << 8) | bytes[0];
}

static uint32_t TiffLong(const uint8_t *bytes, bool motorola)
{
    return motorola ? (TiffWord(bytes, true) << 16) | TiffWord(bytes + 2, true)
                    : (TiffWord(bytes + 2, false) << 16) | TiffWord(bytes, false);
}

// The orientation in the first directory of the TIFF structure at base; 0
// when there is none.
static int ReadTiffOrientation(const OrientationSource *file, uint32_t base)
{
    uint8_t header[8];
    if (!ReadAt(file, base, header, sizeof header))
        return 0;
    bool motorola = header[0] == 'M' && header[1] == 'M';
    if (!(motorola || (header[0] == 'I' && header[1] == 'I')) || TiffWord(header + 2, motorola) != 42)
        return 0;
    // Offsets past 4 GB cannot be in the file.
    uint64_t directory = (uint64_t)base + TiffLong(header + 4, motorola);
    uint8_t count[2];
    if (directory > UINT32_MAX || !ReadAt(file, (uint32_t)directory, count, 2))
        return 0;
    uint32_t entries = TiffWord(count, motorola);
    for (uint32_t i = 0; i < entries && i < TIFF_MAX_ENTRIES; ++i) {
        uint8_t entry[TIFF_ENTRY_SIZE];
        uint64_t at = directory + 2 + (uint64_t)i * TIFF_ENTRY_SIZE;
        if (at > UINT32_MAX || !ReadAt(file, (uint32_t)at, entry, TIFF_ENTRY_SIZE))
            return 0;
        if (TiffWord(entry, motorola) == ORIENTATION_TAG && TiffWord(entry + 2, motorola) == TIFF_TYPE_SHORT)
            return (int)TiffWord(entry + 8, motorola);
    }
    return 0;
}

// Walks the JPEG's segments up to the image data, looking for the EXIF one.
static int ReadJpegOrientation(const OrientationSource *file)
{
    uint32_t at = 2;
    for (int segment = 0; segment < JPEG_MAX_SEGMENTS; ++segment) {
        uint8_t head[10];
        if (!ReadAt(file, at, head, 4) || head[0] != 0xFF || head[1] == JPEG_MARKER_SOS)
            return 0;
        uint32_t length = ((uint32_t)head[2] << 8) | head[3];
        if (length < 2)
            return 0;
        if (head[1] == JPEG_MARKER_APP1 && length >= 8 + 6 && ReadAt(file, at + 4, head + 4, 6) &&
            memcmp(head + 4, "Exif\0\0", 6) == 0)
            return ReadTiffOrientation(file, at + 10);
        at += 2 + length;
    }
    return 0;
}

int ReadOrientation(ReadBytesAt read, void *source)
{
    OrientationSource file = { read, source };
    uint8_t start[2];
    int orientation = 0;
    if (ReadAt(&file, 0, start, 2))
        orientation = start[0] == 0xFF && start[1] == JPEG_MARKER_SOI ? ReadJpegOrientation(&file)
                                                                      : ReadTiffOrientation(&file, 0);
    return orientation >= ORIENTATION_UPRIGHT && orientation <= ORIENTATION_LAST ? orientation : ORIENTATION_UPRIGHT;
}

// Each orientation as a transposition followed by mirrorings of the result.
struct Turn {
    bool transpose;
    bool mirrorX;
    bool mirrorY;
};
static const Turn kTurns[ORIENTATION_LAST + 1] = {
    { false, false, false }, { false, false, false },
    { false, true, false },  { false, true, true },  { false, false, true },
    { true, false, false },  { true, true, false },  { true, true, true },  { true, false, true }
};

PictureError OrientPicture(Picture *picture, int orientation)
{
    if (orientation <= ORIENTATION_UPRIGHT || orientation > ORIENTATION_LAST)
        return PICTURE_OK;
    const Turn &turn = kTurns[orientation];
    int32_t width = picture->width, height = picture->height;
    Picture turned;
    PictureError error = AllocatePicture(&turned, turn.transpose ? height : width, turn.transpose ? width : height);
    if (error != PICTURE_OK)
        return error;
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x) {
            int32_t toX = turn.transpose ? y : x, toY = turn.transpose ? x : y;
            if (turn.mirrorX)
                toX = turned.width - 1 - toX;
            if (turn.mirrorY)
                toY = turned.height - 1 - toY;
            turned.pixels[toY * turned.width + toX] = picture->pixels[y * width + x];
        }
    FreePicture(picture);
    *picture = turned;
    return PICTURE_OK;
}
