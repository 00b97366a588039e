// The yardstick of the start-up figure: a program that shows one window and
// does nothing else, built and linked like VelloranSetup.exe. What the setup
// takes beyond it to show its first page is the setup's own.
#include <windows.h>

static const char PLAIN_WINDOW_CLASS[] = "VelloranPlainWindow";
// install_pace.cpp looks for the window by this caption.
static const char PLAIN_WINDOW_CAPTION[] = "Velloran plain window";

static LRESULT CALLBACK PlainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc   = PlainWindowProc;
    windowClass.hInstance     = instance;
    windowClass.hCursor       = LoadCursorA(NULL, IDC_ARROW);
    windowClass.hbrBackground = (HBRUSH)(COLOR_WINDOW + 1);
    windowClass.lpszClassName = PLAIN_WINDOW_CLASS;
    if (!RegisterClassA(&windowClass))
        return 1;
    HWND window = CreateWindowExA(0, PLAIN_WINDOW_CLASS, PLAIN_WINDOW_CAPTION, WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                                  CW_USEDEFAULT, CW_USEDEFAULT, 320, 200, NULL, NULL, instance, NULL);
    if (!window)
        return 1;
    UpdateWindow(window);
    MSG message;
    while (GetMessageA(&message, NULL, 0, 0)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return (int)message.wParam;
}
