// The picture beside the folder browser of the directory and shortcut pages.
#pragma once
#include <windows.h>

// Loads bitmap 206 afresh, dropping a picture loaded by an earlier page.
void LoadPagePicture();
// Copies the picture's top-left block to (x, y) of the device context.
void DrawPagePicture(HDC dc, int x, int y);
