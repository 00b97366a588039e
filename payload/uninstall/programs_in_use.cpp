#include "payload/uninstall/programs_in_use.h"
#include "install/manifest.h"
#include "payload/uninstall/uninstall_state.h"
#include "common/text.h"

#include <restartmanager.h>

enum {
    CLOSE_WAIT_MS     = 10000,
    RM_PROCESSES_MAX  = 64,
    QUESTION_SIZE     = 1024 + RUNNING_PROGRAMS_MAX * (MAX_PATH + WINDOW_TITLE_SIZE + 8)
};

typedef DWORD(WINAPI *RmStartSessionProc)(DWORD *, DWORD, WCHAR *);
typedef DWORD(WINAPI *RmRegisterResourcesProc)(DWORD, UINT, LPCWSTR *, UINT, RM_UNIQUE_PROCESS *, UINT, LPCWSTR *);
typedef DWORD(WINAPI *RmGetListProc)(DWORD, UINT *, UINT *, RM_PROCESS_INFO *, LPDWORD);
typedef DWORD(WINAPI *RmEndSessionProc)(DWORD);

// The install directory as a wide, long path, which is how the system
// names a process's program file.
static bool WideLongPath(const char *path, wchar_t *wide, DWORD size)
{
    wchar_t given[UNINSTALL_PATH_SIZE];
    if (!MultiByteToWideChar(CP_ACP, 0, path, -1, given, UNINSTALL_PATH_SIZE))
        return false;
    DWORD length = GetLongPathNameW(given, wide, size);
    if (length == 0 || length >= size)
        lstrcpynW(wide, given, (int)size);
    return true;
}

static bool IsBelow(const wchar_t *path, const wchar_t *dir)
{
    int length = lstrlenW(dir);
    return lstrlenW(path) > length && path[length] == L'\\'
           && CompareStringW(LOCALE_INVARIANT, NORM_IGNORECASE, path, length, dir, length) == CSTR_EQUAL;
}

struct Search {
    wchar_t          dir[UNINSTALL_PATH_SIZE];
    RunningPrograms *running;
};

static int IndexOf(const RunningPrograms *running, DWORD processId)
{
    for (int k = 0; k < running->count; ++k)
        if (running->processIds[k] == processId)
            return k;
    return -1;
}

// Adds the process if its program file lies in the directory. With a start
// time (from Restart Manager), only the process that started then: its id
// may have gone to another since.
static void NoteProcess(Search *search, DWORD processId, const FILETIME *started)
{
    RunningPrograms *running = search->running;
    if (processId == 0 || processId == GetCurrentProcessId() || IndexOf(running, processId) >= 0
        || running->count == RUNNING_PROGRAMS_MAX)
        return;
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId);
    if (!process)
        return;
    wchar_t image[MAX_PATH];
    DWORD length = MAX_PATH;
    FILETIME created, exited, kernel, user;
    bool same = !started || (GetProcessTimes(process, &created, &exited, &kernel, &user)
                             && CompareFileTime(&created, started) == 0);
    bool found = same && QueryFullProcessImageNameW(process, 0, image, &length);
    CloseHandle(process);
    if (!found || !IsBelow(image, search->dir))
        return;
    int k = running->count++;
    running->processIds[k] = processId;
    running->titles[k][0] = '\0';
    if (!WideCharToMultiByte(CP_ACP, 0, image, -1, running->images[k], MAX_PATH, NULL, NULL))
        running->images[k][0] = '\0';
}

static BOOL CALLBACK NoteWindowProcess(HWND window, LPARAM context)
{
    Search *search = (Search *)context;
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    NoteProcess(search, processId, NULL);
    int k = IndexOf(search->running, processId);
    if (k >= 0 && !search->running->titles[k][0] && IsWindowVisible(window) && !GetWindow(window, GW_OWNER))
        GetWindowTextA(window, search->running->titles[k], WINDOW_TITLE_SIZE);
    return TRUE;
}

// The installed files, for Restart Manager to say who holds them.
static int InstalledFiles(const wchar_t *dir, wchar_t (*files)[MAX_PATH])
{
    int count = 0;
    for (int row = 0; row < MANIFEST_ROWS; ++row) {
        int length = lstrlenW(dir);
        const char *suffix = g_destinationSuffixes[row];
        if (length + lstrlenA(suffix) >= MAX_PATH)
            continue;
        lstrcpyW(files[count], dir);
        for (int at = 0; suffix[at]; ++at)
            files[count][length + at] = (wchar_t)(unsigned char)suffix[at];
        files[count][length + lstrlenA(suffix)] = L'\0';
        ++count;
    }
    return count;
}

