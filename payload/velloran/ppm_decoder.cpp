// Netpbm grey and colour maps. The header is "P" and a digit, then width,
// height and maximum value as decimal numbers separated by white space, with
// "#" comments running to the end of a line. Binary samples follow after one
// white-space byte, one byte each up to a maximum of 255 and two bytes (high
// byte first) above; plain (ASCII) samples are decimal numbers. Bitmaps (P1,
// P4) have no maximum value: 1 is black, and binary rows are packed eight
// pixels to a byte, each row starting on a new byte; plain ones are digits,
// with or without white space between them.
#include "payload/velloran/decoders.h"

enum {
    PPM_MAX_SAMPLE = 65535,
    PPM_MAX_DIGITS = 9   // more than any valid header number needs
};

struct PpmReader {
    const BYTE *data;
    DWORD size;
    DWORD at;
};

static bool IsPpmSpace(BYTE c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

bool LooksLikePpm(const BYTE *data, DWORD size)
{
    return size >= 3 && data[0] == 'P' && data[1] >= '1' && data[1] <= '6' &&
           IsPpmSpace(data[2]);
}

static void SkipSpaceAndComments(PpmReader *reader)
{
    while (reader->at < reader->size) {
        BYTE c = reader->data[reader->at];
        if (c == '#') {
            while (reader->at < reader->size && reader->data[reader->at] != '\n' && reader->data[reader->at] != '\r')
                ++reader->at;
        } else if (IsPpmSpace(c)) {
            ++reader->at;
        } else {
            return;
        }
    }
}

// A decimal number of at most PPM_MAX_DIGITS digits, so it cannot overflow.
static PictureError ReadPpmNumber(PpmReader *reader, DWORD *number)
{
    SkipSpaceAndComments(reader);
    if (reader->at >= reader->size)
        return PICTURE_TRUNCATED;
    DWORD value = 0;
    DWORD digits = 0;
    while (reader->at < reader->size && reader->data[reader->at] >= '0' && reader->data[reader->at] <= '9') {
        if (++digits > PPM_MAX_DIGITS)
            return PICTURE_BAD_HEADER;
        value = value * 10 + (reader->data[reader->at] - '0');
        ++reader->at;
    }
    if (digits == 0)
        return PICTURE_BAD_HEADER;
    *number = value;
    return PICTURE_OK;
}

static BYTE ScaleSample(DWORD sample, DWORD maxValue)
{
    return (BYTE)((sample * 255 + maxValue / 2) / maxValue);
}

static PictureError ReadBinarySamples(PpmReader *reader, DWORD channels, DWORD maxValue, Picture *picture)
{
    DWORD count = (DWORD)picture->width * (DWORD)picture->height;
    DWORD sampleBytes = maxValue > 255 ? 2 : 1;
    // At most MAX_PICTURE_PIXELS * 3 * 2 bytes: the product fits in 32 bits.
    if (reader->size - reader->at < count * channels * sampleBytes)
        return PICTURE_TRUNCATED;
    const BYTE *bytes = reader->data + reader->at;
    for (DWORD i = 0; i < count; ++i) {
        BYTE levels[3];
        for (DWORD c = 0; c < channels; ++c) {
            DWORD sample = sampleBytes == 2 ? ((DWORD)bytes[0] << 8) | bytes[1] : bytes[0];
            bytes += sampleBytes;
            if (sample > maxValue)
                return PICTURE_DAMAGED;
            levels[c] = ScaleSample(sample, maxValue);
        }
        picture->pixels[i] = channels == 3 ? PackPixel(levels[0], levels[1], levels[2], 255)
                                           : PackPixel(levels[0], levels[0], levels[0], 255);
    }
    return PICTURE_OK;
}

static PictureError ReadBitmap(PpmReader *reader, bool binary, Picture *picture)
{
    DWORD width = (DWORD)picture->width, height = (DWORD)picture->height;
    DWORD rowBytes = (width + 7) / 8;
    if (binary && reader->size - reader->at < rowBytes * height)
        return PICTURE_TRUNCATED;
    const BYTE *bytes = reader->data + reader->at;
    for (DWORD y = 0; y < height; ++y)
        for (DWORD x = 0; x < width; ++x) {
            bool black;
            if (binary) {
                black = (bytes[y * rowBytes + (x >> 3)] & (0x80 >> (x & 7))) != 0;
            } else {
                SkipSpaceAndComments(reader);
                if (reader->at >= reader->size)
                    return PICTURE_TRUNCATED;
                BYTE digit = reader->data[reader->at++];
                if (digit != '0' && digit != '1')
                    return PICTURE_DAMAGED;
                black = digit == '1';
            }
            BYTE level = black ? 0 : 255;
            picture->pixels[y * width + x] = PackPixel(level, level, level, 255);
        }
    return PICTURE_OK;
}

static PictureError ReadPlainSamples(PpmReader *reader, DWORD channels, DWORD maxValue, Picture *picture)
{
    DWORD count = (DWORD)picture->width * (DWORD)picture->height;
    for (DWORD i = 0; i < count; ++i) {
        BYTE levels[3];
        for (DWORD c = 0; c < channels; ++c) {
            DWORD sample = 0;
            PictureError error = ReadPpmNumber(reader, &sample);
            if (error != PICTURE_OK)
                return error == PICTURE_BAD_HEADER ? PICTURE_DAMAGED : error;
            if (sample > maxValue)
                return PICTURE_DAMAGED;
            levels[c] = ScaleSample(sample, maxValue);
        }
        picture->pixels[i] = channels == 3 ? PackPixel(levels[0], levels[1], levels[2], 255)
                                           : PackPixel(levels[0], levels[0], levels[0], 255);
    }
    return PICTURE_OK;
}

PictureError DecodePpm(const BYTE *data, DWORD size, Picture *picture)
{
    picture->width = 0;
    picture->height = 0;
    picture->pixels = NULL;
    if (size < 3)
        return PICTURE_TRUNCATED;
    if (data[0] != 'P')
        return PICTURE_BAD_HEADER;
    BYTE kind = data[1];
    if (kind == '7')
        return PICTURE_UNSUPPORTED;
    if (!LooksLikePpm(data, size))
        return PICTURE_BAD_HEADER;

    PpmReader reader = { data, size, 2 };
    bool bitmap = kind == '1' || kind == '4';
    DWORD width = 0, height = 0, maxValue = 1;
    PictureError error = ReadPpmNumber(&reader, &width);
    if (error == PICTURE_OK)
        error = ReadPpmNumber(&reader, &height);
    if (error == PICTURE_OK && !bitmap)
        error = ReadPpmNumber(&reader, &maxValue);
    if (error != PICTURE_OK)
        return error;
    if (maxValue == 0 || maxValue > PPM_MAX_SAMPLE)
        return PICTURE_BAD_HEADER;
    if (width > MAX_PICTURE_SIDE || height > MAX_PICTURE_SIDE)
        return PICTURE_TOO_LARGE;
    bool binary = kind == '4' || kind == '5' || kind == '6';
    if (binary) {
        // Exactly one white-space byte separates the header from the samples.
        if (reader.at >= size || !IsPpmSpace(data[reader.at]))
            return reader.at >= size ? PICTURE_TRUNCATED : PICTURE_BAD_HEADER;
        ++reader.at;
    }

    error = AllocatePicture(picture, (LONG)width, (LONG)height);
    if (error != PICTURE_OK)
        return error;
    DWORD channels = (kind == '3' || kind == '6') ? 3 : 1;
    if (bitmap)
        error = ReadBitmap(&reader, binary, picture);
    else
        error = binary ? ReadBinarySamples(&reader, channels, maxValue, picture)
                       : ReadPlainSamples(&reader, channels, maxValue, picture);
    if (error != PICTURE_OK)
        FreePicture(picture);
    return error;
}
