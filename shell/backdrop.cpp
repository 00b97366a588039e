#include "shell/backdrop.h"

#include "resources/resource.h"
#include "shell/setup_state.h"

static HBITMAP  s_backdropBitmap;
static HPALETTE s_backdropPalette;

// The palette is a ramp from black to full blue, not the bitmap's own colours:
// on a palette display the picture is shown in shades of blue.
static HPALETTE CreateBlueRamp()
{
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT,
                                 sizeof(LOGPALETTE) + (BACKDROP_PALETTE_SIZE - 1) * sizeof(PALETTEENTRY));
    if (!memory)
        return NULL;
    LOGPALETTE *palette = (LOGPALETTE *)GlobalLock(memory);
    HPALETTE result = NULL;
    if (palette) {
        palette->palVersion    = 0x300;
        palette->palNumEntries = BACKDROP_PALETTE_SIZE;
        for (int i = 0; i < BACKDROP_PALETTE_SIZE; ++i) {
            palette->palPalEntry[i].peRed   = 0;
            palette->palPalEntry[i].peGreen = 0;
            palette->palPalEntry[i].peBlue  = (BYTE)i;
            palette->palPalEntry[i].peFlags = PC_NOCOLLAPSE;
        }
        result = CreatePalette(palette);
        GlobalUnlock(memory);
    }
    GlobalFree(memory);
    return result;
}

int LoadBackdrop()
{
    s_backdropBitmap = LoadBitmapA(g_instance, MAKEINTRESOURCEA(IDB_BACKDROP));
    if (!s_backdropBitmap)
        return 0;
    s_backdropPalette = CreateBlueRamp();
    return 1;
}

int PaintBackdrop(HDC dc)
{
    HDC memoryDc = CreateCompatibleDC(dc);
    HPALETTE oldScreenPalette = NULL, oldMemoryPalette = NULL;
    if (s_backdropPalette) {
        oldScreenPalette = SelectPalette(dc, s_backdropPalette, FALSE);
        RealizePalette(dc);
        oldMemoryPalette = SelectPalette(memoryDc, s_backdropPalette, FALSE);
    }
    HGDIOBJ oldBitmap = SelectObject(memoryDc, s_backdropBitmap);

    SetStretchBltMode(dc, COLORONCOLOR);
    StretchBlt(dc, 0, 0, g_screenWidth, g_screenHeight,
               memoryDc, 0, 0, BACKDROP_WIDTH, BACKDROP_HEIGHT, SRCCOPY);

    if (oldScreenPalette)
        SelectPalette(dc, oldScreenPalette, FALSE);
    if (oldMemoryPalette)
        SelectPalette(memoryDc, oldMemoryPalette, FALSE);
    if (oldBitmap)
        SelectObject(memoryDc, oldBitmap);
    DeleteDC(memoryDc);
    return 0;
}

LRESULT OnPaintBackdrop(HWND window, UINT, WPARAM, LPARAM)
{
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    if (s_backdropBitmap)
        PaintBackdrop(dc);
    EndPaint(window, &paint);
    return 0;
}
