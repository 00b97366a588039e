#include "finish_steps.h"

#include <objbase.h>
#include <shlobj.h>
#include <tlhelp32.h>

#include <algorithm>
#include <string.h>

const char APP_PATHS_KEY[]   = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths";
const char APP_PATHS_ENTRY[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\Velloran";
const char UNINSTALL_ENTRY[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Velloran";
const char DOCUMENT_TYPE[]   = "VELLORAN1.Image";
const char MACHINE_CLASSES[] = "SOFTWARE\\Classes";
const char APPLICATION_KEY[] = "SOFTWARE\\Classes\\Applications\\Velloran.exe";
const char VENDOR_KEY[]      = "SOFTWARE\\Velloran";
const char REGISTERED_APPLICATIONS[] = "SOFTWARE\\RegisteredApplications";
const REGSAM VIEW_FLAGS[VIEW_COUNT] = { KEY_WOW64_32KEY, KEY_WOW64_64KEY };
const char *const VIEW_NAMES[VIEW_COUNT] = { "32-bit view", "64-bit view" };
const char *const IMAGE_TYPES[IMAGE_TYPE_COUNT] = {
    "bmp", "gif", "jpg", "jpeg", "jif", "png", "ppm", "tga", "pcx", "tif", "tiff"
};

static const char EXTENSIONS[]     = "extensions";
static const char VIEWER_CLASS[]   = "VelloranViewer";

enum {
    PROFILE_SECTION_SIZE = 65536,
    KEY_DEPTH_LIMIT = 32
};

// ---- Files ---------------------------------------------------------------

std::string StartMenuRoot()
{
    char folder[MAX_PATH] = "";
    if (SUCCEEDED(SHGetFolderPathA(NULL, CSIDL_COMMON_STARTMENU, NULL, SHGFP_TYPE_CURRENT, folder)) ||
        SUCCEEDED(SHGetFolderPathA(NULL, CSIDL_STARTMENU, NULL, SHGFP_TYPE_CURRENT, folder)))
        return folder;
    return std::string();
}

bool SamePath(const std::string &a, const std::string &b)
{
    return lstrcmpiA(a.c_str(), b.c_str()) == 0;
}

// ---- Registry ------------------------------------------------------------

static bool NameLess(const std::string &a, const std::string &b)
{
    return lstrcmpiA(a.c_str(), b.c_str()) < 0;
}

static KeyState ReadOpenKey(HKEY key, REGSAM view, int depth)
{
    KeyState state;
    state.exists = true;
    DWORD subkeys = 0, longestSubkey = 0, values = 0, longestName = 0, longestData = 0;
    if (RegQueryInfoKeyA(key, NULL, NULL, NULL, &subkeys, &longestSubkey, NULL, &values, &longestName,
                         &longestData, NULL, NULL) != ERROR_SUCCESS)
        return state;
    for (DWORD i = 0; i < values; ++i) {
        std::vector<char> name(longestName + 2, '\0');
        std::vector<BYTE> data(longestData + 2, 0);
        DWORD nameSize = (DWORD)name.size(), dataSize = (DWORD)data.size(), type = 0;
        if (RegEnumValueA(key, i, &name[0], &nameSize, NULL, &type, &data[0], &dataSize) != ERROR_SUCCESS)
            continue;
        data.resize(dataSize);
        state.values.push_back({ std::string(&name[0], nameSize), type, data });
    }
    for (DWORD i = 0; i < subkeys && depth < KEY_DEPTH_LIMIT; ++i) {
        std::vector<char> name(longestSubkey + 2, '\0');
        DWORD nameSize = (DWORD)name.size();
        if (RegEnumKeyExA(key, i, &name[0], &nameSize, NULL, NULL, NULL, NULL) != ERROR_SUCCESS)
            continue;
        std::string child(&name[0], nameSize);
        HKEY childKey;
        if (RegOpenKeyExA(key, child.c_str(), 0, KEY_READ | view, &childKey) != ERROR_SUCCESS)
            continue;
        state.subkeys.push_back({ child, ReadOpenKey(childKey, view, depth + 1) });
        RegCloseKey(childKey);
    }
    std::sort(state.values.begin(), state.values.end(),
              [](const RegistryValue &a, const RegistryValue &b) { return NameLess(a.name, b.name); });
    std::sort(state.subkeys.begin(), state.subkeys.end(),
              [](const std::pair<std::string, KeyState> &a, const std::pair<std::string, KeyState> &b) {
                  return NameLess(a.first, b.first);
              });
    return state;
}

KeyState ReadKeyState(HKEY root, const std::string &path, REGSAM view)
{
    HKEY key;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ | view, &key) != ERROR_SUCCESS)
        return KeyState();
    KeyState state = ReadOpenKey(key, view, 0);
    RegCloseKey(key);
    return state;
}

