#include "pages/page_picture.h"

#include "resources/resource.h"
#include "shell/setup_state.h"

// The block is a little larger than the 220 x 280 picture; the frame around
// it hides the difference.
enum { PICTURE_BLOCK_WIDTH = 224, PICTURE_BLOCK_HEIGHT = 282 };

static HBITMAP s_pagePicture;

void LoadPagePicture()
{
    if (s_pagePicture)
        DeleteObject(s_pagePicture);
    s_pagePicture = LoadBitmapA(g_instance, MAKEINTRESOURCEA(IDB_PAGE_PICTURE));
}

void DrawPagePicture(HDC dc, int x, int y)
{
    HDC memoryDc = CreateCompatibleDC(dc);
    HGDIOBJ oldBitmap = SelectObject(memoryDc, s_pagePicture);
    BitBlt(dc, x, y, PICTURE_BLOCK_WIDTH, PICTURE_BLOCK_HEIGHT, memoryDc, 0, 0, SRCCOPY);
    if (oldBitmap)
        SelectObject(memoryDc, oldBitmap);
    DeleteDC(memoryDc);
}
