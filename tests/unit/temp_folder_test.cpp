// The setup's private temp folders: removed though a file in one is still
// pending deletion, and the ones that earlier runs left removed at the next
// start only when they are its own.
#include "install/manifest.h"
#include "install/temp_folder.h"
#include "common/private_folder.h"
#include "win_support.h"

#include <gtest/gtest.h>
#include <string>

namespace {

// Holds the file as a scanner would, well inside the second the removal
// tries for, then lets it go. The moment is what is held, not a wait: no
// check follows it, and the removal answers for itself.
DWORD WINAPI CloseAfterAMoment(void *file)
{
    Sleep(100);
    CloseHandle((HANDLE)file);
    return 0;
}

// A file still pending deletion a moment after the copy (closed by the
// setup, held by another program) does not keep the folder; held on, the
// end-to-end scenario shows, it leaves the folder for the restart.
TEST(TempFolder, RemovalWaitsForAFilePendingDeletion)
{
    wchar_t folder[MAX_PATH];
    ASSERT_TRUE(CreatePrivateFolder(L"VelloranSetup-", folder, MAX_PATH));
    HANDLE file = CreateFileW((std::wstring(folder) + L"\\scanned.tmp").c_str(), GENERIC_WRITE,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, NULL, CREATE_NEW,
                              FILE_FLAG_DELETE_ON_CLOSE, NULL);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    HANDLE closer = CreateThread(NULL, 0, CloseAfterAMoment, file, 0, NULL);
    ASSERT_NE(closer, (HANDLE)NULL);
    EXPECT_TRUE(RemovePrivateFolder(folder));
    EXPECT_EQ(GetFileAttributesW(folder), INVALID_FILE_ATTRIBUTES);
    WaitForSingleObject(closer, INFINITE);
    CloseHandle(closer);
}

// Earlier runs' folders in the temp directory: the setup's own goes with the
// temporary file left in it. One that holds a file of another's, one named
// otherwise, and a link named like the setup's own stay untouched.
TEST(TempFolder, StaleFoldersGoOnlyWhenTheyAreTheSetupsOwn)
{
    std::string scratch = MakeTempFolder("stale-temp-");
    ASSERT_FALSE(scratch.empty());
    const std::string packed = g_compressedNames[0];
    std::string target = scratch + "\\target", lookalike = scratch + "\\VelloranSetup-notours";
    std::string link = scratch + "\\VelloranSetup-0123456789abcdef";
    ASSERT_TRUE(CreateDirectoryA(target.c_str(), NULL));
    ASSERT_TRUE(CreateDirectoryA(lookalike.c_str(), NULL));
    for (const std::string &folder : { target, lookalike })
        ASSERT_TRUE(WriteBytes(folder + "\\" + packed, { 'x' }));
    bool linked = MakeUnixLink(link, target);
    wchar_t ours[MAX_PATH], shared[MAX_PATH];
    {
        TempDirectoryOverride override(Wide(scratch));
        ASSERT_TRUE(CreatePrivateFolder(L"VelloranSetup-", ours, MAX_PATH));
        ASSERT_TRUE(CreatePrivateFolder(L"VelloranSetup-", shared, MAX_PATH));
        ASSERT_TRUE(WriteBytes(std::string(ours, ours + lstrlenW(ours)) + "\\" + packed, { 'x' }));
        ASSERT_TRUE(WriteBytes(std::string(shared, shared + lstrlenW(shared)) + "\\notes.txt", { 'x' }));
        RemoveStaleTempDirs();
    }
    EXPECT_EQ(GetFileAttributesW(ours), INVALID_FILE_ATTRIBUTES);
    EXPECT_TRUE(FileExists(std::string(shared, shared + lstrlenW(shared)) + "\\notes.txt"));
    EXPECT_TRUE(FileExists(lookalike + "\\" + packed));
    EXPECT_TRUE(FileExists(target + "\\" + packed)) << "the link was followed";
    EXPECT_TRUE(linked) << "no link could be made: the link case was not tried";
    EXPECT_TRUE(!linked || RemoveUnixLink(link));
    RemoveTree(scratch);
}

} // namespace