static void WriteState(HKEY parent, const std::string &path, const KeyState &state, REGSAM view)
{
    HKEY key;
    if (RegCreateKeyExA(parent, path.c_str(), 0, NULL, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS | view, NULL, &key,
                        NULL) != ERROR_SUCCESS)
        return;
    for (const RegistryValue &value : state.values)
        RegSetValueExA(key, value.name.c_str(), 0, value.type, value.data.empty() ? NULL : &value.data[0],
                       (DWORD)value.data.size());
    for (const auto &child : state.subkeys)
        WriteState(key, child.first, child.second, view);
    RegCloseKey(key);
}

void PutKeyState(HKEY root, const std::string &path, const KeyState &state, REGSAM view)
{
    if (SameKeyState(ReadKeyState(root, path, view), state))
        return;
    DeleteKeyTree(root, path, view);
    if (state.exists)
        WriteState(root, path, state, view);
}

bool SameKeyState(const KeyState &a, const KeyState &b)
{
    if (a.exists != b.exists || a.values.size() != b.values.size() || a.subkeys.size() != b.subkeys.size())
        return false;
    for (size_t i = 0; i < a.values.size(); ++i) {
        if (lstrcmpiA(a.values[i].name.c_str(), b.values[i].name.c_str()) != 0 || a.values[i].type != b.values[i].type ||
            a.values[i].data != b.values[i].data)
            return false;
    }
    for (size_t i = 0; i < a.subkeys.size(); ++i) {
        if (lstrcmpiA(a.subkeys[i].first.c_str(), b.subkeys[i].first.c_str()) != 0 ||
            !SameKeyState(a.subkeys[i].second, b.subkeys[i].second))
            return false;
    }
    return true;
}

static std::string DescribeValue(const RegistryValue &value)
{
    std::string name = value.name.empty() ? "(default)" : value.name;
    if ((value.type == REG_SZ || value.type == REG_EXPAND_SZ) && !value.data.empty())
        return name + " = \"" + std::string((const char *)&value.data[0], strnlen((const char *)&value.data[0],
                                                                                     value.data.size())) + "\"";
    if (value.type == REG_DWORD && value.data.size() == sizeof(DWORD))
        return name + " = dword " + std::to_string(*(const DWORD *)&value.data[0]);
    return name + " = type " + std::to_string(value.type) + ", " + std::to_string(value.data.size()) + " bytes";
}

static void Describe(const KeyState &state, const std::string &indent, std::string *text)
{
    for (const RegistryValue &value : state.values)
        *text += indent + DescribeValue(value) + "\n";
    for (const auto &child : state.subkeys) {
        *text += indent + "[" + child.first + "]\n";
        Describe(child.second, indent + "  ", text);
    }
}

std::string DescribeKeyState(const KeyState &state)
{
    if (!state.exists)
        return "(no key)\n";
    std::string text;
    Describe(state, "  ", &text);
    return text.empty() ? "(empty key)\n" : text;
}

bool WriteText(HKEY root, const std::string &path, const char *name, const std::string &text)
{
    HKEY key;
    if (RegCreateKeyExA(root, path.c_str(), 0, NULL, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, NULL, &key, NULL) !=
        ERROR_SUCCESS)
        return false;
    bool written = RegSetValueExA(key, name, 0, REG_SZ, (const BYTE *)text.c_str(), (DWORD)text.size() + 1) ==
                   ERROR_SUCCESS;
    RegCloseKey(key);
    return written;
}

// ---- WIN.INI -------------------------------------------------------------

std::vector<std::string> ProfileSection(const char *section)
{
    std::vector<char> buffer(PROFILE_SECTION_SIZE, '\0');
    DWORD length = GetProfileSectionA(section, &buffer[0], (DWORD)buffer.size());
    std::vector<std::string> lines;
    for (DWORD at = 0; at < length && buffer[at];) {
        std::string line(&buffer[at]);
        lines.push_back(line);
        at += (DWORD)line.size() + 1;
    }
    std::sort(lines.begin(), lines.end());
    return lines;
}

