// The full-screen backdrop picture behind every page.
#pragma once
#include <windows.h>

enum { BACKDROP_WIDTH = 800, BACKDROP_HEIGHT = 600, BACKDROP_PALETTE_SIZE = 256 };

// Loads bitmap 250 and builds the blue-ramp palette; 1 when the bitmap loaded.
int LoadBackdrop();
int PaintBackdrop(HDC dc);
LRESULT OnPaintBackdrop(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
