// Shortcuts, application registration and image types, written for real into
// the test prefix's registry, WIN.INI and file system, then read back.
#include "register/registration.h"
#include "shell/setup_state.h"
#include "expected_names.h"
#include "machine_state.h"
#include "shortcut_reader.h"
#include "win_support.h"

#include <gtest/gtest.h>
#include <objbase.h>
#include <shlobj.h>
#include <string>

namespace {

class ShellLinkTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder = MakeTempFolder("links_");
        ASSERT_FALSE(folder.empty());
        target = folder + "\\Velloran.exe";
        ASSERT_TRUE(WriteBytes(target, {}));
    }
    void TearDown() override { RemoveTree(folder); }
    std::string folder;
    std::string target;
};

// Three in a row, as the shortcut page makes them: no call leaves COM or the
// link object in a state that spoils the next. In a missing folder, or
// longer than MAX_PATH: the save fails, no file.
TEST_F(ShellLinkTest, EachCallWritesALinkWithItsTargetAndDescriptionOrFailsWithNoFile)
{
    for (const char *name : { "a", "b", "c" }) {
        std::string link = folder + "\\" + name + ".lnk";
        std::string description = std::string("Velloran ") + name;
        EXPECT_HRESULT_SUCCEEDED(CreateShellLink(target.c_str(), link.c_str(), description.c_str())) << name;
        ShortcutInfo read = ReadShortcut(link);
        ASSERT_TRUE(read.loaded) << name;
        EXPECT_STRCASEEQ(read.target.c_str(), target.c_str()) << name;
        EXPECT_EQ(read.description, description);
    }
    for (const std::string &link : { folder + "\\missing\\a.lnk", folder + "\\" + std::string(300, 'l') + ".lnk" }) {
        EXPECT_TRUE(FAILED(CreateShellLink(target.c_str(), link.c_str(), "Velloran"))) << link;
        EXPECT_FALSE(FileExists(link)) << link;
    }
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
    EXPECT_FALSE(FileExists(link));
    CoRevokeClassObject(cookie);

    // Our own initialisation is still there, and only it.
    EXPECT_EQ(CoInitialize(NULL), S_FALSE);
    CoUninitialize();
    CoUninitialize();
    EXPECT_EQ(CoInitialize(NULL), S_OK);
    CoUninitialize();
}

// The views by what reads them on 64-bit Windows (expected_names.h).
const REGSAM IN_32 = VIEW_FLAGS[VIEW_32], IN_64 = VIEW_FLAGS[VIEW_64];

const char CAPABILITIES[] = "SOFTWARE\\Velloran\\Capabilities";
const char ASSOCIATIONS[] = "SOFTWARE\\Velloran\\Capabilities\\FileAssociations";
const char BMP[] = "SOFTWARE\\Classes\\.bmp";
const char GIF[] = "SOFTWARE\\Classes\\.gif";
const char DOCUMENT[] = "SOFTWARE\\Classes\\VELLORAN1.Image";
const char SUPPORTED[] = "SOFTWARE\\Classes\\Applications\\Velloran.exe\\SupportedTypes";

std::string Text(const char *path, const char *name, REGSAM view = 0)
{
    std::string text;
    return ReadText(HKEY_LOCAL_MACHINE, path, name, &text, view) ? text : "<missing>";
}

DWORD Number(const char *path, const char *name, REGSAM view = 0)
{
    DWORD number = 0xA5A5A5A5;
    ReadNumber(HKEY_LOCAL_MACHINE, path, name, &number, view);
    return number;
}

std::string Profile(const char *key)
{
    char value[PATH_BUFFER_SIZE + 100];
    GetProfileStringA("extensions", key, "", value, sizeof(value));
    return value;
}

class RegistrationTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        // Longer than the 100 characters a value buffer once held.
        std::string install = TempDirectory() + "registration \\" + std::string(120, 'd') + "\\Velloran";
        lstrcpynA(g_installDir, install.c_str(), PATH_BUFFER_SIZE);
        lstrcpynA(g_shortcutFolder, (TempDirectory() + "shortcuts \\Velloran").c_str(), PATH_BUFFER_SIZE);
        before = ReadMachineState();
        // In both views, and what an earlier, faulty run wrote: nothing of
        // ours is there to start with.
        for (REGSAM view : { IN_32, IN_64 })
            for (const char *key :
                 { APP_PATHS_ENTRY, APP_PATHS_EXE_ENTRY, UNINSTALL_ENTRY, APPLICATION_KEY, DOCUMENT, BMP, GIF, VENDOR_KEY })
                DeleteKeyTree(HKEY_LOCAL_MACHINE, key, view);
    }
    void TearDown() override { PutMachineState(before); }

    MachineState before;
};

