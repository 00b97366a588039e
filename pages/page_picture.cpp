#include "pages/page_picture.h"

#include "resources/resource.h"
#include "shell/setup_state.h"

// At the standard DPI the block is a little larger than the 220 x 280
// picture; the frame around it hides the difference.
enum { PICTURE_BLOCK_WIDTH = 224, PICTURE_BLOCK_HEIGHT = 282, STANDARD_DPI = 96 };

// The picture as tools/make_pictures draws it for each display scale.
struct PictureScale {
    WORD id;
    int  width, height;
};
static const PictureScale kScales[] = {
    { IDB_PAGE_PICTURE,     220, 280 },
    { IDB_PAGE_PICTURE_125, 275, 350 },
    { IDB_PAGE_PICTURE_150, 330, 420 },
    { IDB_PAGE_PICTURE_200, 440, 560 },
    { IDB_PAGE_PICTURE_250, 550, 700 },
};

static HBITMAP s_pagePicture;
static bool    s_fillsFrame;   // above the standard DPI: drawn into the frame's inside
static RECT    s_inside;       // the frame's inside, in its client coordinates
static POINT   s_source;       // where the shrunk picture's part that shows begins

// The smallest picture that covers the inside, so that it is only ever
// shrunk, never stretched; the largest when none does. Frames grow a little
// faster than the DPI (Windows' fonts and Wine's alike), so 200 % needs
// the 250 % picture.
static const PictureScale *CoveringScale(int width, int height)
{
    for (size_t i = 1; i < ARRAYSIZE(kScales); ++i)
        if (kScales[i].width >= width && kScales[i].height >= height)
            return &kScales[i];
    return &kScales[ARRAYSIZE(kScales) - 1];
}

// What does not fit is cut off equally left and right, and from the sky at
// the top rather than from the name at the foot.
static void PlaceSource(int pictureWidth, int pictureHeight, int width, int height)
{
    s_source.x = pictureWidth > width ? (pictureWidth - width) / 2 : 0;
    s_source.y = pictureHeight > height ? pictureHeight - height : 0;
}

// A copy of the picture shrunk by one factor in both directions until one
// side meets the inside, with HALFTONE, which averages the pixels it drops.
static HBITMAP ShrinkToCover(HBITMAP picture, const PictureScale *scale, int width, int height)
{
    // The larger of the two ratios, so that both sides cover the inside.
    int coverWidth = width, coverHeight = height;
    if ((LONGLONG)width * scale->height >= (LONGLONG)height * scale->width)
        coverHeight = MulDiv(scale->height, width, scale->width);
    else
        coverWidth = MulDiv(scale->width, height, scale->height);
    if (coverWidth >= scale->width || coverHeight >= scale->height) {
        PlaceSource(scale->width, scale->height, width, height);
        return picture;
    }

    HDC screen = GetDC(NULL);
    HBITMAP shrunk = CreateCompatibleBitmap(screen, coverWidth, coverHeight);
    HDC from = CreateCompatibleDC(screen), to = CreateCompatibleDC(screen);
    ReleaseDC(NULL, screen);
    if (!shrunk || !from || !to) {
        if (shrunk)
            DeleteObject(shrunk);
        shrunk = NULL;
    } else {
        HGDIOBJ oldFrom = SelectObject(from, picture), oldTo = SelectObject(to, shrunk);
        SetStretchBltMode(to, HALFTONE);
        SetBrushOrgEx(to, 0, 0, NULL);
        StretchBlt(to, 0, 0, coverWidth, coverHeight, from, 0, 0, scale->width, scale->height, SRCCOPY);
        SelectObject(from, oldFrom);
        SelectObject(to, oldTo);
    }
    if (from)
        DeleteDC(from);
    if (to)
        DeleteDC(to);
    if (!shrunk)
        return picture;
    DeleteObject(picture);
    PlaceSource(coverWidth, coverHeight, width, height);
    return shrunk;
}

void LoadPagePicture(HWND frame)
{
    if (s_pagePicture)
        DeleteObject(s_pagePicture);
    s_pagePicture = NULL;
    s_source.x = s_source.y = 0;

    HDC screen = GetDC(NULL);
    int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(NULL, screen);
    GetClientRect(frame, &s_inside);
    InflateRect(&s_inside, -GetSystemMetrics(SM_CXEDGE), -GetSystemMetrics(SM_CYEDGE));
    int width = s_inside.right - s_inside.left, height = s_inside.bottom - s_inside.top;
    s_fillsFrame = dpi > STANDARD_DPI && width > 0 && height > 0;
    if (!s_fillsFrame) {
        s_pagePicture = LoadBitmapA(g_instance, MAKEINTRESOURCEA(IDB_PAGE_PICTURE));
        return;
    }
    const PictureScale *scale = CoveringScale(width, height);
    HBITMAP picture = LoadBitmapA(g_instance, MAKEINTRESOURCEA(scale->id));
    s_pagePicture = picture ? ShrinkToCover(picture, scale, width, height) : NULL;
}

void DrawPagePicture(HDC dc, int x, int y, POINT frameOrigin)
{
    HDC memoryDc = CreateCompatibleDC(dc);
    HGDIOBJ oldBitmap = SelectObject(memoryDc, s_pagePicture);
    if (s_fillsFrame)
        BitBlt(dc, frameOrigin.x + s_inside.left, frameOrigin.y + s_inside.top, s_inside.right - s_inside.left,
               s_inside.bottom - s_inside.top, memoryDc, s_source.x, s_source.y, SRCCOPY);
    else
        BitBlt(dc, x, y, PICTURE_BLOCK_WIDTH, PICTURE_BLOCK_HEIGHT, memoryDc, 0, 0, SRCCOPY);
    if (oldBitmap)
        SelectObject(memoryDc, oldBitmap);
    DeleteDC(memoryDc);
}
