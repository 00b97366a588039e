// The folders the setup makes: the descriptors it builds, an install
// directory found with other rights, and the private temporary folder under
// a temp directory that the ANSI code page cannot spell.
#include "common/folder_security.h"
#include "common/install_names.h"
#include "common/private_folder.h"
#include "install/copy_journal.h"
#include "install/install_tree.h"
#include "install/manifest.h"
#include "install/temp_folder.h"
#include "shell/setup_state.h"
#include "common/text.h"
#include "win_support.h"

#include <aclapi.h>
#include <sddl.h>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

std::string DaclText(PSECURITY_DESCRIPTOR descriptor, SECURITY_INFORMATION what = DACL_SECURITY_INFORMATION)
{
    char *text = NULL;
    if (!ConvertSecurityDescriptorToStringSecurityDescriptorA(descriptor, SDDL_REVISION_1, what, &text, NULL))
        return "(unreadable)";
    std::string result = text;
    LocalFree(text);
    return result;
}

// Wine keeps no DACL: it reports one made from the Unix mode, where the
// owner is the Unix user with full access, SYSTEM is added, and Users fold
// into "others", shown as Everyone. What it does show is who else may open
// or change the folder.
struct FolderSecurity {
    std::string sddl;    // of the owner and the DACL
    bool everyone = true;        // an ACE for Everyone at all
    bool everyoneWrites = true;  // one that lets Everyone change the folder
};

const DWORD CHANGE_RIGHTS = FILE_WRITE_DATA | FILE_APPEND_DATA | FILE_WRITE_EA | FILE_WRITE_ATTRIBUTES
                            | FILE_DELETE_CHILD | DELETE | WRITE_DAC | WRITE_OWNER | GENERIC_WRITE | GENERIC_ALL;

// What GetNamedSecurityInfo reports of the folder.
FolderSecurity ReadFolder(const std::wstring &folder)
{
    FolderSecurity result;
    PACL dacl = NULL;
    PSECURITY_DESCRIPTOR descriptor = NULL;
    if (GetNamedSecurityInfoW(folder.c_str(), SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
                              NULL, NULL, &dacl, NULL, &descriptor) != ERROR_SUCCESS)
        return result;
    result.sddl = DaclText(descriptor, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION);
    BYTE everyone[SECURITY_MAX_SID_SIZE];
    DWORD size = sizeof everyone;
    CreateWellKnownSid(WinWorldSid, NULL, everyone, &size);
    result.everyone = result.everyoneWrites = !dacl;   // no DACL lets everyone in
    for (DWORD i = 0; dacl && i < dacl->AceCount; ++i) {
        ACCESS_ALLOWED_ACE *ace = NULL;
        if (GetAce(dacl, i, (void **)&ace) && ace->Header.AceType == ACCESS_ALLOWED_ACE_TYPE
            && EqualSid(&ace->SidStart, everyone)) {
            result.everyone = true;
            result.everyoneWrites = result.everyoneWrites || (ace->Mask & CHANGE_RIGHTS) != 0;
        }
    }
    LocalFree(descriptor);
    return result;
}

std::string CurrentUserSid()
{
    HANDLE token;
    OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token);
    BYTE buffer[sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE];
    DWORD length = 0;
    GetTokenInformation(token, TokenUser, buffer, sizeof buffer, &length);
    CloseHandle(token);
    char *text = NULL;
    ConvertSidToStringSidA(((TOKEN_USER *)buffer)->User.Sid, &text);
    std::string sid = text ? text : "";
    LocalFree(text);
    return sid;
}

// What each group may do with a folder made with the program folders'
// descriptor, and with an elevated run's private temporary folder, written
// with the system's own rights rather than read from the program: Users may
// read and run the programs, nobody but SYSTEM and the Administrators may
// change anything, and the temporary folder is theirs alone.
struct Grant {
    WELL_KNOWN_SID_TYPE who;
    const char *name;
    DWORD programFolder, elevatedTempFolder;
};

const Grant kGrants[] = {
    { WinLocalSystemSid,           "SYSTEM",              FILE_ALL_ACCESS, FILE_ALL_ACCESS },
    { WinBuiltinAdministratorsSid, "Administrators",      FILE_ALL_ACCESS, FILE_ALL_ACCESS },
    { WinBuiltinUsersSid,          "Users",               FILE_GENERIC_READ | FILE_GENERIC_EXECUTE, 0 },
    { WinAuthenticatedUserSid,     "Authenticated Users", 0, 0 },
    { WinInteractiveSid,           "INTERACTIVE",         0, 0 },
    { WinWorldSid,                 "Everyone",            0, 0 },
    { WinCreatorOwnerSid,          "CREATOR OWNER",       0, 0 },
};

