#include "tests/fuzz/fuzz_support.h"
#include <stdio.h>
#include <stdlib.h>
#include <time.h>

void FuzzFailure(const char *what)
{
    fprintf(stderr, "broken promise: %s\n", what);
    abort();
}

// -malloc_limit_mb, -max_len and -timeout, filled in below.
static char s_bounds[3][48];

// The bounds go in right after the program's name, so that a flag of the
// command line, parsed later, wins.
extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    snprintf(s_bounds[0], sizeof s_bounds[0], "-malloc_limit_mb=%u", (unsigned)DECODER_ALLOCATION_LIMIT_MB);
    snprintf(s_bounds[1], sizeof s_bounds[1], "-max_len=%u", (unsigned)HOSTILE_FILE_SIZE);
    snprintf(s_bounds[2], sizeof s_bounds[2], "-timeout=%u", (unsigned)HANG_SECONDS);
    const int boundCount = sizeof s_bounds / sizeof s_bounds[0];
    char **arguments = (char **)calloc((size_t)*argc + boundCount + 1, sizeof(char *));
    if (!arguments)
        return 0;
    arguments[0] = (*argv)[0];
    for (int i = 0; i < boundCount; ++i)
        arguments[1 + i] = s_bounds[i];
    for (int i = 1; i < *argc; ++i)
        arguments[boundCount + i] = (*argv)[i];
    *argc += boundCount;
    *argv = arguments;  // kept for the whole run, as libFuzzer keeps using it
    return 0;
}

static double CpuSeconds()
{
    timespec now;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return (double)now.tv_sec + (double)now.tv_nsec / 1e9;
}

int CheckDecoder(ByteDecoder decode, ByteSniffer sniff, const uint8_t *data, size_t size)
{
    if (size > MAX_PICTURE_FILE_SIZE)
        return 0;
    Picture picture;
    picture.width = -1;
    picture.height = -1;
    picture.pixels = (uint32_t *)&picture;
    double started = CpuSeconds();
    PictureError error = decode(data, (uint32_t)size, &picture);
    if (size <= HOSTILE_FILE_SIZE && CpuSeconds() - started > DECODE_SECONDS * SANITIZER_SLOWDOWN)
        FuzzFailure("a decode slower than the viewer's budget");
    if (error < PICTURE_OK || error >= PICTURE_ERROR_COUNT)
        FuzzFailure("an error outside the list");
    if (error != PICTURE_OK) {
        if (picture.pixels || picture.width != 0 || picture.height != 0)
            FuzzFailure("a failed decoder left a picture behind");
        return 0;
    }
    if (!picture.pixels || CheckPictureSize(picture.width, picture.height) != PICTURE_OK)
        FuzzFailure("a decoded picture out of bounds");
    if (sniff && !sniff(data, (uint32_t)size))
        FuzzFailure("a decoded file that its sniffer does not recognise");
    // Every pixel is read (AddressSanitizer sees a block too small) and made opaque.
    FlattenPicture(&picture, PackPixel(64, 64, 64, 255));
    size_t count = (size_t)picture.width * (size_t)picture.height;
    for (size_t i = 0; i < count; ++i)
        if (picture.pixels[i] >> 24 != 255)
            FuzzFailure("a pixel left transparent by FlattenPicture");
    FreePicture(&picture);
    return 0;
}