void PutProfileSection(const char *section, const std::vector<std::string> &lines)
{
    if (ProfileSection(section) == lines)
        return;
    WriteProfileStringA(section, NULL, NULL);
    if (lines.empty())
        return;
    std::string block;
    for (const std::string &line : lines)
        block += line + '\0';
    block += '\0';
    WriteProfileSectionA(section, block.c_str());
}

bool ExtensionEntry(const char *key, std::string *text)
{
    std::string prefix = std::string(key) + "=";
    for (const std::string &line : ProfileSection(EXTENSIONS)) {
        if (line.size() >= prefix.size() && lstrcmpiA(line.substr(0, prefix.size()).c_str(), prefix.c_str()) == 0) {
            *text = line.substr(prefix.size());
            return true;
        }
    }
    text->clear();
    return false;
}

// ---- Shortcuts -----------------------------------------------------------

ShortcutInfo ReadShortcut(const std::string &linkPath)
{
    ShortcutInfo info;
    HRESULT com = CoInitialize(NULL);
    IShellLinkA *link = NULL;
    if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, NULL, CLSCTX_INPROC_SERVER, IID_IShellLinkA, (void **)&link))) {
        IPersistFile *file = NULL;
        if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, (void **)&file))) {
            std::vector<WCHAR> wide(linkPath.size() + 1, 0);
            MultiByteToWideChar(CP_ACP, 0, linkPath.c_str(), -1, &wide[0], (int)wide.size());
            if (SUCCEEDED(file->Load(&wide[0], STGM_READ))) {
                char text[MAX_PATH * 4] = "";
                if (SUCCEEDED(link->GetPath(text, sizeof(text), NULL, SLGP_RAWPATH)))
                    info.target = text;
                text[0] = '\0';
                if (SUCCEEDED(link->GetDescription(text, sizeof(text))))
                    info.description = text;
                info.loaded = true;
            }
            file->Release();
        }
        link->Release();
    }
    if (SUCCEEDED(com))
        CoUninitialize();
    return info;
}

// ---- Processes -----------------------------------------------------------

static std::vector<PROCESSENTRY32> ProcessList()
{
    std::vector<PROCESSENTRY32> processes;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return processes;
    PROCESSENTRY32 entry = {};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry))
        processes.push_back(entry);
    CloseHandle(snapshot);
    return processes;
}

std::string ProcessImageName(DWORD processId)
{
    for (const PROCESSENTRY32 &entry : ProcessList())
        if (entry.th32ProcessID == processId)
            return entry.szExeFile;
    return std::string();
}

std::vector<DWORD> Descendants(DWORD processId)
{
    std::vector<DWORD> found;
    // Process id 0 is nobody's, but the parent the system's own processes name.
    if (processId == 0)
        return found;
    std::vector<PROCESSENTRY32> processes = ProcessList();
    std::vector<DWORD> parents = { processId };
    while (!parents.empty()) {
        DWORD parent = parents.back();
        parents.pop_back();
        for (const PROCESSENTRY32 &entry : processes) {
            if (entry.th32ParentProcessID != parent || entry.th32ProcessID == parent ||
                std::find(found.begin(), found.end(), entry.th32ProcessID) != found.end())
                continue;
            found.push_back(entry.th32ProcessID);
            parents.push_back(entry.th32ProcessID);
        }
    }
    return found;
}

bool WaitForProcessGone(DWORD processId, DWORD timeoutMs)
{
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, processId);
    if (!process)
        return true;
    bool gone = WaitForSingleObject(process, timeoutMs) == WAIT_OBJECT_0;
    CloseHandle(process);
    return gone;
}

static DWORD DesktopProcess()
{
    return WindowProcess(GetDesktopWindow());
}

void EndProcess(DWORD processId)
{
    if (processId == 0 || processId == GetCurrentProcessId() || processId == DesktopProcess())
        return;
    HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, processId);
    if (!process)
        return;
    if (WaitForSingleObject(process, 0) != WAIT_OBJECT_0) {
        TerminateProcess(process, 1);
        WaitForSingleObject(process, EXIT_TIMEOUT_MS);
    }
    CloseHandle(process);
}

