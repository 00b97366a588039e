// Shortcuts, application registration and image types, written for real into
// the test prefix's registry, WIN.INI and file system, then read back.
#include "register/registration.h"
#include "shell/setup_state.h"

#include <gtest/gtest.h>
#include <objbase.h>
#include <shlobj.h>
#include <string>

namespace {

std::string TempFolder(const char *name)
{
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    return std::string(temp) + name + std::to_string(GetCurrentProcessId());
}

bool Exists(const std::string &path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// Target and description of a saved link, read through the shell's own object.
void ReadLink(const std::string &linkPath, std::string *target, std::string *description)
{
    CoInitialize(NULL);
    IShellLinkA *link = NULL;
    ASSERT_HRESULT_SUCCEEDED(CoCreateInstance(CLSID_ShellLink, NULL, CLSCTX_INPROC_SERVER, IID_IShellLinkA, (void **)&link));
    IPersistFile *file = NULL;
    ASSERT_HRESULT_SUCCEEDED(link->QueryInterface(IID_IPersistFile, (void **)&file));
    WCHAR wide[MAX_PATH];
    MultiByteToWideChar(CP_ACP, 0, linkPath.c_str(), -1, wide, MAX_PATH);
    ASSERT_HRESULT_SUCCEEDED(file->Load(wide, STGM_READ));
    char text[MAX_PATH] = {};
    link->GetPath(text, MAX_PATH, NULL, 0);
    *target = text;
    char said[MAX_PATH] = {};
    link->GetDescription(said, MAX_PATH);
    *description = said;
    file->Release();
    link->Release();
    CoUninitialize();
}

class ShellLinkTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder = TempFolder("links_");
        ASSERT_TRUE(CreateDirectoryA(folder.c_str(), NULL));
        target = folder + "\\Velloran.exe";
        HANDLE file = CreateFileA(target.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
        CloseHandle(file);
    }
    void TearDown() override
    {
        for (const char *name : { "\\Velloran.exe", "\\a.lnk", "\\b.lnk", "\\c.lnk" })
            DeleteFileA((folder + name).c_str());
        RemoveDirectoryA(folder.c_str());
    }
    std::string folder;
    std::string target;
};

TEST_F(ShellLinkTest, EachCallWritesALinkWithItsTargetAndDescription)
{
    // Three in a row, as the shortcut page makes them: no call leaves COM or
    // the link object in a state that spoils the next.
    for (const char *name : { "a", "b", "c" }) {
        std::string link = folder + "\\" + name + ".lnk";
        std::string description = std::string("Velloran ") + name;
        EXPECT_HRESULT_SUCCEEDED(CreateShellLink(target.c_str(), link.c_str(), description.c_str())) << name;
        std::string readTarget, readDescription;
        ReadLink(link, &readTarget, &readDescription);
        EXPECT_STRCASEEQ(readTarget.c_str(), target.c_str()) << name;
        EXPECT_EQ(readDescription, description);
    }
}

TEST_F(ShellLinkTest, AMissingFolderGivesTheSaveFailureAndNoFile)
{
    std::string link = folder + "\\missing\\a.lnk";
    EXPECT_TRUE(FAILED(CreateShellLink(target.c_str(), link.c_str(), "Velloran")));
    EXPECT_FALSE(Exists(link));
}

TEST_F(ShellLinkTest, ALinkPathLongerThanMaxPathIsHandledSafely)
{
    std::string link = folder + "\\" + std::string(300, 'l') + ".lnk";
    EXPECT_TRUE(FAILED(CreateShellLink(target.c_str(), link.c_str(), "Velloran")));
}

// A class factory that refuses every instance, registered in place of the
// shell's link object.
struct RefusingFactory : IClassFactory {
    STDMETHODIMP QueryInterface(REFIID iid, void **out) override
    {
        if (iid == IID_IUnknown || iid == IID_IClassFactory) {
            *out = this;
            return S_OK;
        }
        *out = NULL;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP CreateInstance(IUnknown *, REFIID, void **out) override
    {
        *out = NULL;
        return E_ACCESSDENIED;
    }
    STDMETHODIMP LockServer(BOOL) override { return S_OK; }
};

TEST_F(ShellLinkTest, AFailedCreationUninitialisesComOnceAndReturnsItsCode)
{
    ASSERT_EQ(CoInitialize(NULL), S_OK);
    RefusingFactory factory;
    DWORD cookie;
    ASSERT_HRESULT_SUCCEEDED(CoRegisterClassObject(CLSID_ShellLink, &factory, CLSCTX_INPROC_SERVER,
                                                   REGCLS_MULTIPLEUSE, &cookie));
    std::string link = folder + "\\a.lnk";
    EXPECT_EQ(CreateShellLink(target.c_str(), link.c_str(), "Velloran"), E_ACCESSDENIED);
    EXPECT_FALSE(Exists(link));
    CoRevokeClassObject(cookie);

    // Our own initialisation is still there, and only it.
    EXPECT_EQ(CoInitialize(NULL), S_FALSE);
    CoUninitialize();
    CoUninitialize();
    EXPECT_EQ(CoInitialize(NULL), S_OK);
    CoUninitialize();
}

// The views of a 64-bit Windows, named by what reads them there: the 32-bit
// programs (the uninstaller among them) and the 64-bit ones (Explorer,
// Default Apps). Where there is one view, both name it.
const REGSAM VIEW_32 = KEY_WOW64_32KEY, VIEW_64 = KEY_WOW64_64KEY;

std::string ReadText(HKEY root, const char *path, const char *name, REGSAM view = 0)
{
    char value[4096] = {};
    DWORD size = sizeof(value) - 1, type = 0;
    HKEY key;
    if (RegOpenKeyExA(root, path, 0, KEY_QUERY_VALUE | view, &key) != ERROR_SUCCESS)
        return "<missing>";
    LONG read = RegQueryValueExA(key, name, NULL, &type, (BYTE *)value, &size);
    RegCloseKey(key);
    if (read != ERROR_SUCCESS || type != REG_SZ)
        return "<missing>";
    return value;
}

bool KeyExistsIn(const char *path, REGSAM view)
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_QUERY_VALUE | view, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

void DeleteTreeIn(const char *path, REGSAM view)
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_ALL_ACCESS | view, &key) == ERROR_SUCCESS) {
        RegDeleteTreeA(key, NULL);
        RegCloseKey(key);
    }
    RegDeleteKeyExA(HKEY_LOCAL_MACHINE, path, view, 0);
}

