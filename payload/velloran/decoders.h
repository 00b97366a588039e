// The formats that the Windows Imaging Component does not read, decoded by
// the viewer itself from the whole file in memory. Each decoder checks every
// header field before it trusts it, refuses a header that promises more
// picture data than the file can hold before it allocates anything, and
// never reads past data + size; on failure the picture is left empty.
#pragma once
#include "payload/velloran/picture.h"

// Truevision TGA: colour-mapped (8/16-bit indexes, 15/16/24/32-bit maps),
// true-colour 15/16/24/32 bit and grey 8 bit (16 with alpha), plain or RLE,
// from any origin corner.
PictureError DecodeTga(const uint8_t *data, uint32_t size, Picture *picture);

// ZSoft PCX: 1, 2 and 4 bits packed in one plane, 1 bit in 2 to 4 planes,
// 8-bit paletted or grey, 24-bit (3 planes), 32-bit (4 planes); RLE or plain.
PictureError DecodePcx(const uint8_t *data, uint32_t size, Picture *picture);

// Netpbm: P6 and P3 (colour), P5 and P2 (grey), any maximum value up to
// 65535, and P4 and P1 (black and white).
PictureError DecodePpm(const uint8_t *data, uint32_t size, Picture *picture);

// Whether the first bytes look like a PCX or a Netpbm file, for files whose
// name does not say what they are.
bool LooksLikePcx(const uint8_t *data, uint32_t size);
bool LooksLikePpm(const uint8_t *data, uint32_t size);

inline uint32_t ReadLittleWord(const uint8_t *bytes)
{
    return (uint32_t)bytes[0] | ((uint32_t)bytes[1] << 8);
}