// ---- The machine as the setup finds it -------------------------------------

static std::string ExtensionKey(int index)
{
    return std::string(".") + IMAGE_TYPES[index];
}

MachineState ReadMachineState()
{
    MachineState state;
    for (int view = 0; view < VIEW_COUNT; ++view) {
        REGSAM flag = VIEW_FLAGS[view];
        state.appPaths[view]       = ReadKeyState(HKEY_LOCAL_MACHINE, APP_PATHS_KEY, flag);
        state.uninstallEntry[view] = ReadKeyState(HKEY_LOCAL_MACHINE, UNINSTALL_ENTRY, flag);
        state.applicationKey[view] = ReadKeyState(HKEY_LOCAL_MACHINE, APPLICATION_KEY, flag);
        state.vendorKey[view]      = ReadKeyState(HKEY_LOCAL_MACHINE, VENDOR_KEY, flag);
        state.registeredApplications[view] = ReadKeyState(HKEY_LOCAL_MACHINE, REGISTERED_APPLICATIONS, flag);
    }
    state.documentType = ReadKeyState(HKEY_CLASSES_ROOT, DOCUMENT_TYPE);
    for (int i = 0; i < IMAGE_TYPE_COUNT; ++i)
        state.extensionKeys[i] = ReadKeyState(HKEY_CLASSES_ROOT, ExtensionKey(i));
    state.extensions = ProfileSection(EXTENSIONS);
    state.startMenu  = TreeEntries(StartMenuRoot());
    return state;
}

static void CompareKey(const std::string &name, const KeyState &before, const KeyState &after,
                       std::vector<std::string> *differences)
{
    if (!SameKeyState(before, after))
        differences->push_back(name + " was\n" + DescribeKeyState(before) + "and is\n" + DescribeKeyState(after));
}

static std::string Lines(const std::vector<std::string> &lines)
{
    std::string text;
    for (const std::string &line : lines)
        text += "  " + line + "\n";
    return text.empty() ? "  (nothing)\n" : text;
}

std::vector<std::string> Differences(const MachineState &before, const MachineState &after)
{
    std::vector<std::string> differences;
    for (int view = 0; view < VIEW_COUNT; ++view) {
        std::string in = std::string(" (") + VIEW_NAMES[view] + ")";
        CompareKey("HKLM\\...\\App Paths" + in, before.appPaths[view], after.appPaths[view], &differences);
        CompareKey("HKLM\\...\\Uninstall\\Velloran" + in, before.uninstallEntry[view], after.uninstallEntry[view],
                   &differences);
        CompareKey("HKLM\\...\\Applications\\Velloran.exe" + in, before.applicationKey[view],
                   after.applicationKey[view], &differences);
        CompareKey("HKLM\\SOFTWARE\\Velloran" + in, before.vendorKey[view], after.vendorKey[view], &differences);
        CompareKey("HKLM\\SOFTWARE\\RegisteredApplications" + in, before.registeredApplications[view],
                   after.registeredApplications[view], &differences);
    }
    CompareKey("HKCR\\VELLORAN1.Image", before.documentType, after.documentType, &differences);
    for (int i = 0; i < IMAGE_TYPE_COUNT; ++i)
        CompareKey(("HKCR\\" + ExtensionKey(i)).c_str(), before.extensionKeys[i], after.extensionKeys[i],
                   &differences);
    if (before.extensions != after.extensions)
        differences.push_back("WIN.INI [extensions] was\n" + Lines(before.extensions) + "and is\n" +
                              Lines(after.extensions));
    if (before.startMenu != after.startMenu)
        differences.push_back("the Start Menu held\n" + Lines(before.startMenu) + "and holds\n" +
                              Lines(after.startMenu));
    return differences;
}