// The rights the DACL's allowing ACEs give the SID, summed; fails on an ACE
// that is not an allowing one, or that folders and files below would not
// inherit.
DWORD GrantedRights(PACL dacl, WELL_KNOWN_SID_TYPE who)
{
    BYTE sid[SECURITY_MAX_SID_SIZE];
    DWORD size = sizeof sid, rights = 0;
    EXPECT_TRUE(CreateWellKnownSid(who, NULL, sid, &size));
    for (DWORD i = 0; i < dacl->AceCount; ++i) {
        ACE_HEADER *header = NULL;
        EXPECT_TRUE(GetAce(dacl, i, (void **)&header));
        EXPECT_EQ(header->AceType, ACCESS_ALLOWED_ACE_TYPE) << "ACE " << i;
        EXPECT_EQ(header->AceFlags & (OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE | INHERIT_ONLY_ACE),
                  OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE) << "ACE " << i;
        ACCESS_ALLOWED_ACE *ace = (ACCESS_ALLOWED_ACE *)header;
        if (EqualSid(&ace->SidStart, sid))
            rights |= ace->Mask;
    }
    return rights;
}

// Both DACLs are protected, or the parent's ACEs would come in; the program
// folders' owner is their creator, the temporary folder's the Administrators.
TEST(FolderSecurity, ProgramAndElevatedTempFolderDescriptorsGrantTheirRightsAlone)
{
    BYTE administrators[SECURITY_MAX_SID_SIZE];
    DWORD size = sizeof administrators;
    ASSERT_TRUE(CreateWellKnownSid(WinBuiltinAdministratorsSid, NULL, administrators, &size));
    const struct {
        const char *what;
        PSECURITY_DESCRIPTOR descriptor;
        DWORD Grant::*rights;
        DWORD aces;
        PSID owner;
    } cases[] = {
        { "program folders", BuildProgramFolderDescriptor(), &Grant::programFolder, 3, NULL },
        { "elevated temp folder", BuildPrivateFolderDescriptor(true), &Grant::elevatedTempFolder, 2, administrators },
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_NE(c.descriptor, nullptr);
        BOOL present = FALSE, defaulted = TRUE;
        PACL dacl = NULL;
        ASSERT_TRUE(GetSecurityDescriptorDacl(c.descriptor, &present, &dacl, &defaulted));
        ASSERT_TRUE(present && dacl) << "no DACL lets everyone in";
        EXPECT_FALSE(defaulted);
        for (const Grant &grant : kGrants)
            EXPECT_EQ(GrantedRights(dacl, grant.who), grant.*c.rights) << grant.name;
        EXPECT_EQ(dacl->AceCount, c.aces) << "an ACE for someone else: " << DaclText(c.descriptor);
        SECURITY_DESCRIPTOR_CONTROL control = 0;
        DWORD revision = 0;
        ASSERT_TRUE(GetSecurityDescriptorControl(c.descriptor, &control, &revision));
        EXPECT_TRUE(control & SE_DACL_PROTECTED);
        PSID owner = NULL;
        ASSERT_TRUE(GetSecurityDescriptorOwner(c.descriptor, &owner, &defaulted));
        EXPECT_TRUE(c.owner ? owner && EqualSid(owner, c.owner) : owner == NULL);
        LocalFree(c.descriptor);
    }
}

TEST(FolderSecurity, OwnerOnlyDescriptorNamesTheUserAlone)
{
    PSECURITY_DESCRIPTOR descriptor = BuildOwnerOnlyDescriptor();
    ASSERT_NE(descriptor, nullptr);
    std::string user = CurrentUserSid();
    ASSERT_FALSE(user.empty());
    EXPECT_EQ(DaclText(descriptor, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION),
              "O:" + user + "D:P(A;OICI;FA;;;" + user + ")");
    LocalFree(descriptor);
}

