// The setup's temporary files live in a folder of its own: a file planted in
// the shared temp directory under the name of a packed file is neither used
// nor touched, and nothing of the setup stays behind in the temp directory,
// at the latest after the next start.
#include "install_steps.h"

#include <aclapi.h>
#include <sddl.h>

namespace {

// The setup's own folder in the temp directory is named "<prefix><number>".
const char PRIVATE_FOLDER_PREFIX[] = "VelloranSetup-";

// A packed file of the right kind but the wrong contents: were the setup to
// expand it, the installed readme would say so.
const char PLANTED[] = "SZDD\x88\xF0\x27\x33" "Ai\x08\x00\x00\x00" "\xFFplanted!";

class TemporaryFiles : public InstallScenario {
protected:
    void TearDown() override
    {
        EXPECT_TRUE(!linked_ || RemoveUnixLink(link_)) << "the link " << link_ << " stayed";
        DeleteFileA(planted_.c_str());
        InstallScenario::TearDown();
    }

    static bool Listed(const std::string &path) { return ListedAttributes(path) != INVALID_FILE_ATTRIBUTES; }

    std::string planted_, link_;
    bool linked_ = false;   // link_ is there, to be taken away as it was made
};

// At the old names: a packed file of the readme's, and a link of
// Velloran.exe's pointing at a file elsewhere, which the setup, writing
// through it, would overwrite with elevated rights. Neither is used nor
// touched. The install folder holds an earlier installation, a read-only file
// too: every file is replaced, the file that two rows install is kept once,
// and nothing kept aside stays.
TEST_F(TemporaryFiles, APlantedPackedFileAndLinkAreNeitherUsedNorTouchedAndAnEarlierInstallationIsReplaced)
{
    const int readmeRow = RowInstalling("\\readme.wri"), viewerRow = RowInstalling("\\Velloran.exe");
    ASSERT_TRUE(readmeRow >= 0 && viewerRow >= 0);
    // The old, predictable temporary names of their packed files.
    planted_ = TempDirectory() + CompressedName(readmeRow);
    link_ = TempDirectory() + CompressedName(viewerRow);
    std::string plantedBytes(PLANTED, sizeof(PLANTED) - 1);
    ASSERT_TRUE(WriteWholeFile(planted_, plantedBytes));
    ASSERT_FALSE(Listed(link_)) << "something is at " << link_ << " already";
    std::string target = scratch_ + "\\target.txt";
    const std::string targetBytes = "a file the setup must never write";
    ASSERT_TRUE(WriteWholeFile(target, targetBytes));
    linked_ = MakeUnixLink(link_, target);
    ASSERT_TRUE(linked_) << "cannot make the link " << link_;
    std::vector<EarlierFile> earlier;
    for (const char *suffix : { "\\readme.wri", "\\Velloran.exe", "\\Pen\\round1.pen", "\\Filters\\blur.flt",
                                "\\AirBrush\\coarse.spr" }) {
        // Longer than any of them, so that a file only overwritten in part shows.
        earlier.push_back({ suffix, std::string(1 << 20, 's'),
                            earlier.empty() ? (DWORD)FILE_ATTRIBUTE_READONLY : FILE_ATTRIBUTE_NORMAL });
    }
    ASSERT_NO_FATAL_FAILURE(PlantEarlierFiles(&earlier));

    std::vector<std::string> privateBefore = TempPathsStartingWith(PRIVATE_FOLDER_PREFIX);
    HWND copy = NULL, shortcuts = NULL;
    ASSERT_NO_FATAL_FAILURE(OpenCopyPage(true, &copy));
    // A file in the run's own folder held open past the end of the copy (as
    // a virus scanner may): the folder cannot go then, and is marked for the
    // restart; the next start removes it once the file has gone.
    std::string folder;
    ASSERT_TRUE(WaitUntil([&] {
        for (const std::string &name : NewTempEntries())
            if (name.rfind(PRIVATE_FOLDER_PREFIX, 0) == 0)
                folder = TempDirectory() + name;
        return !folder.empty();
    }, WINDOW_TIMEOUT_MS)) << "the run's temp folder did not show";
    HANDLE held = CreateFileA((folder + "\\scanned.tmp").c_str(), GENERIC_WRITE,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, NULL, CREATE_NEW,
                              FILE_FLAG_DELETE_ON_CLOSE, NULL);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    ASSERT_NO_FATAL_FAILURE(WaitForShortcutPageWithoutQuestion(&shortcuts));
    ExpectInstalledRows(PayloadRows());
    ExpectSubdirectories();
    EXPECT_TRUE(MarkedForDeletionAtRestart(folder)) << folder << " is not marked for the restart";
    ASSERT_NO_FATAL_FAILURE(CancelShortcutPageAndExit(shortcuts));
    CloseHandle(held);
    ASSERT_TRUE(DirectoryExists(folder)) << "nothing left for the next start to do";
    EndSetup(&setup_);
    ASSERT_NO_FATAL_FAILURE(StartSetupIn());
    ASSERT_NE(WaitForPage(AGREEMENT_PAGE), (HWND)NULL);
    EXPECT_EQ(TempPathsStartingWith(PRIVATE_FOLDER_PREFIX), privateBefore)
        << "the setup's own temp folder stayed behind";

    EXPECT_EQ(FileText(planted_), plantedBytes) << "the planted file was removed or written over";
    EXPECT_EQ(FileText(target), targetBytes) << "the setup wrote through the link";
    EXPECT_TRUE(Listed(link_)) << "the link was removed";
}

// Whether an ACE of the folder's DACL gives any of the rights in `rights` to
// someone other than SYSTEM, the Administrators and the folder's owner; its
// owner and DACL as SDDL in *sddl. Wine turns the DACL into the Unix mode and
// back, and folds the Users group into Everyone, so Users' read and execute
// show up as Everyone's.
bool OthersGet(const std::wstring &folder, DWORD rights, std::string *sddl)
{
    PSECURITY_DESCRIPTOR descriptor = NULL;
    PSID owner = NULL;
    PACL list = NULL;
    const SECURITY_INFORMATION wanted = OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION;
    if (GetNamedSecurityInfoW(folder.c_str(), SE_FILE_OBJECT, wanted, &owner, NULL, &list, NULL, &descriptor)
        != ERROR_SUCCESS)
        return true;
    char *text = NULL;
    if (ConvertSecurityDescriptorToStringSecurityDescriptorA(descriptor, SDDL_REVISION_1, wanted, &text, NULL))
        *sddl = text;
    LocalFree(text);
    BYTE system[SECURITY_MAX_SID_SIZE], administrators[SECURITY_MAX_SID_SIZE];
    DWORD size = sizeof system;
    CreateWellKnownSid(WinLocalSystemSid, NULL, system, &size);
    size = sizeof administrators;
    CreateWellKnownSid(WinBuiltinAdministratorsSid, NULL, administrators, &size);
    bool others = list == NULL;
    for (DWORD i = 0; list && i < list->AceCount; ++i) {
        ACCESS_ALLOWED_ACE *ace = NULL;
        if (GetAce(list, i, (void **)&ace) && ace->Header.AceType == ACCESS_ALLOWED_ACE_TYPE
            && !EqualSid(&ace->SidStart, system) && !EqualSid(&ace->SidStart, administrators)
            && !EqualSid(&ace->SidStart, owner) && (ace->Mask & rights))
            others = true;
    }
    LocalFree(descriptor);
    return others;
}

const DWORD CHANGE_RIGHTS = FILE_WRITE_DATA | FILE_APPEND_DATA | FILE_WRITE_EA | FILE_WRITE_ATTRIBUTES
                            | FILE_DELETE_CHILD | DELETE | WRITE_DAC | WRITE_OWNER | GENERIC_WRITE | GENERIC_ALL;

// The setup's private folder in the temp directory, once there.
std::wstring PrivateFolder(const std::wstring &temp)
{
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((temp + L"\\" + Wide(PRIVATE_FOLDER_PREFIX) + L"*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return std::wstring();
    FindClose(search);
    return temp + L"\\" + found.cFileName;
}

// A temp directory named with letters the ANSI code page lacks (a Polish
// and a Chinese one): the setup installs everything through it and leaves
// nothing in it; the folders it made let no one else change them, nor its
// private folder open.
TEST_F(TemporaryFiles, ATempDirectoryTheCodePageCannotSpellInstalls)
{
    const std::string tempDirectory = TempDirectory();
    // Named for this run: a run cut short by Wine's own abort leaves its own.
    std::wstring unusual =
        Wide(tempDirectory) + L"Za\x017C\x00F3\x0142\x0107-\x6E29-" + std::to_wstring(GetCurrentProcessId());
    ASSERT_TRUE(CreateDirectoryW(unusual.c_str(), NULL));
    HWND directory = NULL, copy = NULL, shortcuts = NULL;
    {
        TempDirectoryOverride override(unusual);
        OpenDirectoryPage(&directory);   // the setup takes the environment as it is now
    }
    ASSERT_NE(directory, (HWND)NULL);
    ASSERT_NO_FATAL_FAILURE(BrowseToRoot(directory));
    ASSERT_NO_FATAL_FAILURE(NextToCopyPage(directory, false, &copy));
    // Wine keeps no owner but the user, and turns the DACL into the Unix mode
    // and back: that the folder is the Administrators' shows only on Windows
    // (the descriptor itself is checked in temp_folder_test); here, that no
    // one else is let in.
    bool othersLetIn = true;
    std::string sddl;
    EXPECT_TRUE(WaitUntil([&] {
        std::wstring folder = PrivateFolder(unusual);
        return !folder.empty() && ((othersLetIn = OthersGet(folder, ~0u, &sddl)), true);
    }, WINDOW_TIMEOUT_MS, 5)) << "no private folder while the copy ran";
    EXPECT_FALSE(othersLetIn) << sddl;
    ASSERT_NO_FATAL_FAILURE(WaitForShortcutPageWithoutQuestion(&shortcuts));
    ExpectInstalledRows(PayloadRows());
    EXPECT_FALSE(OthersGet(Wide(installDir_), CHANGE_RIGHTS, &sddl)) << installDir_ << ": " << sddl;
    for (const std::string &subdirectory : Subdirectories())
        EXPECT_FALSE(OthersGet(Wide(installDir_ + subdirectory), CHANGE_RIGHTS, &sddl))
            << subdirectory << ": " << sddl;
    ASSERT_NO_FATAL_FAILURE(CancelShortcutPageAndExit(shortcuts));
    EXPECT_TRUE(RemoveDirectoryW(unusual.c_str())) << "the setup left something in its temp directory";
}

} // namespace