void PutMachineState(const MachineState &state)
{
    for (int view = 0; view < VIEW_COUNT; ++view) {
        REGSAM flag = VIEW_FLAGS[view];
        PutKeyState(HKEY_LOCAL_MACHINE, APP_PATHS_KEY, state.appPaths[view], flag);
        PutKeyState(HKEY_LOCAL_MACHINE, UNINSTALL_ENTRY, state.uninstallEntry[view], flag);
        PutKeyState(HKEY_LOCAL_MACHINE, APPLICATION_KEY, state.applicationKey[view], flag);
        PutKeyState(HKEY_LOCAL_MACHINE, VENDOR_KEY, state.vendorKey[view], flag);
        PutKeyState(HKEY_LOCAL_MACHINE, REGISTERED_APPLICATIONS, state.registeredApplications[view], flag);
    }
    PutKeyState(HKEY_CLASSES_ROOT, DOCUMENT_TYPE, state.documentType);
    for (int i = 0; i < IMAGE_TYPE_COUNT; ++i)
        PutKeyState(HKEY_CLASSES_ROOT, ExtensionKey(i), state.extensionKeys[i]);
    PutProfileSection(EXTENSIONS, state.extensions);

    // Deepest first, so that a folder is empty by the time its turn comes.
    std::string root = StartMenuRoot();
    std::vector<std::string> now = TreeEntries(root);
    for (auto entry = now.rbegin(); entry != now.rend(); ++entry) {
        if (std::binary_search(state.startMenu.begin(), state.startMenu.end(), *entry))
            continue;
        std::string path = root + "\\" + *entry;
        if (entry->back() == '\\') {
            RemoveDirectoryA(path.substr(0, path.size() - 1).c_str());
        } else {
            SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileA(path.c_str());
        }
    }
}

// ---- Installing ----------------------------------------------------------

// Wine copies every shortcut saved in the Start Menu into the Linux desktop's
// menus too, outside the prefix, where no scenario could clean it up; the
// setup inherits this environment and so runs without that copying.
static void KeepShortcutsInsideThePrefix()
{
    static const char OVERRIDE[] = "winemenubuilder.exe=d";
    char value[1024] = "";
    DWORD length = GetEnvironmentVariableA("WINEDLLOVERRIDES", value, sizeof(value));
    if (length >= sizeof(value) || strstr(value, OVERRIDE))
        return;
    std::string overrides = length ? std::string(value) + ";" + OVERRIDE : std::string(OVERRIDE);
    SetEnvironmentVariableA("WINEDLLOVERRIDES", overrides.c_str());
}

void FullInstallScenario::SetUp()
{
    ASSERT_NO_FATAL_FAILURE(SetupScenario::SetUp());
    KeepShortcutsInsideThePrefix();
    machineBefore_  = ReadMachineState();
    windowsAtStart_ = WindowsNow();
    ASSERT_FALSE(StartMenuRoot().empty()) << "the shell names no Start Menu folder";
}

// A program that shows folders, other than the one that draws the desktop.
static bool IsShellWindowProgram(DWORD processId)
{
    std::string image = ProcessImageName(processId);
    return processId != DesktopProcess() &&
           (lstrcmpiA(image.c_str(), "explorer.exe") == 0 || lstrcmpiA(image.c_str(), "winefile.exe") == 0);
}

void FullInstallScenario::TearDown()
{
    // Shell windows the setup opened and nobody closed.
    for (HWND window : WindowsNow()) {
        if (std::find(windowsAtStart_.begin(), windowsAtStart_.end(), window) == windowsAtStart_.end() &&
            IsShellWindowProgram(WindowProcess(window)))
            CloseShellWindow(window);
    }
    // What the setups started lives on after them: the shell window's program.
    std::vector<DWORD> leftovers;
    for (DWORD setup : setups_) {
        std::vector<DWORD> children = Descendants(setup);
        leftovers.insert(leftovers.end(), children.begin(), children.end());
    }
    for (DWORD adopted : adopted_) {
        std::vector<DWORD> children = Descendants(adopted);
        leftovers.insert(leftovers.end(), children.begin(), children.end());
        leftovers.push_back(adopted);
    }
    SetupScenario::TearDown();
    for (DWORD process : leftovers)
        EndProcess(process);

    PutMachineState(machineBefore_);
    for (const std::string &parent : installParents_)
        RemoveTree(parent);
    std::vector<std::string> differences = Differences(machineBefore_, ReadMachineState());
    for (const std::string &difference : differences)
        ADD_FAILURE() << "not put back: " << difference;
}

