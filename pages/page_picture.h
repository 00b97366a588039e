// The picture beside the folder browser of the directory and shortcut pages.
#pragma once
#include <windows.h>

// Loads the picture afresh, dropping one loaded by an earlier page: bitmap
// 206 at the standard 96 DPI; at a larger DPI the smallest of the ones
// drawn for 125, 150, 200 and 250 % that covers the frame's inside, shrunk
// to cover that inside exactly.
void LoadPagePicture(HWND frame);
// At the standard DPI copies the picture's top-left block to (x, y) of the
// device context, as the pages always placed it; at a larger DPI fills the
// inside of the frame, whose client origin is at frameOrigin in dc.
void DrawPagePicture(HDC dc, int x, int y, POINT frameOrigin);
