// What every decoder fuzz target holds the viewer's decoders to: a hostile
// file of at most HOSTILE_FILE_SIZE bytes may make a decoder allocate no more
// than the largest picture allows, nor spend more than DECODE_SECONDS on it.
// The targets give libFuzzer the size and allocation bounds themselves, ahead
// of the command line's flags (which may still change them for one run).
#pragma once
#include "payload/velloran/picture.h"

enum : uint32_t {
    HOSTILE_FILE_SIZE = 1024 * 1024,
    // The largest picture's pixels and, beside them, a PCX scan line (at most
    // 256 KB) or a TGA colour map (as much): below the next megabyte.
    DECODER_ALLOCATION_LIMIT_MB = MAX_PICTURE_BYTES / (1024 * 1024) + 1,
    DECODE_SECONDS = 1,
    // The sanitizers make the decoders about five times slower than the
    // viewer's own build (the worst 1 MB file, a PCX of 32M pixels: 0.6 s of
    // CPU natively, 3 s here), so a decode is timed in CPU seconds against
    // the promise times this. CPU time, as the machine may be shared.
    SANITIZER_SLOWDOWN = 5,
    // Wall-clock time after which libFuzzer takes a decode for a hang.
    HANG_SECONDS = 60
};

typedef PictureError (*ByteDecoder)(const uint8_t *data, uint32_t size, Picture *picture);
typedef bool (*ByteSniffer)(const uint8_t *data, uint32_t size);

// Decodes the input and stops the run (as a crash) when the result breaks a
// promise of the decoders: an empty picture on failure, a picture within the
// bounds on success, a file that it accepts recognised by its sniffer (when
// it has one, so that it is shown under any name), and the time above.
int CheckDecoder(ByteDecoder decode, ByteSniffer sniff, const uint8_t *data, size_t size);

// Stops the run, naming the broken promise.
[[noreturn]] void FuzzFailure(const char *what);