HWND FullInstallScenario::OpenWith64BitShell(const std::string &what, const std::string &viewerCaption)
{
    char windows[MAX_PATH] = "";
    GetWindowsDirectoryA(windows, MAX_PATH);
    std::string start = std::string(windows) + "\\Sysnative\\start.exe";
    if (!FileExists(start)) {
        ADD_FAILURE() << start << " is missing: this is no 64-bit Windows";
        return NULL;
    }
    std::string line = "\"" + start + "\" \"" + what + "\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info = {};
    if (!CreateProcessA(start.c_str(), &line[0], NULL, NULL, FALSE, 0, NULL, scratch_.c_str(), &startup, &info)) {
        ADD_FAILURE() << "cannot start " << line << ", error " << GetLastError();
        return NULL;
    }
    CloseHandle(info.hThread);
    BOOL wow64 = TRUE;
    EXPECT_TRUE(IsWow64Process(info.hProcess, &wow64));
    EXPECT_FALSE(wow64) << start << " ran as a 32-bit program";
    DWORD code = STILL_ACTIVE;
    if (WaitForSingleObject(info.hProcess, EXIT_TIMEOUT_MS) == WAIT_OBJECT_0)
        GetExitCodeProcess(info.hProcess, &code);
    CloseHandle(info.hProcess);
    EXPECT_EQ(code, 0u) << line;
    HWND viewer = WaitForWindow(viewerCaption.c_str(), VIEWER_CLASS, 0, WINDOW_TIMEOUT_MS);
    if (!viewer) {
        ADD_FAILURE() << "no viewer window \"" << viewerCaption << "\" after " << line;
        return NULL;
    }
    Adopt(WindowProcess(viewer));
    return viewer;
}

std::string FullInstallScenario::MakeInstallParent(const char *stem)
{
    std::string parent = MakeFolderIn("C:\\", stem);
    if (!parent.empty())
        installParents_.push_back(parent);
    return parent;
}

void FullInstallScenario::OpenListEntry(HWND page, int listId, int previewId, const std::string &entry,
                                        const std::string &expectedPreview)
{
    HWND list = GetDlgItem(page, listId);
    ASSERT_NE(list, (HWND)NULL);
    int index = WaitForListViewEntry(list, entry.c_str());
    ASSERT_GE(index, 0) << "no entry " << entry << " in the folder list";
    ASSERT_TRUE(DoubleClickListViewItem(list, index)) << "cannot double-click " << entry;
    ASSERT_TRUE(WaitForText(GetDlgItem(page, previewId), expectedPreview))
        << "after opening " << entry << " the preview shows " << WindowText(GetDlgItem(page, previewId))
        << ", not " << expectedPreview;
}

// The copy ends in the shortcut page, or in an error box, or not at all.
// The copy page is kept in a screenshot when it is seen.
HWND FullInstallScenario::WaitForCopyToEnd()
{
    bool copyPageSeen = false;
    HWND page = NULL;
    WaitUntil([&] {
        page = WaitForWindow(SHORTCUT_PAGE, "#32770", setup_.processId, 0);
        if (page)
            return true;
        if (!copyPageSeen && WaitForWindow(COPY_PAGE, "#32770", setup_.processId, 0)) {
            copyPageSeen = true;
            Screenshot("copy");
        }
        return WaitForWindow(ERROR_CAPTION, "#32770", setup_.processId, 0) || WaitForExit(setup_, 0) != STILL_ACTIVE;
    }, INSTALL_TIMEOUT_MS, POLL_INTERVAL_MS * 4);
    return page;
}