DWORD ReadNumber(HKEY root, const char *path, const char *name, REGSAM view = 0)
{
    DWORD value = 0xA5A5A5A5, size = sizeof(value), type = 0;
    HKEY key;
    if (RegOpenKeyExA(root, path, 0, KEY_QUERY_VALUE | view, &key) != ERROR_SUCCESS)
        return value;
    if (RegQueryValueExA(key, name, NULL, &type, (BYTE *)&value, &size) != ERROR_SUCCESS || type != REG_DWORD)
        value = 0xA5A5A5A5;
    RegCloseKey(key);
    return value;
}

const char APP_PATHS[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\Velloran";
const char APP_PATHS_EXE[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\Velloran.exe";
const char UNINSTALL[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Velloran";
const char CLASSES[] = "SOFTWARE\\Classes\\";
const char VENDOR[] = "SOFTWARE\\Velloran";
const char CAPABILITIES[] = "SOFTWARE\\Velloran\\Capabilities";
const char REGISTERED[] = "SOFTWARE\\RegisteredApplications";

class RegistrationTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        // Longer than the 100 characters a value buffer once held.
        std::string install = TempFolder("registration ") + "\\" + std::string(120, 'd') + "\\Velloran";
        lstrcpynA(g_installDir, install.c_str(), PATH_BUFFER_SIZE);
        lstrcpynA(g_shortcutFolder, (TempFolder("shortcuts ") + "\\Velloran").c_str(), PATH_BUFFER_SIZE);
        registeredExisted = KeyExistsIn(REGISTERED, VIEW_64);
    }
    void TearDown() override
    {
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, APP_PATHS);
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, APP_PATHS_EXE);
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, UNINSTALL);
        DeleteTreeIn(VENDOR, VIEW_64);
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes\\Applications\\Velloran.exe");
        HKEY registered;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, REGISTERED, 0, KEY_SET_VALUE | VIEW_64, &registered) == ERROR_SUCCESS) {
            RegDeleteValueA(registered, "Velloran");
            RegCloseKey(registered);
        }
        if (!registeredExisted)
            DeleteTreeIn(REGISTERED, VIEW_64);
        RegDeleteTreeA(HKEY_CLASSES_ROOT, "VELLORAN1.Image");
        RegDeleteTreeA(HKEY_CLASSES_ROOT, ".bmp");
        RegDeleteTreeA(HKEY_CLASSES_ROOT, ".gif");
        for (const char *key : { "bmp", "gif", "jpg", "jpeg", "jif", "png", "ppm", "tga", "pcx", "tif", "tiff" })
            WriteProfileStringA("extensions", key, NULL);
    }
    bool registeredExisted = false;
};

