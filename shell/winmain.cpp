// Entry point: registers the window class, opens the full-screen main window
// and runs the message loop until a closing step destroys it.
#include "common/exit_codes.h"
#include "common/folder_security.h"
#include "common/install_names.h"
#include "common/system_dlls.h"
#include "resources/resource.h"
#include "shell/common_controls.h"
#include "shell/main_window.h"
#include "shell/setup_state.h"

// Another setup, or the uninstaller, runs already: its current page comes to the front instead.
static bool AnotherSetupRuns()
{
    if (CreateMutexA(NULL, FALSE, kSingleSetupMutex) && GetLastError() != ERROR_ALREADY_EXISTS)
        return false;
    HWND running = FindWindowA(g_className, g_className);
    if (running)
        SetForegroundWindow(GetLastActivePopup(running));
    return true;
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    LoadDllsFromSystemOnly();
    // A drive without a medium is then listed as empty, without the system's "No disk" box.
    SetErrorMode(SEM_FAILCRITICALERRORS);
    LoadStringA(instance, IDS_CLASS_NAME, g_className, CLASS_NAME_SIZE);
    g_instance = instance;
    if (AnotherSetupRuns())
        return EXIT_ANOTHER_RUNNING;
    // Every folder the setup makes gets the program folders' DACL; without
    // it the copy refuses to start (install/install_tree.cpp).
    g_dirSecurity.lpSecurityDescriptor = BuildProgramFolderDescriptor();

    WNDCLASSA windowClass = {};
    windowClass.style         = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc   = MainWindowProc;
    windowClass.hInstance     = instance;
    windowClass.hIcon         = LoadIconA(instance, MAKEINTRESOURCEA(IDI_VELLORAN));
    windowClass.hCursor       = LoadCursorA(NULL, IDC_ARROW);
    windowClass.hbrBackground = (HBRUSH)(COLOR_MENUTEXT + 1);
    windowClass.lpszMenuName  = g_className;
    windowClass.lpszClassName = g_className;

    // A second attempt, as a transient failure of the first is not unheard of.
    if (!RegisterClassA(&windowClass) && !RegisterClassA(&windowClass))
        return EXIT_FAILED;

    HWND window = CreateWindowExA(0, g_className, g_className, WS_POPUP | WS_VISIBLE,
                                  0, 0, 0, 0, NULL, NULL, instance, NULL);
    if (!window)
        return EXIT_FAILED;
    g_mainWindow = window;
    UpdateWindow(window);

    // The folder lists of the pages are list views. Their library loads
    // while the backdrop shows and the first step's timer runs, so the first
    // page does not wait for it.
    if (!LoadCommonControls()) {
        DestroyWindow(window);
        return EXIT_FAILED;
    }

    // The resources hold no accelerator table; the loop honours one all the
    // same. It ends with the exit code of the closing step.
    HACCEL accelerators = LoadAcceleratorsA(instance, g_className);
    MSG message;
    while (GetMessageA(&message, NULL, 0, 0)) {
        if (!TranslateAcceleratorA(message.hwnd, accelerators, &message)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
    return (int)message.wParam;
}
