#include "payload/velloran/picture.h"
#include <stdlib.h>

static const char *const kPictureErrorTexts[PICTURE_ERROR_COUNT] = {
    "no error",
    "the file could not be read",
    "the file is too large",
    "the file is not a picture that Velloran can show",
    "the picture's header is damaged",
    "this kind of picture is not supported",
    "the picture is too large",
    "the picture data ends too early",
    "the picture data is damaged",
    "there is not enough memory",
    "the Windows Imaging Component is not available"
};

const char *PictureErrorText(PictureError error)
{
    if ((int)error < 0 || error >= PICTURE_ERROR_COUNT)
        return kPictureErrorTexts[PICTURE_DAMAGED];
    return kPictureErrorTexts[error];
}

PictureError CheckPictureSize(int64_t width, int64_t height)
{
    if (width <= 0 || height <= 0)
        return PICTURE_BAD_HEADER;
    // Each side is checked first so that the product cannot overflow.
    if (width > MAX_PICTURE_SIDE || height > MAX_PICTURE_SIDE || width * height > MAX_PICTURE_PIXELS)
        return PICTURE_TOO_LARGE;
    return PICTURE_OK;
}

void ClearPicture(Picture *picture)
{
    picture->width = 0;
    picture->height = 0;
    picture->pixels = NULL;
}

PictureError AllocatePicture(Picture *picture, int64_t width, int64_t height)
{
    ClearPicture(picture);
    PictureError error = CheckPictureSize(width, height);
    if (error != PICTURE_OK)
        return error;
    picture->pixels = (uint32_t *)calloc((size_t)(width * height), sizeof(uint32_t));
    if (!picture->pixels)
        return PICTURE_NO_MEMORY;
    picture->width = (int32_t)width;
    picture->height = (int32_t)height;
    return PICTURE_OK;
}

void FreePicture(Picture *picture)
{
    free(picture->pixels);
    ClearPicture(picture);
}

// Straight (not premultiplied) alpha, rounded to the nearest value.
static uint8_t Blend(uint32_t front, uint32_t back, uint32_t alpha)
{
    return (uint8_t)((front * alpha + back * (255 - alpha) + 127) / 255);
}

void FlattenPicture(Picture *picture, uint32_t background)
{
    uint32_t backRed = (background >> 16) & 0xFF;
    uint32_t backGreen = (background >> 8) & 0xFF;
    uint32_t backBlue = background & 0xFF;
    size_t count = (size_t)picture->width * (size_t)picture->height;
    for (size_t i = 0; i < count; ++i) {
        uint32_t pixel = picture->pixels[i];
        uint32_t alpha = pixel >> 24;
        if (alpha == 255)
            continue;
        picture->pixels[i] = PackPixel(Blend((pixel >> 16) & 0xFF, backRed, alpha),
                                       Blend((pixel >> 8) & 0xFF, backGreen, alpha),
                                       Blend(pixel & 0xFF, backBlue, alpha), 255);
    }
}
