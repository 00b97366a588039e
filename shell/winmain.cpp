// Entry point: registers the window class, opens the full-screen main window
// and runs the message loop until a closing step destroys it.
#include "common/exit_codes.h"
#include "common/folder_security.h"
#include "common/install_names.h"
#include "common/system_dlls.h"
#include "resources/resource.h"
#include "common/text.h"
#include "shell/command_line.h"
#include "shell/common_controls.h"
#include "shell/main_window.h"
#include "shell/setup_log.h"
#include "shell/setup_state.h"
#include "shell/silent_setup.h"
#include "velloran_version.h"

enum { KEEP_GOING = -1, BOX_TEXT_SIZE = 1024 };

// Another setup, or the uninstaller, runs already: its current page comes to the front instead.
static bool AnotherSetupRuns()
{
    if (CreateMutexA(NULL, FALSE, kSingleSetupMutex) && GetLastError() != ERROR_ALREADY_EXISTS)
        return false;
    HWND running = g_silent ? NULL : FindWindowA(g_className, g_className);
    if (running)
        SetForegroundWindow(GetLastActivePopup(running));
    return true;
}

static CommandLine s_switches;
// What the last line of the log says the exit code means, where the code alone does not.
static const char *s_endMeaning;

static void ShowSwitchesBox(const char *first, const char *second, const char *third)
{
    char text[BOX_TEXT_SIZE] = "";
    if (AppendText(text, sizeof text, first) && AppendText(text, sizeof text, second)
        && AppendText(text, sizeof text, third) && AppendText(text, sizeof text, kSwitchList))
        MessageBoxA(NULL, text, "Setup", MB_OK | (second[0] ? MB_ICONERROR : MB_ICONINFORMATION));
}

// What the parser cannot see: whether the install folder's drive exists and
// the log can be written. The first mistake found is the one reported.
static CommandLineResult CheckOnThisMachine(CommandLineResult result)
{
    if (s_switches.logPath[0] && !OpenSetupLog(s_switches.logPath) && result != COMMAND_LINE_BAD) {
        CopyText(s_switches.badSwitch, SWITCH_TEXT_SIZE, "/LOG=");
        AppendText(s_switches.badSwitch, SWITCH_TEXT_SIZE, s_switches.logPath);
        s_switches.reason = "The log file can't be written there; does its folder exist?";
        result = COMMAND_LINE_BAD;
    }
    char root[4] = { s_switches.installDir[0], ':', '\\', '\0' };
    if (result == COMMAND_LINE_RUN && root[0] && GetDriveTypeA(root) == DRIVE_NO_ROOT_DIR) {
        CopyText(s_switches.badSwitch, SWITCH_TEXT_SIZE, "/D=");
        AppendText(s_switches.badSwitch, SWITCH_TEXT_SIZE, s_switches.installDir);
        s_switches.reason = "The drive of the install folder does not exist.";
        result = COMMAND_LINE_BAD;
    }
    return result;
}

// Reads the switches and opens the log they ask for. The exit code when the
// run ends here (a mistake, or the list of switches), else KEEP_GOING.
static int ApplyCommandLine(const char *line)
{
    CommandLineResult result = ParseCommandLine(line, &s_switches);
    g_silent = s_switches.silent;
    result = CheckOnThisMachine(result);
    LogLine("Velloran Setup " VELLORAN_VERSION_TEXT " log");
    LogLine("Command line: ", line);
    if (result == COMMAND_LINE_BAD) {
        LogLine("Refused: ", s_switches.badSwitch, ": ", s_switches.reason);
        if (!g_silent)
            ShowSwitchesBox("The switch \"", s_switches.badSwitch, "\" is not valid.\n\nValid switches:\n");
        return EXIT_BAD_COMMAND_LINE;
    }
    if (result == COMMAND_LINE_HELP) {
        s_endMeaning = "switches listed; nothing installed";
        if (!g_silent)
            ShowSwitchesBox("Velloran Setup takes these switches:\n\n", "", "");
        return EXIT_DONE;
    }
    CopyText(g_chosenInstallDir, PATH_BUFFER_SIZE, s_switches.installDir);
    g_leaveImageTypes = s_switches.leaveImageTypes;
    return KEEP_GOING;
}

static int RunSetup(HINSTANCE instance, const char *commandLine)
{
    int exitCode = ApplyCommandLine(commandLine);
    if (exitCode != KEEP_GOING)
        return exitCode;
    if (AnotherSetupRuns())
        return EXIT_ANOTHER_RUNNING;
    // Every folder the setup makes gets the program folders' DACL; without
    // it the copy refuses to start (install/install_tree.cpp).
    g_dirSecurity.lpSecurityDescriptor = BuildProgramFolderDescriptor();
    if (g_silent)
        return RunSilentSetup();

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

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int)
{
    LoadDllsFromSystemOnly();
    // A drive without a medium is then listed as empty, without the system's "No disk" box.
    SetErrorMode(SEM_FAILCRITICALERRORS);
    LoadStringA(instance, IDS_CLASS_NAME, g_className, CLASS_NAME_SIZE);
    g_instance = instance;
    int exitCode = RunSetup(instance, commandLine);
    LogEnd(exitCode, s_endMeaning);
    return exitCode;
}