// Windows Vista and later: the processes that hold any installed file, of
// which only Velloran's own are kept. Wine's Restart Manager lists none.
static void NoteRestartManagerProcesses(Search *search)
{
    wchar_t library[MAX_PATH];
    UINT length = GetSystemDirectoryW(library, MAX_PATH);
    if (length == 0 || length + 14 >= MAX_PATH)
        return;
    lstrcpyW(library + length, L"\\rstrtmgr.dll");
    HMODULE restartManager = LoadLibraryW(library);
    if (!restartManager)
        return;
    RmStartSessionProc startSession = (RmStartSessionProc)(void *)GetProcAddress(restartManager, "RmStartSession");
    RmRegisterResourcesProc registerResources =
        (RmRegisterResourcesProc)(void *)GetProcAddress(restartManager, "RmRegisterResources");
    RmGetListProc getList = (RmGetListProc)(void *)GetProcAddress(restartManager, "RmGetList");
    RmEndSessionProc endSession = (RmEndSessionProc)(void *)GetProcAddress(restartManager, "RmEndSession");
    DWORD session = 0;
    WCHAR sessionKey[CCH_RM_SESSION_KEY + 1] = L"";
    if (startSession && registerResources && getList && endSession
        && startSession(&session, 0, sessionKey) == ERROR_SUCCESS) {
        static wchar_t files[MANIFEST_ROWS][MAX_PATH];
        static LPCWSTR names[MANIFEST_ROWS];
        int count = InstalledFiles(search->dir, files);
        for (int k = 0; k < count; ++k)
            names[k] = files[k];
        static RM_PROCESS_INFO processes[RM_PROCESSES_MAX];
        UINT needed = 0, listed = RM_PROCESSES_MAX;
        DWORD reasons = 0;
        if (registerResources(session, (UINT)count, names, 0, NULL, 0, NULL) == ERROR_SUCCESS
            && getList(session, &needed, &listed, processes, &reasons) == ERROR_SUCCESS) {
            for (UINT k = 0; k < listed; ++k)
                NoteProcess(search, processes[k].Process.dwProcessId, &processes[k].Process.ProcessStartTime);
        }
        endSession(session);
    }
    FreeLibrary(restartManager);
}

void FindRunningPrograms(const char *programDir, RunningPrograms *running)
{
    static Search search;
    running->count = 0;
    search.running = running;
    if (!WideLongPath(programDir, search.dir, UNINSTALL_PATH_SIZE))
        return;
    EnumWindows(NoteWindowProcess, (LPARAM)&search);
    NoteRestartManagerProcesses(&search);
}

static BOOL CALLBACK CloseProcessWindow(HWND window, LPARAM context)
{
    const RunningPrograms *running = (const RunningPrograms *)context;
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    if (IndexOf(running, processId) >= 0 && IsWindowVisible(window) && !GetWindow(window, GW_OWNER))
        PostMessageA(window, WM_CLOSE, 0, 0);
    return TRUE;
}

void CloseRunningPrograms(const RunningPrograms *running)
{
    HANDLE processes[RUNNING_PROGRAMS_MAX];
    int opened = 0;
    for (int k = 0; k < running->count; ++k) {
        HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, running->processIds[k]);
        if (process)
            processes[opened++] = process;
    }
    EnumWindows(CloseProcessWindow, (LPARAM)running);
    if (opened > 0)
        WaitForMultipleObjects((DWORD)opened, processes, TRUE, CLOSE_WAIT_MS);
    for (int k = 0; k < opened; ++k)
        CloseHandle(processes[k]);
}

static int AskAboutRunningPrograms(const RunningPrograms *running)
{
    static char question[QUESTION_SIZE];
    CopyText(question, sizeof question, "Velloran is still running, and its files cannot be removed while it runs:\n");
    for (int k = 0; k < running->count; ++k) {
        const char *image = running->images[k];
        const char *name = image + lstrlenA(image);
        while (name > image && name[-1] != '\\')
            --name;
        AppendText(question, sizeof question, "\n    ");
        AppendText(question, sizeof question, name);
        if (running->titles[k][0]) {
            AppendText(question, sizeof question, ": ");
            AppendText(question, sizeof question, running->titles[k]);
        }
    }
    AppendText(question, sizeof question,
               "\n\nDo you want the uninstaller to close it?\n\n"
               "Yes: close it now, then remove Velloran.\n"
               "No: leave it running and remove Velloran; the files it holds are removed when Windows restarts.\n"
               "Cancel: remove nothing.");
    return MessageBoxA(NULL, question, kUninstallCaption, MB_YESNOCANCEL | MB_ICONEXCLAMATION);
}

bool SettleRunningPrograms(const char *programDir, bool ask)
{
    static RunningPrograms running;
    for (;;) {
        FindRunningPrograms(programDir, &running);
        if (running.count == 0 || !ask)
            return true;
        int answer = AskAboutRunningPrograms(&running);
        if (answer == IDNO)
            return true;
        if (answer != IDYES)
            return false;
        CloseRunningPrograms(&running);
    }
}
