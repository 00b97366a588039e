// The SZDD coder of the build machine: packs payload files into the form that
// LZ32's LZCopy expands on the target, and expands such files again so that
// the tests can check a packed file without Windows.
#pragma once
#include <stddef.h>
#include <stdint.h>
#include <vector>

enum {
    SZDD_HEADER_SIZE = 14,     // magic (8), mode 'A', replaced character, length (4)
    SZDD_RING_SIZE   = 4096,
    SZDD_MIN_MATCH   = 3,
    SZDD_MAX_MATCH   = 18,
    SZDD_MAX_INPUT   = 0x7FFFF000
};

// The longest earlier copy of the bytes at one position of the input: a
// length of 0 means none of SZDD_MIN_MATCH bytes or more. The distance counts
// back from the position (1..SZDD_RING_SIZE) and may reach into the spaces
// that fill the ring before the first byte.
struct SzddMatch {
    uint8_t  length;
    uint16_t distance;
};

// For each position of data, the longest match the format can encode there.
std::vector<SzddMatch> FindLongestMatches(const uint8_t *data, size_t size);

// A complete SZDD file image of data. replacedChar is the last character of
// the destination name, which the trailing '_' of the packed name stands for.
// The coder indexes with 32-bit integers: size must stay below SZDD_MAX_INPUT.
std::vector<uint8_t> PackSzdd(const uint8_t *data, size_t size, char replacedChar);

// Expands an SZDD file image. False when the header is not SZDD mode 'A' or
// the stream ends before the length the header announces.
bool ExpandSzdd(const uint8_t *file, size_t size, std::vector<uint8_t> *expanded,
                char *replacedChar);
