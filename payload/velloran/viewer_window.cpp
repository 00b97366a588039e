#include "payload/velloran/viewer_window.h"
#include "payload/velloran/layout.h"
#include "payload/velloran/picture_file.h"
#include "payload/velloran/resource.h"
#include "payload/velloran/viewer_state.h"
#include "common/message_tables.h"
#include "common/text.h"
#include <commdlg.h>

const char kViewerClassName[] = "VelloranViewer";
const char kViewerName[] = "Velloran";

HBRUSH    g_backgroundBrush;
HBITMAP   g_pictureBitmap;
LONG      g_pictureWidth;
LONG      g_pictureHeight;
char      g_picturePath[VIEWER_PATH_SIZE];

static const char kOpenFilter[] =
    "Pictures\0*.bmp;*.dib;*.gif;*.jpg;*.jpeg;*.jpe;*.jif;*.png;*.tif;*.tiff;*.tga;*.pcx;*.ppm;*.pgm;*.pnm\0"
    "All files (*.*)\0*.*\0";

// "Velloran cannot open <path>: <reason>." in a message box owned by the window.
static void ReportUnopenable(HWND window, const char *path, const char *reason)
{
    // VIEWER_MESSAGE_SIZE holds any path of VIEWER_PATH_SIZE and the longest reason.
    char text[VIEWER_MESSAGE_SIZE] = "Velloran cannot open ";
    AppendText(text, sizeof text, path);
    AppendText(text, sizeof text, ": ");
    AppendText(text, sizeof text, reason);
    AppendText(text, sizeof text, ".");
    MessageBoxA(window, text, kViewerName, MB_OK | MB_ICONERROR);
}

// A top-down 32-bit DIB section holding the picture's pixels.
static HBITMAP MakePictureBitmap(const Picture *picture)
{
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = picture->width;
    info.bmiHeader.biHeight = -picture->height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void *bits = NULL;
    HBITMAP bitmap = CreateDIBSection(NULL, &info, DIB_RGB_COLORS, &bits, NULL, 0);
    if (bitmap && bits)
        CopyMemory(bits, picture->pixels, (SIZE_T)picture->width * (SIZE_T)picture->height * sizeof(DWORD));
    return bitmap;
}

static void ShowTitle(HWND window, const char *path)
{
    char title[VIEWER_TITLE_SIZE] = "";
    if (!path[0] || !CopyText(title, sizeof title, FileNameOf(path)) || !AppendText(title, sizeof title, " - "))
        title[0] = '\0';
    AppendText(title, sizeof title, kViewerName);
    SetWindowTextA(window, title);
}

bool OpenPicture(HWND window, const char *path)
{
    Picture picture;
    PictureError error = LoadPictureFile(path, &picture);
    HBITMAP bitmap = NULL;
    if (error == PICTURE_OK) {
        FlattenPicture(&picture, PackPixel(GetRValue(VIEWER_BACKGROUND), GetGValue(VIEWER_BACKGROUND),
                                           GetBValue(VIEWER_BACKGROUND), 255));
        bitmap = MakePictureBitmap(&picture);
        if (!bitmap)
            error = PICTURE_NO_MEMORY;
    }
    if (error != PICTURE_OK) {
        FreePicture(&picture);
        ReportUnopenable(window, path, PictureErrorText(error));
        return false;
    }
    if (g_pictureBitmap)
        DeleteObject(g_pictureBitmap);
    g_pictureBitmap = bitmap;
    g_pictureWidth = picture.width;
    g_pictureHeight = picture.height;
    FreePicture(&picture);
    lstrcpynA(g_picturePath, path, VIEWER_PATH_SIZE);
    ShowTitle(window, g_picturePath);
    InvalidateRect(window, NULL, FALSE);
    return true;
}

