// What every test program that drives a built program from outside needs:
// files and folders, registry keys, the program's process, its top-level
// windows and buttons, and pictures of what it draws. The end-to-end
// scenarios, the payload programs' tests and the gallery and bench tools
// all link this one library.
#pragma once
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

enum {
    POLL_INTERVAL_MS     = 50,
    // A bound on waiting for a terminated process to go, not an expectation.
    TERMINATE_TIMEOUT_MS = 60000
};

// ---- Waiting ---------------------------------------------------------------

// Asks until the answer is true, every interval; false when it was still
// false after the timeout. Asked at once, and once more at the end.
bool WaitUntil(const std::function<bool()> &holds, DWORD timeoutMs, DWORD intervalMs = POLL_INTERVAL_MS);

// ---- Lists in messages ------------------------------------------------------

bool Contains(const std::vector<std::string> &items, const std::string &item);
// "[a] [b] ", for a failure's message.
std::string Joined(const std::vector<std::string> &items);
// The text in lower case, as Windows compares file names.
std::string Lower(std::string text);
// Whether two file or key names are the same, as Windows compares them.
bool SamePath(const std::string &a, const std::string &b);
// The text in UTF-16, from the ANSI code page.
std::wstring Wide(const std::string &text);

// ---- Files, folders and keys ---------------------------------------------

// A Unix path ("/work/build/VelloranSetup.exe") as Wine's drive Z: sees it; any
// other path is returned as it is.
std::string ToWindowsPath(const std::string &path);
// The path an environment variable names (the build hands the tests Unix
// paths that way), as Wine's Windows side sees it; empty when unset.
std::string PathFromEnvironment(const char *name);
bool FileExists(const std::string &path);
bool DirectoryExists(const std::string &path);
// The folder and everything in it, deeper than MAX_PATH too; only for
// folders a test made itself.
void RemoveTree(const std::string &path);
// A new empty folder in the parent, named the prefix, this process's id and a
// count ("<prefix>1234-1"), never one that exists already; an empty string
// when it cannot be made.
std::string MakeUniqueFolder(const std::string &parent, const std::string &prefix);
// The temp directory as GetTempPath gives it, with its trailing backslash;
// the programs a test starts share it.
std::string TempDirectory();
// A unique folder as above, in the temp directory.
std::string MakeTempFolder(const std::string &prefix);
bool WriteBytes(const std::string &path, const std::vector<BYTE> &bytes);
// The whole file; false when it cannot be opened or read to its end.
bool ReadBytes(const std::string &path, std::vector<BYTE> *bytes);
// The same, as a string of bytes.
bool ReadWholeFile(const std::string &path, std::string *bytes);
// The whole file, or "(missing)" when it cannot be read: for comparing.
std::string FileText(const std::string &path);
bool WriteWholeFile(const std::string &path, const std::string &bytes);
// Names in a folder (not "." and ".."), sorted.
std::vector<std::string> FolderEntries(const std::string &path);
// Every file and folder below the folder, as relative paths ("a", "a\b.txt"),
// folders with a trailing backslash, sorted; empty when the folder is missing.
std::vector<std::string> TreeEntries(const std::string &folder);
// Sum of the sizes of the files below the folder.
ULONGLONG TreeSize(const std::string &folder);
// In the registry view given: 0 for the program's own, KEY_WOW64_64KEY for
// what 64-bit programs see on 64-bit Windows.
bool KeyExists(HKEY root, const std::string &path, REGSAM view = 0);
// The key with everything below it, in the view given.
void DeleteKeyTree(HKEY root, const std::string &path, REGSAM view = 0);
// A value of type REG_SZ stored with its NUL, or a REG_DWORD; false when the
// key or value is missing or of another type.
bool ReadText(HKEY root, const std::string &path, const char *name, std::string *text, REGSAM view = 0);
bool ReadNumber(HKEY root, const std::string &path, const char *name, DWORD *number, REGSAM view = 0);
// A REG_SZ value, with its NUL; the key is made if missing.
bool WriteText(HKEY root, const std::string &path, const char *name, const std::string &text, REGSAM view = 0);

// ---- Links ---------------------------------------------------------------

// Windows makes a link with CreateSymbolicLink; Wine answers TRUE to it
// without making one. The Unix "ln -s" does make one, which Wine shows as a
// reparse point and follows as Windows follows a junction, and only the Unix
// "rm" takes it away again: DeleteFile and RemoveDirectory go through it.
// Both return once Wine shows the change; false when it never showed. A link
// whose target is gone is no longer shown: remove a link before its target.
bool MakeUnixLink(const std::string &link, const std::string &target);
bool RemoveUnixLink(const std::string &link);
// The attributes a folder's listing gives the entry, INVALID_FILE_ATTRIBUTES
// when it lists none (Wine lists no link whose target is gone).
DWORD ListedAttributes(const std::string &path);

