// A decoded picture as every loader of the viewer hands it over: 32-bit
// pixels, top row first, each one 0xAARRGGBB (so the bytes in memory are
// B, G, R, A, the layout of a 32-bit DIB section).
//
// This file and the decoders (decoders.h, orientation.h) are plain code over
// bytes, without a Win32 call: they build for Windows and natively, where
// they are fuzzed (tests/fuzz).
#pragma once
#include <stddef.h>
#include <stdint.h>

enum : uint32_t {
    // Bounds on what any loader accepts, so that a hostile header cannot make
    // the viewer allocate or index beyond reason in a 32-bit process.
    MAX_PICTURE_SIDE   = 16384,
    MAX_PICTURE_PIXELS = 32 * 1024 * 1024,
    // The largest block of pixels a picture may take: 128 MB.
    MAX_PICTURE_BYTES  = MAX_PICTURE_PIXELS * 4,
    // Files read whole into memory by the viewer's own decoders.
    MAX_PICTURE_FILE_SIZE = 256 * 1024 * 1024
};

struct Picture {
    int32_t   width;
    int32_t   height;
    uint32_t *pixels;
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

// Whether a picture of these dimensions is within the bounds above; the
// decoders ask before they look at how much data the file holds.
PictureError CheckPictureSize(int64_t width, int64_t height);

// Checks the dimensions as above and allocates zeroed pixels.
PictureError AllocatePicture(Picture *picture, int64_t width, int64_t height);
void FreePicture(Picture *picture);
// An empty picture, as every loader leaves it on failure.
void ClearPicture(Picture *picture);

// 0xAARRGGBB from its parts.
inline uint32_t PackPixel(uint8_t red, uint8_t green, uint8_t blue, uint8_t alpha)
{
    return ((uint32_t)alpha << 24) | ((uint32_t)red << 16) | ((uint32_t)green << 8) | blue;
}

// Blends every pixel over the background (an opaque pixel as PackPixel makes
// it) and makes it opaque: the window shows the picture with BitBlt-style
// calls that ignore alpha.
void FlattenPicture(Picture *picture, uint32_t background);