TEST_F(RegistrationTest, AppPathsAndUninstallEntryHoldTheirValues)
{
    RegisterApplication();
    std::string install = g_installDir;
    EXPECT_EQ(ReadText(HKEY_LOCAL_MACHINE, APP_PATHS, NULL), install + "\\VELLORAN.EXE");
    EXPECT_EQ(ReadText(HKEY_LOCAL_MACHINE, APP_PATHS, "Path"), install);
    EXPECT_EQ(ReadText(HKEY_LOCAL_MACHINE, APP_PATHS_EXE, NULL), install + "\\VELLORAN.EXE");
    EXPECT_EQ(ReadText(HKEY_LOCAL_MACHINE, APP_PATHS_EXE, "Path"), install);
    EXPECT_EQ(ReadText(HKEY_LOCAL_MACHINE, UNINSTALL, "DisplayName"), "Velloran");
    EXPECT_EQ(ReadText(HKEY_LOCAL_MACHINE, UNINSTALL, "UninstallString"), "\"" + install + "\\uninstall.exe\"");
    EXPECT_EQ(ReadText(HKEY_LOCAL_MACHINE, UNINSTALL, "Scdir"), std::string(g_shortcutFolder));
    EXPECT_EQ(ReadText(HKEY_LOCAL_MACHINE, UNINSTALL, "Progdir"), install);
    EXPECT_EQ(ReadText(HKEY_LOCAL_MACHINE, UNINSTALL, "DisplayIcon"), install + "\\Velloran.exe,0");
    EXPECT_EQ(ReadText(HKEY_LOCAL_MACHINE, UNINSTALL, "DisplayVersion"), "1.00");
    EXPECT_EQ(ReadText(HKEY_LOCAL_MACHINE, UNINSTALL, "Publisher"), "Velloran Software");
    EXPECT_EQ(ReadText(HKEY_LOCAL_MACHINE, UNINSTALL, "InstallLocation"), install);
    EXPECT_EQ(ReadNumber(HKEY_LOCAL_MACHINE, UNINSTALL, "NoModify"), 1u);
    EXPECT_EQ(ReadNumber(HKEY_LOCAL_MACHINE, UNINSTALL, "NoRepair"), 1u);
    EXPECT_EQ(ReadNumber(HKEY_LOCAL_MACHINE, UNINSTALL, "EstimatedSize"), 0u) << "nothing is installed here";
}

TEST_F(RegistrationTest, ASecondRunReplacesTheDirectories)
{
    RegisterApplication();
    lstrcatA(g_installDir, "2");
    lstrcatA(g_shortcutFolder, "2");
    RegisterApplication();
    EXPECT_EQ(ReadText(HKEY_LOCAL_MACHINE, APP_PATHS, "Path"), std::string(g_installDir));
    EXPECT_EQ(ReadText(HKEY_LOCAL_MACHINE, UNINSTALL, "Progdir"), std::string(g_installDir));
    EXPECT_EQ(ReadText(HKEY_LOCAL_MACHINE, UNINSTALL, "Scdir"), std::string(g_shortcutFolder));
}

std::string Machine(const char *key) { return std::string(CLASSES) + key; }