HWND FullInstallScenario::InstallUpToShortcutPage(const std::string &parent, bool folderExists)
{
    if (parent.size() < 4 || lstrcmpiA(parent.substr(0, 3).c_str(), "C:\\") != 0) {
        ADD_FAILURE() << "the install parent " << parent << " is not a folder of C:";
        return NULL;
    }
    StartSetupIn();
    if (HasFatalFailure())
        return NULL;
    setups_.push_back(setup_.processId);
    HWND agreement = WaitForPage(AGREEMENT_PAGE);
    if (!agreement) {
        ADD_FAILURE() << "the agreement page did not show; " << SetupShows();
        return NULL;
    }
    Screenshot("agreement");
    PressButton(agreement, IDOK);

    HWND directory = WaitForPage(DIRECTORY_PAGE);
    if (!directory) {
        ADD_FAILURE() << "the directory page did not follow the agreement";
        return NULL;
    }
    if (!WaitForText(GetDlgItem(directory, IDC_DIR_PREVIEW), "C:\\Velloran")) {
        ADD_FAILURE() << "the directory page does not start at C:\\ but shows "
                      << WindowText(GetDlgItem(directory, IDC_DIR_PREVIEW));
        return NULL;
    }
    // Down from C:\ one folder at a time, as a person browses.
    std::string reached = "C:";
    for (size_t start = 3; start < parent.size();) {
        size_t end = parent.find('\\', start);
        if (end == std::string::npos)
            end = parent.size();
        std::string folder = parent.substr(start, end - start);
        reached += "\\" + folder;
        OpenListEntry(directory, IDC_DIR_FOLDER_LIST, IDC_DIR_PREVIEW, folder, reached + "\\Velloran");
        if (HasFatalFailure())
            return NULL;
        start = end + 1;
    }
    Screenshot("directory");
    PressButton(directory, IDOK);
    if (folderExists) {
        // A box without a caption of its own: Wine's default caption.
        HWND question = WaitForBox(ERROR_CAPTION);
        if (!question) {
            ADD_FAILURE() << "no question about the existing folder";
            return NULL;
        }
        EXPECT_EQ(MessageBoxText(question).find("Directory allready exsist"), 0u) << MessageBoxText(question);
        Screenshot("folder exists");
        PressButton(question, IDYES);
        WaitForWindowGone(question, WINDOW_TIMEOUT_MS);
    }

    HWND page = WaitForCopyToEnd();
    if (!page) {
        ADD_FAILURE() << "the shortcut page did not follow the copy";
        return NULL;
    }
    installDir_ = parent + "\\Velloran";
    return page;
}

static BOOL CALLBACK CollectVisible(HWND window, LPARAM parameter)
{
    if (IsWindowVisible(window))
        ((std::vector<HWND> *)parameter)->push_back(window);
    return TRUE;
}

std::vector<HWND> FullInstallScenario::WindowsNow()
{
    std::vector<HWND> windows;
    EnumWindows(CollectVisible, (LPARAM)&windows);
    return windows;
}

HWND FullInstallScenario::WaitForShellWindow(const std::vector<HWND> &before, const std::string &folderName)
{
    HWND shell = NULL;
    WaitUntil([&] {
        for (HWND window : WindowsNow()) {
            DWORD process = WindowProcess(window);
            if (std::find(before.begin(), before.end(), window) != before.end() || process == setup_.processId)
                continue;
            if (WindowText(window).find(folderName) != std::string::npos || IsShellWindowProgram(process))
                shell = window;
        }
        return shell != NULL;
    }, WINDOW_TIMEOUT_MS);
    return shell;
}

void FullInstallScenario::CloseShellWindow(HWND window)
{
    DWORD process = WindowProcess(window);
    PostMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_TRUE(WaitForWindowGone(window, WINDOW_TIMEOUT_MS)) << "the shell window did not close";
    // Its program ends with its last window, unless it is the desktop's.
    if (process != DesktopProcess() && !WaitForProcessGone(process, EXIT_TIMEOUT_MS))
        EndProcess(process);
}

void FullInstallScenario::FinishAndCloseShellWindow(HWND page, const std::string &folder)
{
    std::vector<HWND> before = WindowsNow();
    ASSERT_TRUE(PressButton(page, IDOK));
    ASSERT_TRUE(WaitForWindowGone(page, WINDOW_TIMEOUT_MS)) << "the page stayed after Finish";
    HWND success = WaitForBox(SUCCESS_CAPTION);
    ASSERT_NE(success, (HWND)NULL) << "no closing message after Finish";
    HWND shell = WaitForShellWindow(before, folder.substr(folder.rfind('\\') + 1));
    ASSERT_NE(shell, (HWND)NULL) << "the shortcut folder was not opened in a shell window";
    Screenshot("shell window");
    CloseShellWindow(shell);
}

void FullInstallScenario::ExpectSuccessAndExit()
{
    HWND box = WaitForBox(SUCCESS_CAPTION);
    ASSERT_NE(box, (HWND)NULL) << "no closing message";
    EXPECT_EQ(MessageBoxText(box), "Velloran was successfully installed");
    EXPECT_EQ(WindowClass(GetWindow(box, GW_OWNER)), "SETUP") << "the message belongs to the main window";
    Screenshot("success");
    ASSERT_TRUE(PressButton(box, IDOK));
    EXPECT_EQ(WaitForExit(setup_, EXIT_TIMEOUT_MS), EXIT_INSTALLED);
}
