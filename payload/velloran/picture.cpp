#include "payload/velloran/picture.h"

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

PictureError AllocatePicture(Picture *picture, LONG width, LONG height)
{
    picture->width = 0;
    picture->height = 0;
    picture->pixels = NULL;
    if (width <= 0 || height <= 0)
        return PICTURE_BAD_HEADER;
    // Each side is checked first so that the product cannot overflow.
    if (width > MAX_PICTURE_SIDE || height > MAX_PICTURE_SIDE || width * height > MAX_PICTURE_PIXELS)
        return PICTURE_TOO_LARGE;
    SIZE_T bytes = (SIZE_T)width * (SIZE_T)height * sizeof(DWORD);
    picture->pixels = (DWORD *)HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, bytes);
    if (!picture->pixels)
        return PICTURE_NO_MEMORY;
    picture->width = width;
    picture->height = height;
    return PICTURE_OK;
}

void FreePicture(Picture *picture)
{
    if (picture->pixels)
        HeapFree(GetProcessHeap(), 0, picture->pixels);
    picture->pixels = NULL;
    picture->width = 0;
    picture->height = 0;
}

// Straight (not premultiplied) alpha, rounded to the nearest value.
static BYTE Blend(DWORD front, DWORD back, DWORD alpha)
{
    return (BYTE)((front * alpha + back * (255 - alpha) + 127) / 255);
}

void FlattenPicture(Picture *picture, COLORREF background)
{
    DWORD backRed = GetRValue(background);
    DWORD backGreen = GetGValue(background);
    DWORD backBlue = GetBValue(background);
    DWORD count = (DWORD)picture->width * (DWORD)picture->height;
    for (DWORD i = 0; i < count; ++i) {
        DWORD pixel = picture->pixels[i];
        DWORD alpha = pixel >> 24;
        if (alpha == 255)
            continue;
        picture->pixels[i] = PackPixel(Blend((pixel >> 16) & 0xFF, backRed, alpha),
                                       Blend((pixel >> 8) & 0xFF, backGreen, alpha),
                                       Blend(pixel & 0xFF, backBlue, alpha), 255);
    }
}