// Everything lands in the machine's own classes, not in a user's, and each
// key where its readers look on 64-bit Windows: Default Apps, a 64-bit
// program, finds the capabilities, RegisteredApplications and, beside them,
// the notes the 32-bit uninstaller reads back from the same place; the list
// of installed programs has the entry with the other 32-bit programs'; App
// Paths and the classes are one key in both views. On a 32-bit system, which
// has one view, everything is in it. WIN.INI entries are written only where
// absent or empty.
TEST_F(RegistrationTest, EveryValueHoldsItsTextInTheViewItsReadersUseAndASecondRunReplacesTheDirectories)
{
    ASSERT_EQ(RegSetValueA(HKEY_CLASSES_ROOT, ".bmp", REG_SZ, "Paint.Picture", 13), ERROR_SUCCESS);
    HKEY key;
    ASSERT_EQ(RegCreateKeyA(HKEY_CLASSES_ROOT, ".gif", &key), ERROR_SUCCESS);
    RegCloseKey(key);
    RegDeleteTreeA(HKEY_CLASSES_ROOT, ".jif");
    WriteProfileStringA("extensions", "gif", "x");
    WriteProfileStringA("extensions", "png", "");
    RegisterImageTypes();
    RegisterApplication();
    BOOL wow64 = FALSE;
    ASSERT_TRUE(IsWow64Process(GetCurrentProcess(), &wow64));

    // "<dir>" stands for the install directory.
    const struct {
        const char *path, *name, *text;
        bool in32, in64;
    } values[] = {
        { APP_PATHS_ENTRY, "", "<dir>\\VELLORAN.EXE", true, true },
        { APP_PATHS_ENTRY, "Path", "<dir>", true, true },
        { APP_PATHS_EXE_ENTRY, "", "<dir>\\VELLORAN.EXE", true, true },
        { APP_PATHS_EXE_ENTRY, "Path", "<dir>", true, true },
        { UNINSTALL_ENTRY, "DisplayName", "Velloran", true, false },
        { UNINSTALL_ENTRY, "UninstallString", "\"<dir>\\uninstall.exe\"", true, false },
        { UNINSTALL_ENTRY, "Progdir", "<dir>", true, false },
        { UNINSTALL_ENTRY, "DisplayIcon", "<dir>\\Velloran.exe,0", true, false },
        { UNINSTALL_ENTRY, "DisplayVersion", "1.00", true, false },
        { UNINSTALL_ENTRY, "Publisher", "Velloran Software", true, false },
        { UNINSTALL_ENTRY, "InstallLocation", "<dir>", true, false },
        { BMP, "", "VELLORAN1.Image", true, true },
        { GIF, "", "VELLORAN1.Image", true, true },
        // The default value of before is noted beside it; .gif had none.
        { BMP, "Velloran.Previous", "Paint.Picture", true, true },
        { DOCUMENT, "", "Velloran 1.00", true, true },
        { "SOFTWARE\\Classes\\VELLORAN1.Image\\DefaultIcon", "", "<dir>\\Velloran.exe,0", true, true },
        { "SOFTWARE\\Classes\\VELLORAN1.Image\\shell\\open\\command", "", "\"<dir>\\Velloran.exe\" \"%1\"", true,
          true },
        { APPLICATION_KEY, "FriendlyAppName", "Velloran", true, true },
        { SUPPORTED, ".bmp", "", true, true },
        { SUPPORTED, ".jif", "", true, true },
        { SUPPORTED, ".tiff", "", true, true },
        { REGISTERED_APPLICATIONS, "Velloran", CAPABILITIES, false, true },
        { CAPABILITIES, "ApplicationName", "Velloran", false, true },
        { ASSOCIATIONS, ".bmp", "VELLORAN1.Image", false, true },
        { ASSOCIATIONS, ".jif", "VELLORAN1.Image", false, true },
        { ASSOCIATIONS, ".tiff", "VELLORAN1.Image", false, true },
        // Only png was present and empty; that is noted for the uninstaller.
        { VENDOR_KEY, "EmptyWinIniEntries", "png", false, true },
    };
    const std::string install = g_installDir;
    for (const auto &value : values) {
        SCOPED_TRACE(std::string(value.path) + " " + value.name);
        std::string text = value.text;
        for (size_t at = text.find("<dir>"); at != std::string::npos; at = text.find("<dir>"))
            text.replace(at, 5, install);
        EXPECT_EQ(Text(value.path, value.name, value.in64 ? IN_64 : IN_32), text);
        EXPECT_EQ(Text(value.path, value.name, IN_32) != "<missing>", !wow64 || value.in32) << "32-bit view";
        EXPECT_EQ(Text(value.path, value.name, IN_64) != "<missing>", !wow64 || value.in64) << "64-bit view";
    }
    EXPECT_EQ(Text(UNINSTALL_ENTRY, "Scdir"), std::string(g_shortcutFolder));
    EXPECT_EQ(Number(UNINSTALL_ENTRY, "NoModify"), 1u);
    EXPECT_EQ(Number(UNINSTALL_ENTRY, "NoRepair"), 1u);
    EXPECT_EQ(Number(UNINSTALL_ENTRY, "EstimatedSize"), 0u) << "nothing is installed here";
    for (const char *extension : { BMP, GIF }) {
        DWORD type = 0xA5A5, size = 0;
        EXPECT_EQ(RegGetValueA(HKEY_LOCAL_MACHINE, (std::string(extension) + "\\OpenWithProgids").c_str(),
                               "VELLORAN1.Image", RRF_RT_ANY, &type, NULL, &size),
                  ERROR_SUCCESS)
            << extension;
        EXPECT_EQ(Number(extension, "Velloran.MadeOpenWithProgids"), 1u) << extension;
    }
    EXPECT_EQ(Text(GIF, "Velloran.Previous"), "<missing>");
    EXPECT_NE(RegOpenKeyA(HKEY_CLASSES_ROOT, ".jif", &key), ERROR_SUCCESS) << "no extension key is created";
    if (wow64) {
        EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, VENDOR_KEY, IN_32)) << "the vendor key is split between the views";
        if (!before.Key(HKEY_LOCAL_MACHINE, REGISTERED_APPLICATIONS, IN_64).exists) {
            EXPECT_EQ(Number(VENDOR_KEY, "MadeRegisteredApplications", IN_64), 1u);
        }
    }
    EXPECT_EQ(Profile("gif"), "x");
    EXPECT_EQ(Profile("png"), install + "\\Velloran.exe ^.png");
    EXPECT_EQ(Profile("jif"), install + "\\Velloran.exe ^.jif");

    // A second run replaces the directories; the note still names the class
    // of before, not ours. Its directory is the longest the directory page
    // lets through, one character short of its buffer: the WIN.INI entries
    // still name the viewer and the extension whole.
    const std::string longest = "C:\\" + std::string(PATH_BUFFER_SIZE - 4, 'd');
    lstrcpynA(g_installDir, longest.c_str(), PATH_BUFFER_SIZE);
    ASSERT_EQ(strlen(g_installDir), (size_t)PATH_BUFFER_SIZE - 1);
    lstrcatA(g_shortcutFolder, "2");
    WriteProfileStringA("extensions", "tiff", NULL);
    RegisterApplication();
    RegisterImageTypes();
    EXPECT_EQ(Text(APP_PATHS_ENTRY, "Path"), longest);
    EXPECT_EQ(Text(UNINSTALL_ENTRY, "Progdir"), longest);
    EXPECT_EQ(Text(UNINSTALL_ENTRY, "Scdir"), std::string(g_shortcutFolder));
    EXPECT_EQ(Text((std::string(DOCUMENT) + "\\shell\\open\\command").c_str(), ""),
              "\"" + longest + "\\Velloran.exe\" \"%1\"");
    EXPECT_EQ(Text(BMP, "Velloran.Previous"), "Paint.Picture");
    EXPECT_EQ(Profile("tiff"), longest + "\\Velloran.exe ^.tiff");
}

} // namespace
