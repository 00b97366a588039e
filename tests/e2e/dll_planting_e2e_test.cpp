// A setup started from a Downloads folder that holds DLLs named after system
// DLLs loads none of them. Each planted DLL is a marker: loaded, it leaves
// "<its path>.ran" beside itself and refuses to load.
//
// Windows takes the KnownDLLs from the system whatever lies beside a
// program; Wine keeps its own DLLs first for every name. For the names that
// are not KnownDLLs the scenario tells Wine to prefer a DLL found beside the
// program, as Windows' search order would, so that a load through that
// search shows.
#include "install_steps.h"

#include <tlhelp32.h>

#include <set>

namespace {

// Loaded from the system directory however they are asked for.
const std::vector<std::string> KNOWN_DLLS = {
    "advapi32.dll", "comdlg32.dll", "gdi32.dll", "kernel32.dll", "msvcrt.dll", "ntdll.dll",
    "ole32.dll", "oleaut32.dll", "rpcrt4.dll", "sechost.dll", "shell32.dll", "shlwapi.dll",
    "user32.dll", "imm32.dll"
};

// The program that shows a planted DLL being noticed (search_probe.cpp).
const char PROBE_NAME[] = "probe.exe";

// Loaded by name at run time by the system on a setup's behalf: by the
// compatibility shims of programs called "setup", the themes, the crypto
// provider behind CryptAcquireContext. Not msimg32.dll: Wine's own theme DLL
// delay-loads it through the unrestricted search, where Windows' delay-load
// helper keeps to the restriction, so under Wine it would show a fault of
// Wine's rather than the setup's.
const char *const LOADED_ON_BEHALF[] = {
    "version.dll", "uxtheme.dll", "dwmapi.dll", "cryptbase.dll", "rsaenh.dll", "propsys.dll",
    "profapi.dll", "userenv.dll", "apphelp.dll", "winmm.dll", "lz32.dll"
};

bool IsKnownDll(const std::string &name)
{
    return Contains(KNOWN_DLLS, Lower(name));
}

// The names in an import directory of the program's file: the ordinary one
// or the delay-load one.
struct ImportNames {
    std::vector<std::string> loaded;    // at start, before any of the program's code
    std::vector<std::string> delayed;   // at the first call into them
};

bool ReadImportNames(const std::string &exe, ImportNames *names)
{
    // Mapped as the loader maps it to run it, but not run: an address in the
    // image is its offset from the base, and the loader has checked the headers.
    HMODULE module = LoadLibraryExA(exe.c_str(), NULL, LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    if (!module)
        return false;
    // The low bits of such a handle mark it as a mapping of resources.
    const char *base = (const char *)((ULONG_PTR)module & ~(ULONG_PTR)3);
    const IMAGE_NT_HEADERS32 *nt = (const IMAGE_NT_HEADERS32 *)(base + ((const IMAGE_DOS_HEADER *)base)->e_lfanew);
    const IMAGE_DATA_DIRECTORY *directories = nt->OptionalHeader.DataDirectory;
    DWORD importsAt = directories[IMAGE_DIRECTORY_ENTRY_IMPORT].VirtualAddress;
    for (const IMAGE_IMPORT_DESCRIPTOR *entry = (const IMAGE_IMPORT_DESCRIPTOR *)(base + importsAt);
         importsAt && entry->Name; ++entry)
        names->loaded.push_back(base + entry->Name);
    // The 32-bit layout of a delay-load descriptor: eight DWORDs, the
    // attributes, then the name's address (an RVA when bit 0 of the
    // attributes is set).
    DWORD delayedAt = directories[IMAGE_DIRECTORY_ENTRY_DELAY_IMPORT].VirtualAddress;
    for (const DWORD *entry = (const DWORD *)(base + delayedAt); delayedAt && entry[1]; entry += 8)
        names->delayed.push_back(base + (entry[0] & 1 ? entry[1] : entry[1] - nt->OptionalHeader.ImageBase));
    FreeLibrary(module);
    return !names->loaded.empty();
}

// Where the process has the module loaded; null when it cannot be seen.
BYTE *ModuleBase(DWORD processId, const char *moduleName)
{
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, processId);
    if (snapshot == INVALID_HANDLE_VALUE)
        return NULL;
    BYTE *base = NULL;
    MODULEENTRY32 module = {};
    module.dwSize = sizeof module;
    for (BOOL more = Module32First(snapshot, &module); more && !base; more = Module32Next(snapshot, &module))
        if (lstrcmpiA(module.szModule, moduleName) == 0)
            base = module.modBaseAddr;
    CloseHandle(snapshot);
    return base;
}

// Calls LoadLibraryA(name) on a thread of its own in the process, where the
// process's own DLL search applies; false when the call could not be made.
bool LoadLibraryInProcess(DWORD processId, const std::string &name, DWORD *module)
{
    BYTE *localKernel = (BYTE *)GetModuleHandleA("kernel32.dll");
    BYTE *remoteKernel = ModuleBase(processId, "kernel32.dll");
    HANDLE process = OpenProcess(PROCESS_CREATE_THREAD | PROCESS_QUERY_INFORMATION | PROCESS_VM_OPERATION |
                                 PROCESS_VM_WRITE | SYNCHRONIZE, FALSE, processId);
    if (!remoteKernel || !process)
        return false;
    BYTE *loadLibrary = remoteKernel + ((BYTE *)(void *)GetProcAddress((HMODULE)localKernel, "LoadLibraryA") -
                                        localKernel);
    void *remoteName = VirtualAllocEx(process, NULL, name.size() + 1, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    HANDLE thread = NULL;
    if (remoteName && WriteProcessMemory(process, remoteName, name.c_str(), name.size() + 1, NULL))
        thread = CreateRemoteThread(process, NULL, 0, (LPTHREAD_START_ROUTINE)(void *)loadLibrary, remoteName, 0,
                                    NULL);
    bool called = thread && WaitForSingleObject(thread, EXIT_TIMEOUT_MS) == WAIT_OBJECT_0 &&
                  GetExitCodeThread(thread, module);
    if (thread)
        CloseHandle(thread);
    if (remoteName)
        VirtualFreeEx(process, remoteName, 0, MEM_RELEASE);
    CloseHandle(process);
    return called;
}

class DllPlanting : public InstallScenario {
protected:
    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(InstallScenario::SetUp());
        markerDll_ = PathFromEnvironment("VELLORAN_MARKER_DLL");
        ASSERT_TRUE(FileExists(markerDll_)) << "no marker DLL (VELLORAN_MARKER_DLL): " << markerDll_;

        downloads_ = scratch_ + "\\Downloads";
        ASSERT_TRUE(CreateDirectoryA(downloads_.c_str(), NULL));
        exe_ = downloads_ + "\\" + SetupExeName();
        ASSERT_TRUE(CopyFileA(SetupExePath().c_str(), exe_.c_str(), TRUE));
        ASSERT_TRUE(ReadImportNames(exe_, &imports_)) << "cannot read the imports of " << exe_;

        std::set<std::string> names(std::begin(LOADED_ON_BEHALF), std::end(LOADED_ON_BEHALF));
        for (const std::vector<std::string> *imported : { &imports_.loaded, &imports_.delayed })
            for (const std::string &name : *imported)
                names.insert(Lower(name));
        for (const std::string &name : names) {
            ASSERT_TRUE(CopyFileA(markerDll_.c_str(), (downloads_ + "\\" + name).c_str(), TRUE)) << name;
            planted_.push_back(name);
        }
        ASSERT_NO_FATAL_FAILURE(PreferDllsBeside(SetupExeName()));
        ASSERT_NO_FATAL_FAILURE(PreferDllsBeside(PROBE_NAME));
    }

    void TearDown() override
    {
        for (const std::string &key : overrideKeys_)
            DeleteKeyTree(HKEY_CURRENT_USER, key);
        InstallScenario::TearDown();
    }

    // Wine's own setting, for the programs of that name only: a planted DLL
    // that is not a KnownDLL is preferred to Wine's own when the search
    // finds it.
    void PreferDllsBeside(const std::string &exeName)
    {
        std::string key = "Software\\Wine\\AppDefaults\\" + exeName;
        overrideKeys_.push_back(key);
        HKEY overrides;
        ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, (key + "\\DllOverrides").c_str(), 0, NULL, 0, KEY_SET_VALUE,
                                  NULL, &overrides, NULL), ERROR_SUCCESS);
        for (const std::string &name : planted_)
            if (!IsKnownDll(name))
                RegSetValueExA(overrides, name.substr(0, name.size() - 4).c_str(), 0, REG_SZ,
                               (const BYTE *)"native,builtin", sizeof("native,builtin"));
        RegCloseKey(overrides);
    }

    static std::string SetupExeName()
    {
        std::string path = SetupExePath();
        return path.substr(path.find_last_of('\\') + 1);
    }

    std::vector<std::string> MarkersLeft()
    {
        std::vector<std::string> ran;
        for (const std::string &name : planted_)
            if (FileExists(downloads_ + "\\" + name + ".ran"))
                ran.push_back(name);
        return ran;
    }

    std::string markerDll_, downloads_;
    std::vector<std::string> overrideKeys_;
    ImportNames imports_;
    std::vector<std::string> planted_;
};

