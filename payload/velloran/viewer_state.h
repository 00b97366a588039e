// Process-wide state of the viewer: everything that outlives one message.
#pragma once
#include <windows.h>

enum {
    VIEWER_PATH_SIZE    = MAX_PATH,
    VIEWER_TITLE_SIZE   = MAX_PATH + 16,
    VIEWER_MESSAGE_SIZE = MAX_PATH + 200
};

// Around the picture and behind its transparent parts.
#define VIEWER_BACKGROUND RGB(64, 64, 64)

extern const char kViewerClassName[];
extern const char kViewerName[];

extern HBRUSH    g_backgroundBrush;

// The picture on show, already blended over the background, as a 32-bit DIB
// section; NULL while no picture is open.
extern HBITMAP   g_pictureBitmap;
extern LONG      g_pictureWidth;
extern LONG      g_pictureHeight;
extern char      g_picturePath[VIEWER_PATH_SIZE];
