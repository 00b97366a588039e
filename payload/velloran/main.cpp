// Entry point of the viewer: one window, opened on the file named on the
// command line, if any.
#include "payload/velloran/layout.h"
#include "payload/velloran/resource.h"
#include "payload/velloran/viewer_state.h"
#include "payload/velloran/viewer_window.h"
#include <objbase.h>

// The window's first size at the standard 96 DPI; it grows with the DPI, as
// the menu and the title bar do.
enum { VIEWER_WIDTH = 800, VIEWER_HEIGHT = 600, STANDARD_DPI = 96 };

static bool RegisterViewerClass(HINSTANCE instance)
{
    WNDCLASSA windowClass = {};
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = ViewerWindowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_VELLORAN));
    windowClass.hCursor = LoadCursorA(NULL, IDC_ARROW);
    windowClass.hbrBackground = g_backgroundBrush;
    windowClass.lpszMenuName = MAKEINTRESOURCEA(IDR_VIEWER_MENU);
    windowClass.lpszClassName = kViewerClassName;
    return RegisterClassA(&windowClass) != 0;
}

static int RunMessageLoop(HWND window, HACCEL keys)
{
    MSG message;
    while (GetMessageA(&message, NULL, 0, 0) > 0) {
        if (!TranslateAcceleratorA(window, keys, &message)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
    return (int)message.wParam;
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand)
{
    // The imaging component is a COM server; without COM only the viewer's
    // own formats can be shown, which LoadPictureFile copes with.
    HRESULT com = CoInitializeEx(NULL, COINIT_APARTMENTTHREADED);
    g_backgroundBrush = CreateSolidBrush(VIEWER_BACKGROUND);
    if (!RegisterViewerClass(instance))
        return 1;
    HDC screen = GetDC(NULL);
    int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(NULL, screen);
    // Never larger than the desktop's work area, though.
    RECT work = { 0, 0, VIEWER_WIDTH, VIEWER_HEIGHT };
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    int width = MulDiv(VIEWER_WIDTH, dpi, STANDARD_DPI), height = MulDiv(VIEWER_HEIGHT, dpi, STANDARD_DPI);
    if (width > work.right - work.left)
        width = work.right - work.left;
    if (height > work.bottom - work.top)
        height = work.bottom - work.top;
    HWND window = CreateWindowExA(0, kViewerClassName, kViewerName, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT,
                                  width, height, NULL, NULL, instance, NULL);
    if (!window)
        return 1;
    ShowWindow(window, showCommand);
    UpdateWindow(window);

    char modulePath[VIEWER_PATH_SIZE] = "";
    GetModuleFileNameA(NULL, modulePath, VIEWER_PATH_SIZE);
    char file[VIEWER_PATH_SIZE];
    if (!CommandLineFile(GetCommandLineA(), modulePath, file, sizeof file))
        MessageBoxA(window, "Velloran cannot open the file named on the command line: the name is too long.",
                    kViewerName, MB_OK | MB_ICONERROR);
    else if (file[0])
        OpenPicture(window, file);

    int result = RunMessageLoop(window, LoadAcceleratorsA(instance, MAKEINTRESOURCEA(IDR_VIEWER_KEYS)));
    DeleteObject(g_backgroundBrush);
    if (SUCCEEDED(com))
        CoUninitialize();
    return result;
}