// An install directory found there, open to everyone, with a subdirectory
// of the same kind and a "Filters" link of the user's to another folder:
// refused, named, before anything is made or changed. Without the link, both
// folders are taken over (on Windows: owner Administrators and the program
// folders' DACL), the directory's earlier descriptor in the journal before it
// changes, the missing subdirectories are made, and a cancel puts that
// descriptor back. One that is not there cannot be taken over: the copy must
// not start. (Wine lets a held folder be renamed: that it cannot be is shown
// only on Windows.)
TEST(FolderSecurity, AFoundInstallDirectoryIsRefusedWithALinkElseTakenOverAndGivenBack)
{
    std::string root = MakeTempFolder("velloran-pins-");
    ASSERT_FALSE(root.empty());
    std::string folder = root + "\\Velloran", other = root + "\\other", link = folder + "\\Filters";
    PSECURITY_DESCRIPTOR open = NULL;
    ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorA("D:(A;OICI;FA;;;WD)", SDDL_REVISION_1, &open, NULL));
    SECURITY_ATTRIBUTES openSecurity = { sizeof openSecurity, open, FALSE };
    ASSERT_TRUE(CreateDirectoryA(folder.c_str(), &openSecurity));
    ASSERT_TRUE(CreateDirectoryA((folder + "\\Pen").c_str(), &openSecurity));
    ASSERT_TRUE(CreateDirectoryA(other.c_str(), NULL));
    ASSERT_TRUE(WriteBytes(other + "\\blur.flt", { 'u' }));
    CopyText(g_installDir, PATH_BUFFER_SIZE, folder.c_str());
    g_dirSecurity.lpSecurityDescriptor = BuildProgramFolderDescriptor();
    char failed[PATH_BUFFER_SIZE + 64] = "sentinel";

    ASSERT_TRUE(MakeUnixLink(link, other)) << "no link could be made";
    ASSERT_TRUE(BeginCopyJournal(folder.c_str(), false));
    EXPECT_FALSE(PrepareInstallTree(failed, sizeof failed));
    EXPECT_EQ(std::string(failed), link);
    EXPECT_EQ(FolderEntries(folder), std::vector<std::string>({ "Filters", "Pen" })) << "made before the refusal";
    EXPECT_TRUE(FileExists(other + "\\blur.flt"));
    ReleaseInstallTree();
    EndCopyJournal();
    EXPECT_TRUE(RemoveUnixLink(link));

    const std::string before = ReadFolder(Wide(folder)).sddl;
    ASSERT_TRUE(BeginCopyJournal(folder.c_str(), false));
    EXPECT_TRUE(PrepareInstallTree(failed, sizeof failed));
    EXPECT_STREQ(failed, "");
    // Wine shows neither the owner nor the ACEs as set, only the Unix mode.
    for (int k = 0; k <= SUBDIR_COUNT; ++k) {
        std::string made = folder + (k ? g_subdirectories[k - 1] : "");
        EXPECT_FALSE(ReadFolder(Wide(made)).everyoneWrites) << made << ": " << ReadFolder(Wide(made)).sddl;
    }
    HKEY journal = OpenJournal(RunTag() + 1);
    ASSERT_NE(journal, (HKEY)NULL);
    static JournalEntry entry;
    EXPECT_TRUE(ReadJournalEntry(journal, 0, &entry));
    RegCloseKey(journal);
    EXPECT_EQ(entry.kind, JOURNAL_FOLDER_SECURITY) << "the descriptor was not recorded first";
    EXPECT_EQ(std::string(entry.path), folder);
    EXPECT_NE(ReadFolder(Wide(folder)).sddl, before) << "the folder was not secured";
    RestoreInstallTreeSecurity();
    EXPECT_EQ(ReadFolder(Wide(folder)).sddl, before);
    ReleaseInstallTree();

    std::string missing = root + "\\missing";
    CopyText(g_installDir, PATH_BUFFER_SIZE, missing.c_str());
    EXPECT_FALSE(PrepareInstallTree(failed, sizeof failed));
    EXPECT_EQ(std::string(failed), missing);
    EndCopyJournal();
    RemoveTree(root);
    LocalFree(open);
    LocalFree(g_dirSecurity.lpSecurityDescriptor);
    g_dirSecurity.lpSecurityDescriptor = NULL;
}

// A temp directory named with letters outside the ANSI code page: the
// private folder is made there, closed to everyone else (its descriptor
// itself is OwnerOnlyDescriptorNamesTheUserAlone's), the temporary file can
// be made in it, and the name the messages show holds no replaced letter.
TEST(FolderSecurity, PrivateTempFolderWorksWhereTheCodePageCannotSpellTheTempDirectory)
{
    wchar_t tempDir[MAX_PATH + 1];
    GetTempPathW(MAX_PATH + 1, tempDir);
    std::wstring parent = std::wstring(tempDir) + L"Za\x017C\x00F3\x0142\x0107-\x6E29";
    ASSERT_TRUE(CreateDirectoryW(parent.c_str(), NULL));
    TempDirectoryOverride override(parent);
    char narrowTemp[MAX_PATH + 1];
    GetTempPathA(sizeof narrowTemp, narrowTemp);
    ASSERT_NE(std::string(narrowTemp).find('?'), std::string::npos)
        << "the ANSI code page spells " << narrowTemp << ": nothing to prove here";

    ASSERT_TRUE(BeginCopyJournal("C:\\Velloran", false));
    ASSERT_TRUE(CreatePrivateTempDir());
    HANDLE temp = CreateTempFile(g_compressedNames[0]);
    EXPECT_NE(temp, INVALID_HANDLE_VALUE);
    EXPECT_EQ(CreateTempFile(g_compressedNames[0]), INVALID_HANDLE_VALUE) << "a second file of that name was made";
    char name[TEMP_FILE_NAME_SIZE];
    ComposeTempFileName(g_compressedNames[0], name, sizeof name);
    std::string shown = name;
    EXPECT_EQ(shown.find('?'), std::string::npos) << shown << " (GetTempPathA: " << narrowTemp << ")";
    EXPECT_NE(GetFileAttributesA(shown.c_str()), INVALID_FILE_ATTRIBUTES) << shown << " does not name the file";

    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((parent + L"\\VelloranSetup-*").c_str(), &found);
    ASSERT_NE(search, INVALID_HANDLE_VALUE);
    FindClose(search);
    FolderSecurity security = ReadFolder(parent + L"\\" + found.cFileName);
    EXPECT_FALSE(security.everyone) << security.sddl;

    CloseHandle(temp);   // deletes the file
    RemovePrivateTempDir();
    EndCopyJournal();
    EXPECT_TRUE(RemoveDirectoryW(parent.c_str())) << "something stayed in the temp directory";
}

} // namespace