// The picture fitted and centred, the rest of the client area in the
// background colour; drawn in one pass so that resizing does not flicker.
static void PaintPicture(HWND window, HDC dc)
{
    RECT client;
    GetClientRect(window, &client);
    int saved = SaveDC(dc);
    if (g_pictureBitmap) {
        RECT place = FitPicture(g_pictureWidth, g_pictureHeight, client.right, client.bottom);
        HDC memory = CreateCompatibleDC(dc);
        if (memory) {
            HGDIOBJ previous = SelectObject(memory, g_pictureBitmap);
            SetStretchBltMode(dc, HALFTONE);
            SetBrushOrgEx(dc, 0, 0, NULL);
            StretchBlt(dc, place.left, place.top, place.right - place.left, place.bottom - place.top, memory, 0, 0,
                       g_pictureWidth, g_pictureHeight, SRCCOPY);
            SelectObject(memory, previous);
            DeleteDC(memory);
            ExcludeClipRect(dc, place.left, place.top, place.right, place.bottom);
        }
    }
    FillRect(dc, &client, g_backgroundBrush);
    RestoreDC(dc, saved);
}

// File > Open: the common open dialog, starting from the picture on show.
static LRESULT OnFileOpen(HWND window, WORD, WORD, LPARAM)
{
    char path[VIEWER_PATH_SIZE];
    lstrcpynA(path, g_picturePath, VIEWER_PATH_SIZE);
    OPENFILENAMEA dialog = {};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = window;
    dialog.lpstrFilter = kOpenFilter;
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = path;
    dialog.nMaxFile = VIEWER_PATH_SIZE;
    dialog.lpstrTitle = "Open picture";
    dialog.Flags = OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
    if (GetOpenFileNameA(&dialog))
        OpenPicture(window, path);
    return 0;
}

// File > Exit.
static LRESULT OnFileExit(HWND window, WORD, WORD, LPARAM)
{
    DestroyWindow(window);
    return 0;
}

static const CommandEntry kViewerCommands[] = {
    { IDM_FILE_OPEN, OnFileOpen },
    { IDM_FILE_EXIT, OnFileExit },
};
static const CommandTable kViewerCommandTable = {
    sizeof kViewerCommands / sizeof kViewerCommands[0], kViewerCommands, DEFAULT_WINDOWPROC
};

static LRESULT OnCommand(HWND window, UINT, WPARAM wParam, LPARAM lParam)
{
    return RouteCommand(&kViewerCommandTable, window, wParam, lParam);
}

static LRESULT OnPaint(HWND window, UINT, WPARAM, LPARAM)
{
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    if (dc)
        PaintPicture(window, dc);
    EndPaint(window, &paint);
    return 0;
}

// PrintWindow and WM_PRINT draw the client area into a DC of their own.
static LRESULT OnPrintClient(HWND window, UINT, WPARAM wParam, LPARAM)
{
    PaintPicture(window, (HDC)wParam);
    return 0;
}

// WM_PAINT covers the whole client area itself.
static LRESULT OnEraseBackground(HWND, UINT, WPARAM, LPARAM)
{
    return 1;
}

static LRESULT OnDestroy(HWND, UINT, WPARAM, LPARAM)
{
    if (g_pictureBitmap)
        DeleteObject(g_pictureBitmap);
    g_pictureBitmap = NULL;
    PostQuitMessage(0);
    return 0;
}

static const MessageEntry kViewerMessages[] = {
    { WM_PAINT,       OnPaint },
    { WM_PRINTCLIENT, OnPrintClient },
    { WM_ERASEBKGND,  OnEraseBackground },
    { WM_COMMAND,     OnCommand },
    { WM_DESTROY,     OnDestroy },
};
static const MessageTable kViewerMessageTable = {
    sizeof kViewerMessages / sizeof kViewerMessages[0], kViewerMessages, DEFAULT_WINDOWPROC
};

LRESULT CALLBACK ViewerWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return RouteMessage(&kViewerMessageTable, window, message, wParam, lParam);
}