// TMP and TEMP point at the folder while the object lives, for this process
// and the programs it starts meanwhile; then they are as they were.
class TempDirectoryOverride {
public:
    explicit TempDirectoryOverride(const std::wstring &folder);
    ~TempDirectoryOverride();
    TempDirectoryOverride(const TempDirectoryOverride &) = delete;
    TempDirectoryOverride &operator=(const TempDirectoryOverride &) = delete;

private:
    wchar_t savedTmp_[MAX_PATH] = L"";
    wchar_t savedTemp_[MAX_PATH] = L"";
};

// ---- Processes -----------------------------------------------------------

// Starts exe with the command line tail given (quoted by the caller as
// needed) in the current directory given (empty: the test's own). Unless
// show is SW_SHOWDEFAULT, the program's first ShowWindow gets it.
bool StartProcess(const std::string &exe, const std::string &tail, const std::string &currentDirectory, WORD show,
                  HANDLE *process, DWORD *processId);
// The exit code, or STILL_ACTIVE when the process did not end in time.
DWORD WaitForExit(HANDLE process, DWORD timeoutMs);
// Ends the process if it still runs, and every process it started; closes
// the handle and sets it to null.
void EndProcess(HANDLE *process, DWORD processId);
// Ends the process if it still runs; never this one or the one that draws
// the desktop.
void EndProcess(DWORD processId);
// Ends every process the process started, and those they started, each
// before its parent; not the process itself.
void EndDescendants(DWORD processId);
bool WaitForProcessGone(DWORD processId, DWORD timeoutMs);
// Processes started by the process, and by those, and so on.
std::vector<DWORD> Descendants(DWORD processId);
std::string ProcessImageName(DWORD processId);   // "explorer.exe"; empty when gone
DWORD DesktopProcess();

// ---- Windows -------------------------------------------------------------

// A visible top-level window; a null caption or class, or a process id of 0,
// matches any, and a process to pass over may be named (for a copy that the
// program started of itself). Returns null when none showed up in time.
HWND WaitForWindow(const char *caption, const char *className, DWORD processId, DWORD timeoutMs,
                   DWORD avoidProcessId = 0);
// Visible top-level windows of the process (0: of any), in z-order.
std::vector<HWND> TopLevelWindows(DWORD processId);
// Waits for the process to end like WaitForExit, noting meanwhile each
// visible top-level window of any process that was not there when the wait
// began, as "caption [class], process <id>": what a program that should run
// unseen showed.
DWORD WaitForExitNotingNewWindows(HANDLE process, DWORD timeoutMs, std::vector<std::string> *newWindows);
// True once the window is destroyed or hidden.
bool WaitForWindowGone(HWND window, DWORD timeoutMs);
// True once the window (a title, a control) shows the text.
bool WaitForText(HWND window, const std::string &text, DWORD timeoutMs);

// WM_GETTEXT, any length. Read through the W message: across processes an
// ANSI window may answer in UTF-16 under Wine.
std::string WindowText(HWND window);
std::string WindowClass(HWND window);
DWORD WindowProcess(HWND window);
// The message of a message box: its static control 0xFFFF.
std::string MessageBoxText(HWND box);

// For a dialog made from a template only to be looked at: handles nothing.
INT_PTR CALLBACK QuietDialogProc(HWND, UINT, WPARAM, LPARAM);

// Clicks a button with BM_CLICK. Posted, so that a button that opens a modal
// loop (a message box) does not hold the test up; wait for its result.
bool PressButton(HWND dialog, int controlId);

// ---- Pictures ------------------------------------------------------------

struct ScreenPicture {
    int width = 0;
    int height = 0;
    std::vector<DWORD> pixels;   // 0x00RRGGBB, top row first
    DWORD At(int x, int y) const { return pixels[(size_t)y * (size_t)width + (size_t)x]; }
};

// What draw paints into a top-down 32-bit bitmap of the size, given a memory
// DC with that bitmap and the screen's DC; false when it did not draw.
bool DrawPicture(int width, int height, const std::function<bool(HDC target, HDC screen)> &draw,
                 ScreenPicture *picture);
bool CaptureScreen(ScreenPicture *picture);
// The client area's pixels as the window shows them on the screen.
bool CaptureClient(HWND window, ScreenPicture *picture);
// An RGB PNG of the pixels (0x00RRGGBB, top row first), written by the test's
// own encoder rather than by the imaging component the programs read with;
// false for a picture wider than 21844 pixels.
bool WritePng(const std::string &path, int width, int height, const std::vector<DWORD> &pixels);
inline bool WritePng(const std::string &path, const ScreenPicture &picture)
{
    return WritePng(path, picture.width, picture.height, picture.pixels);
}