// Everything lands in the machine's own classes, not in a user's.
TEST_F(RegistrationTest, ImageTypesPointExistingExtensionsAtTheDocumentType)
{
    ASSERT_EQ(RegSetValueA(HKEY_CLASSES_ROOT, ".bmp", REG_SZ, "Paint.Picture", 13), ERROR_SUCCESS);
    HKEY key;
    ASSERT_EQ(RegCreateKeyA(HKEY_CLASSES_ROOT, ".gif", &key), ERROR_SUCCESS);
    RegCloseKey(key);
    RegDeleteTreeA(HKEY_CLASSES_ROOT, ".jif");
    RegisterImageTypes();
    std::string install = g_installDir;
    for (const char *extension : { ".bmp", ".gif" }) {
        EXPECT_EQ(ReadText(HKEY_LOCAL_MACHINE, Machine(extension).c_str(), NULL), "VELLORAN1.Image") << extension;
        DWORD type = 0xA5A5, size = 0;
        EXPECT_EQ(RegGetValueA(HKEY_LOCAL_MACHINE, (Machine(extension) + "\\OpenWithProgids").c_str(),
                               "VELLORAN1.Image", RRF_RT_ANY, &type, NULL, &size),
                  ERROR_SUCCESS)
            << extension;
        EXPECT_EQ(ReadNumber(HKEY_LOCAL_MACHINE, Machine(extension).c_str(), "Velloran.MadeOpenWithProgids"), 1u);
    }
    // The default value before is noted beside it; .gif had none.
    EXPECT_EQ(ReadText(HKEY_LOCAL_MACHINE, Machine(".bmp").c_str(), "Velloran.Previous"), "Paint.Picture");
    EXPECT_EQ(ReadText(HKEY_LOCAL_MACHINE, Machine(".gif").c_str(), "Velloran.Previous"), "<missing>");
    EXPECT_NE(RegOpenKeyA(HKEY_CLASSES_ROOT, ".jif", &key), ERROR_SUCCESS) << "no extension key is created";

    EXPECT_EQ(ReadText(HKEY_LOCAL_MACHINE, Machine("VELLORAN1.Image").c_str(), NULL), "Velloran 1.00");
    EXPECT_EQ(ReadText(HKEY_LOCAL_MACHINE, Machine("VELLORAN1.Image\\DefaultIcon").c_str(), NULL),
              install + "\\Velloran.exe,0");
    EXPECT_EQ(ReadText(HKEY_LOCAL_MACHINE, Machine("VELLORAN1.Image\\shell\\open\\command").c_str(), NULL),
              "\"" + install + "\\Velloran.exe\" \"%1\"");
    EXPECT_EQ(ReadText(HKEY_LOCAL_MACHINE, Machine("Applications\\Velloran.exe").c_str(), "FriendlyAppName"),
              "Velloran");
    EXPECT_EQ(ReadText(HKEY_LOCAL_MACHINE, REGISTERED, "Velloran", VIEW_64), CAPABILITIES);
    EXPECT_EQ(ReadText(HKEY_LOCAL_MACHINE, CAPABILITIES, "ApplicationName", VIEW_64), "Velloran");
    for (const char *extension : { ".bmp", ".jif", ".tiff" }) {
        EXPECT_EQ(ReadText(HKEY_LOCAL_MACHINE, Machine("Applications\\Velloran.exe\\SupportedTypes").c_str(),
                           extension),
                  "")
            << extension;
        EXPECT_EQ(ReadText(HKEY_LOCAL_MACHINE, "SOFTWARE\\Velloran\\Capabilities\\FileAssociations", extension,
                           VIEW_64),
                  "VELLORAN1.Image")
            << extension;
    }

    // Run again, the note still names the class of before, not ours.
    RegisterImageTypes();
    EXPECT_EQ(ReadText(HKEY_LOCAL_MACHINE, Machine(".bmp").c_str(), "Velloran.Previous"), "Paint.Picture");
}

