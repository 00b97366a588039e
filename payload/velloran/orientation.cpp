// The Windows Imaging Component hands frames over as stored, not turned, so
// the viewer reads the orientation tag itself: from the TIFF structure that
// a JPEG carries in its APP1 "Exif" segment, or from a TIFF file's first
// directory. Reads go through the file handle at offsets, as a TIFF may keep
// its directory after the pixels.
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

static bool ReadAt(HANDLE file, DWORD offset, BYTE *bytes, DWORD count)
{
    DWORD done = 0;
    return SetFilePointer(file, (LONG)offset, NULL, FILE_BEGIN) == offset && ReadFile(file, bytes, count, &done, NULL) &&
           done == count;
}

static DWORD TiffWord(const BYTE *bytes, bool motorola)
{
    return motorola ? ((DWORD)bytes[0] << 8) | bytes[1] : ((DWORD)bytes[1] << 8) | bytes[0];
}

static DWORD TiffLong(const BYTE *bytes, bool motorola)
{
    return motorola ? (TiffWord(bytes, true) << 16) | TiffWord(bytes + 2, true)
                    : (TiffWord(bytes + 2, false) << 16) | TiffWord(bytes, false);
}

// The orientation in the first directory of the TIFF structure at base; 0
// when there is none.
static int ReadTiffOrientation(HANDLE file, DWORD base)
{
    BYTE header[8];
    if (!ReadAt(file, base, header, sizeof header))
        return 0;
    bool motorola = header[0] == 'M' && header[1] == 'M';
    if (!(motorola || (header[0] == 'I' && header[1] == 'I')) || TiffWord(header + 2, motorola) != 42)
        return 0;
    DWORD directory = TiffLong(header + 4, motorola);
    BYTE count[2];
    if (directory > MAXDWORD - base - 2 || !ReadAt(file, base + directory, count, 2))
        return 0;
    DWORD entries = TiffWord(count, motorola);
    for (DWORD i = 0; i < entries && i < TIFF_MAX_ENTRIES; ++i) {
        BYTE entry[TIFF_ENTRY_SIZE];
        if (!ReadAt(file, base + directory + 2 + i * TIFF_ENTRY_SIZE, entry, TIFF_ENTRY_SIZE))
            return 0;
        if (TiffWord(entry, motorola) == ORIENTATION_TAG && TiffWord(entry + 2, motorola) == TIFF_TYPE_SHORT)
            return (int)TiffWord(entry + 8, motorola);
    }
    return 0;
}

// Walks the JPEG's segments up to the image data, looking for the EXIF one.
static int ReadJpegOrientation(HANDLE file)
{
    DWORD at = 2;
    for (int segment = 0; segment < JPEG_MAX_SEGMENTS; ++segment) {
        BYTE head[10];
        if (!ReadAt(file, at, head, 4) || head[0] != 0xFF || head[1] == JPEG_MARKER_SOS)
            return 0;
        DWORD length = ((DWORD)head[2] << 8) | head[3];
        if (length < 2)
            return 0;
        if (head[1] == JPEG_MARKER_APP1 && length >= 8 + 6 && ReadAt(file, at + 4, head + 4, 6) &&
            memcmp(head + 4, "Exif\0\0", 6) == 0)
            return ReadTiffOrientation(file, at + 10);
        at += 2 + length;
    }
    return 0;
}

int ReadOrientation(const char *path)
{
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return ORIENTATION_UPRIGHT;
    BYTE start[2];
    int orientation = 0;
    if (ReadAt(file, 0, start, 2))
        orientation = start[0] == 0xFF && start[1] == JPEG_MARKER_SOI ? ReadJpegOrientation(file)
                                                                      : ReadTiffOrientation(file, 0);
    CloseHandle(file);
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
    LONG width = picture->width, height = picture->height;
    Picture turned;
    PictureError error = AllocatePicture(&turned, turn.transpose ? height : width, turn.transpose ? width : height);
    if (error != PICTURE_OK)
        return error;
    for (LONG y = 0; y < height; ++y)
        for (LONG x = 0; x < width; ++x) {
            LONG toX = turn.transpose ? y : x, toY = turn.transpose ? x : y;
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