// The control: a program that searches the ordinary way does load the
// planted version.dll, and the marker shows it.
TEST_F(DllPlanting, APlantedDllIsNoticedWhereTheSearchIsNotRestricted)
{
    std::string probe = PathFromEnvironment("VELLORAN_SEARCH_PROBE");
    std::string copy = downloads_ + "\\" + PROBE_NAME;
    ASSERT_TRUE(CopyFileA(probe.c_str(), copy.c_str(), TRUE)) << "no probe: " << probe;
    SetupProcess run = {};
    ASSERT_TRUE(StartSetup(downloads_, &run, copy));
    EXPECT_EQ(WaitForExit(run, EXIT_TIMEOUT_MS), 1u) << "the planted version.dll refuses to load";
    EndSetup(&run);
    std::vector<std::string> ran = MarkersLeft();
    EXPECT_EQ(ran, std::vector<std::string>{ "version.dll" });
}

// Nothing the setup imports at start can come from beside it: those are
// loaded before WinMain restricts the search. A name no system ships is
// looked for only where the search goes: beside the program, were the search
// not restricted to the system directory. And no planted DLL runs through
// the copy.
TEST_F(DllPlanting, NoPlantedDllIsLoadedBeforeOrThroughTheCopy)
{
    for (const std::string &name : imports_.loaded)
        EXPECT_TRUE(IsKnownDll(name)) << name << " is loaded at start, before the search is restricted";
    const std::string name = "velloran-planted.dll", planted = downloads_ + "\\" + name;
    ASSERT_TRUE(CopyFileA(markerDll_.c_str(), planted.c_str(), TRUE));
    HWND directory = NULL;
    // The page shows once WinMain has restricted the search.
    ASSERT_NO_FATAL_FAILURE(OpenDirectoryPage(&directory, NULL, downloads_));

    // The control: by its path the DLL is loaded in the setup, and the marker shows it.
    DWORD module = 1;
    ASSERT_TRUE(LoadLibraryInProcess(setup_.processId, planted, &module)) << "cannot call into the setup";
    EXPECT_EQ(module, 0u) << "the marker refuses to load";
    ASSERT_TRUE(FileExists(planted + ".ran")) << "the marker did not run when loaded by its path";
    ASSERT_TRUE(DeleteFileA((planted + ".ran").c_str()));
    module = 1;
    ASSERT_TRUE(LoadLibraryInProcess(setup_.processId, name, &module));
    EXPECT_EQ(module, 0u);
    EXPECT_FALSE(FileExists(planted + ".ran")) << "the setup found " << name << " beside itself by name";

    ASSERT_NO_FATAL_FAILURE(BrowseToRoot(directory));
    HWND copy = NULL;
    ASSERT_NO_FATAL_FAILURE(NextToCopyPage(directory, false, &copy));
    ASSERT_TRUE(WaitForInstalledRows(2, copy)) << "the copy did not start";
    ASSERT_TRUE(PressButtonByText(copy, "Cancel"));
    HWND question = NULL;
    ASSERT_NO_FATAL_FAILURE(WaitForBoxSaying(COPY_CANCEL_QUESTION, &question));
    ASSERT_TRUE(PressButton(question, IDYES));
    ASSERT_NO_FATAL_FAILURE(ConfirmCancelledAndExit());

    std::vector<std::string> ran = MarkersLeft();
    EXPECT_TRUE(ran.empty()) << "planted DLLs that were loaded: " << Joined(ran);
}

} // namespace