// Each key where its readers look on 64-bit Windows: Default Apps, a 64-bit
// program, finds the capabilities, RegisteredApplications and, beside them,
// the notes the 32-bit uninstaller reads back from the same place; the list
// of installed programs has the entry with the other 32-bit programs'; App
// Paths and the classes are one key in both views. On a 32-bit system, which
// has one view, everything is in it.
TEST_F(RegistrationTest, EachKeyLiesInTheViewItsReadersUse)
{
    ASSERT_EQ(RegSetValueA(HKEY_CLASSES_ROOT, ".bmp", REG_SZ, "Paint.Picture", 13), ERROR_SUCCESS);
    WriteProfileStringA("extensions", "png", "");
    RegisterImageTypes();
    RegisterApplication();
    BOOL wow64 = FALSE;
    ASSERT_TRUE(IsWow64Process(GetCurrentProcess(), &wow64));

    struct {
        const char *path, *name;
        bool in32, in64;
    } cases[] = {
        { CAPABILITIES, "ApplicationName", false, true },
        { "SOFTWARE\\Velloran\\Capabilities\\FileAssociations", ".tiff", false, true },
        { REGISTERED, "Velloran", false, true },
        { VENDOR, "EmptyWinIniEntries", false, true },
        { UNINSTALL, "UninstallString", true, false },
        { UNINSTALL, "Progdir", true, false },
        { APP_PATHS, "Path", true, true },
        { APP_PATHS_EXE, "", true, true },
        { "SOFTWARE\\Classes\\VELLORAN1.Image\\shell\\open\\command", "", true, true },
        { "SOFTWARE\\Classes\\Applications\\Velloran.exe", "FriendlyAppName", true, true },
        { "SOFTWARE\\Classes\\.bmp", "Velloran.Previous", true, true },
    };
    for (const auto &row : cases) {
        bool in32 = ReadText(HKEY_LOCAL_MACHINE, row.path, row.name, VIEW_32) != "<missing>";
        bool in64 = ReadText(HKEY_LOCAL_MACHINE, row.path, row.name, VIEW_64) != "<missing>";
        EXPECT_EQ(in32, wow64 ? row.in32 : true) << row.path << " " << row.name << " in the 32-bit view";
        EXPECT_EQ(in64, wow64 ? row.in64 : true) << row.path << " " << row.name << " in the 64-bit view";
    }
    if (wow64) {
        EXPECT_FALSE(KeyExistsIn(VENDOR, VIEW_32)) << "the vendor key is split between the views";
        if (!registeredExisted)
            EXPECT_EQ(ReadNumber(HKEY_LOCAL_MACHINE, VENDOR, "MadeRegisteredApplications", VIEW_64), 1u);
    }
}

TEST_F(RegistrationTest, ProfileEntriesAreWrittenOnlyWhereAbsentOrEmpty)
{
    WriteProfileStringA("extensions", "gif", "x");
    WriteProfileStringA("extensions", "png", "");
    RegisterImageTypes();
    char value[PATH_BUFFER_SIZE];
    GetProfileStringA("extensions", "gif", "", value, sizeof(value));
    EXPECT_STREQ(value, "x");
    GetProfileStringA("extensions", "png", "", value, sizeof(value));
    EXPECT_EQ(std::string(value), std::string(g_installDir) + "\\Velloran.exe ^.png");
    GetProfileStringA("extensions", "jif", "", value, sizeof(value));
    EXPECT_EQ(std::string(value), std::string(g_installDir) + "\\Velloran.exe ^.jif");
    // Only png was present and empty; that is noted for the uninstaller.
    EXPECT_EQ(ReadText(HKEY_LOCAL_MACHINE, VENDOR, "EmptyWinIniEntries", VIEW_64), "png");
}

// The longest directory the directory page lets through, one character short
// of its buffer: the entries still name the viewer and the extension whole.
TEST_F(RegistrationTest, ProfileEntriesOfTheLongestInstallDirectoryAreWhole)
{
    std::string longest = "C:\\" + std::string(PATH_BUFFER_SIZE - 4, 'd');
    lstrcpynA(g_installDir, longest.c_str(), PATH_BUFFER_SIZE);
    ASSERT_EQ(strlen(g_installDir), (size_t)PATH_BUFFER_SIZE - 1);
    RegisterImageTypes();
    char value[PATH_BUFFER_SIZE + 100];
    GetProfileStringA("extensions", "tiff", "", value, sizeof(value));
    EXPECT_EQ(std::string(value), longest + "\\Velloran.exe ^.tiff");
}

} // namespace
