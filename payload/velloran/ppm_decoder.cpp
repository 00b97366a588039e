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
    const uint8_t *data;
    uint32_t size;
    uint32_t at;
};

static bool IsPpmSpace(uint8_t c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

bool LooksLikePpm(const uint8_t *data, uint32_t size)
{
    return size >= 3 && data[0] == 'P' && data[1] >= '1' && data[1] <= '6' &&
           IsPpmSpace(data[2]);
}

static void SkipSpaceAndComments(PpmReader *reader)
{
    while (reader->at < reader->size) {
        uint8_t c = reader->data[reader->at];
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
static PictureError ReadPpmNumber(PpmReader *reader, uint32_t *number)
{
    SkipSpaceAndComments(reader);
    if (reader->at >= reader->size)
        return PICTURE_TRUNCATED;
    uint32_t value = 0;
    uint32_t digits = 0;
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

static uint8_t ScaleSample(uint32_t sample, uint32_t maxValue)
{
    return (uint8_t)((sample * 255 + maxValue / 2) / maxValue);
}

// The data has been checked to hold every sample.
static PictureError ReadBinarySamples(PpmReader *reader, uint32_t channels, uint32_t maxValue, Picture *picture)
{
    uint32_t count = (uint32_t)picture->width * (uint32_t)picture->height;
    uint32_t sampleBytes = maxValue > 255 ? 2 : 1;
    const uint8_t *bytes = reader->data + reader->at;
    for (uint32_t i = 0; i < count; ++i) {
        uint8_t levels[3];
        for (uint32_t c = 0; c < channels; ++c) {
            uint32_t sample = sampleBytes == 2 ? ((uint32_t)bytes[0] << 8) | bytes[1] : bytes[0];
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

// Raw bitmaps: the data has been checked to hold every row.
static PictureError ReadBitmap(PpmReader *reader, bool binary, Picture *picture)
{
    uint32_t width = (uint32_t)picture->width, height = (uint32_t)picture->height;
    uint32_t rowBytes = (width + 7) / 8;
    const uint8_t *bytes = reader->data + reader->at;
    for (uint32_t y = 0; y < height; ++y)
        for (uint32_t x = 0; x < width; ++x) {
            bool black;
            if (binary) {
                black = (bytes[y * rowBytes + (x >> 3)] & (0x80 >> (x & 7))) != 0;
            } else {
                SkipSpaceAndComments(reader);
                if (reader->at >= reader->size)
                    return PICTURE_TRUNCATED;
                uint8_t digit = reader->data[reader->at++];
                if (digit != '0' && digit != '1')
                    return PICTURE_DAMAGED;
                black = digit == '1';
            }
            uint8_t level = black ? 0 : 255;
            picture->pixels[y * width + x] = PackPixel(level, level, level, 255);
        }
    return PICTURE_OK;
}

static PictureError ReadPlainSamples(PpmReader *reader, uint32_t channels, uint32_t maxValue, Picture *picture)
{
    uint32_t count = (uint32_t)picture->width * (uint32_t)picture->height;
    for (uint32_t i = 0; i < count; ++i) {
        uint8_t levels[3];
        for (uint32_t c = 0; c < channels; ++c) {
            uint32_t sample = 0;
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

// Whether the rest of the file can hold the samples the header promises: raw
// ones take their size in bytes; plain ones at least a digit each and the
// white space before it, plain bitmaps at least a digit.
static bool PpmDataCanHoldSamples(const PpmReader *reader, char kind, uint32_t width, uint32_t height,
                                  uint32_t maxValue)
{
    uint64_t pixels = (uint64_t)width * height;
    uint64_t available = reader->size - reader->at;
    uint64_t channels = (kind == '3' || kind == '6') ? 3 : 1;
    if (kind == '4')
        return (uint64_t)((width + 7) / 8) * height <= available;
    if (kind == '1')
        return pixels <= available;
    if (kind == '5' || kind == '6')
        return pixels * channels * (maxValue > 255 ? 2 : 1) <= available;
    return pixels * channels * 2 <= available;
}

PictureError DecodePpm(const uint8_t *data, uint32_t size, Picture *picture)
{
    ClearPicture(picture);
    if (size < 3)
        return PICTURE_TRUNCATED;
    if (data[0] != 'P')
        return PICTURE_BAD_HEADER;
    uint8_t kind = data[1];
    if (kind == '7')
        return PICTURE_UNSUPPORTED;
    if (!LooksLikePpm(data, size))
        return PICTURE_BAD_HEADER;

    PpmReader reader = { data, size, 2 };
    bool bitmap = kind == '1' || kind == '4';
    uint32_t width = 0, height = 0, maxValue = 1;
    PictureError error = ReadPpmNumber(&reader, &width);
    if (error == PICTURE_OK)
        error = ReadPpmNumber(&reader, &height);
    if (error == PICTURE_OK && !bitmap)
        error = ReadPpmNumber(&reader, &maxValue);
    if (error != PICTURE_OK)
        return error;
    if (maxValue == 0 || maxValue > PPM_MAX_SAMPLE)
        return PICTURE_BAD_HEADER;
    error = CheckPictureSize(width, height);
    if (error != PICTURE_OK)
        return error;
    bool binary = kind == '4' || kind == '5' || kind == '6';
    if (binary) {
        // Exactly one white-space byte separates the header from the samples.
        if (reader.at >= size || !IsPpmSpace(data[reader.at]))
            return reader.at >= size ? PICTURE_TRUNCATED : PICTURE_BAD_HEADER;
        ++reader.at;
    }

    if (!PpmDataCanHoldSamples(&reader, (char)kind, width, height, maxValue))
        return PICTURE_TRUNCATED;
    error = AllocatePicture(picture, width, height);
    if (error != PICTURE_OK)
        return error;
    uint32_t channels = (kind == '3' || kind == '6') ? 3 : 1;
    if (bitmap)
        error = ReadBitmap(&reader, binary, picture);
    else
        error = binary ? ReadBinarySamples(&reader, channels, maxValue, picture)
                       : ReadPlainSamples(&reader, channels, maxValue, picture);
    if (error != PICTURE_OK)
        FreePicture(picture);
    return error;
}
