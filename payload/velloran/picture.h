// A decoded picture as every loader of the viewer hands it over: 32-bit
// pixels, top row first, each DWORD 0xAARRGGBB (so the bytes in memory are
// B, G, R, A, the layout of a 32-bit DIB section).
#pragma once
#include <windows.h>

enum {
    // Bounds on what any loader accepts, so that a hostile header cannot make
    // the viewer allocate or index beyond reason in a 32-bit process.
    MAX_PICTURE_SIDE   = 16384,
    MAX_PICTURE_PIXELS = 32 * 1024 * 1024,
    // Files read whole into memory by the viewer's own decoders.
    MAX_PICTURE_FILE_SIZE = 256 * 1024 * 1024
};

struct Picture {
    LONG   width;
    LONG   height;
    DWORD *pixels;
};

// Why a picture could not be loaded; each has one sentence in PictureErrorText.
enum PictureError {
    PICTURE_OK = 0,
    PICTURE_UNREADABLE,
    PICTURE_FILE_TOO_LARGE,
    PICTURE_UNKNOWN_FORMAT,
    PICTURE_BAD_HEADER,
    PICTURE_UNSUPPORTED,
    PICTURE_TOO_LARGE,
    PICTURE_TRUNCATED,
    PICTURE_DAMAGED,
    PICTURE_NO_MEMORY,
    PICTURE_NO_DECODER,
    PICTURE_ERROR_COUNT
};

const char *PictureErrorText(PictureError error);

// Checks the dimensions against the bounds above and allocates zeroed pixels.
PictureError AllocatePicture(Picture *picture, LONG width, LONG height);
void FreePicture(Picture *picture);

// Blends every pixel over the background colour and makes it opaque: the
// window shows the picture with BitBlt-style calls that ignore alpha.
void FlattenPicture(Picture *picture, COLORREF background);

// 0xAARRGGBB from its parts.
inline DWORD PackPixel(BYTE red, BYTE green, BYTE blue, BYTE alpha)
{
    return ((DWORD)alpha << 24) | ((DWORD)red << 16) | ((DWORD)green << 8) | blue;
}
