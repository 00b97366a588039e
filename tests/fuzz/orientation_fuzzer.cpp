// libFuzzer target: the orientation reader on any bytes, read as the viewer
// reads a file (at offsets, through a callback), and the turn it asks for.
#include "payload/velloran/orientation.h"
#include "tests/fuzz/fuzz_support.h"
#include <string.h>

struct Bytes {
    const uint8_t *data;
    size_t size;
};

static bool ReadBytes(void *source, uint32_t offset, uint8_t *bytes, uint32_t count)
{
    const Bytes *file = (const Bytes *)source;
    if (offset > file->size || count > file->size - offset)
        return false;
    memcpy(bytes, file->data + offset, count);
    return true;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    Bytes file = { data, size };
    int orientation = ReadOrientation(ReadBytes, &file);
    if (orientation < ORIENTATION_UPRIGHT || orientation > ORIENTATION_LAST)
        FuzzFailure("an orientation outside 1 to 8");

    // A 3 x 2 picture turned: the same pixels, the sides swapped from 5 on.
    Picture picture;
    if (AllocatePicture(&picture, 3, 2) != PICTURE_OK)
        FuzzFailure("no room for six pixels");
    uint32_t sum = 0;
    for (uint32_t i = 0; i < 6; ++i)
        sum += picture.pixels[i] = 1u << i;
    if (OrientPicture(&picture, orientation) != PICTURE_OK)
        FuzzFailure("a turn refused");
    bool swapped = orientation > 4;
    if (picture.width != (swapped ? 2 : 3) || picture.height != (swapped ? 3 : 2))
        FuzzFailure("a turn with the wrong sides");
    uint32_t turned = 0;
    for (uint32_t i = 0; i < 6; ++i)
        turned |= picture.pixels[i];
    if (turned != sum)
        FuzzFailure("a turn that lost a pixel");
    FreePicture(&picture);
    return 0;
}
