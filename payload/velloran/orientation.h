// The orientation a camera records in a JPEG's EXIF block or in a TIFF's
// first directory (tag 274), and the turn that shows the picture upright.
#pragma once
#include "payload/velloran/picture.h"

enum {
    ORIENTATION_UPRIGHT = 1,   // 1 to 8 as EXIF numbers them
    ORIENTATION_LAST    = 8
};

// Reads count bytes at offset of the file into bytes; false when the file
// ends first or cannot be read. A TIFF may keep its directory after the
// pixels, so the reader asks for what it needs where it lies rather than for
// the whole file.
typedef bool (*ReadBytesAt)(void *source, uint32_t offset, uint8_t *bytes, uint32_t count);

// The file's orientation; ORIENTATION_UPRIGHT when it records none (or is
// neither a JPEG nor a TIFF, or cannot be read).
int ReadOrientation(ReadBytesAt read, void *source);

// Turns and mirrors the picture as orientation says; the pixels may be
// replaced by a new block (width and height swap for 5 to 8).
PictureError OrientPicture(Picture *picture, int orientation);
