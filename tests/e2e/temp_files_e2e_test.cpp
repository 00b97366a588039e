// The setup's temporary files live in a folder of its own: a file planted in
// the shared temp directory under the name of a packed file is neither used
// nor touched, and nothing of the setup stays behind in the temp directory.
#include "install_steps.h"

namespace {

// A packed file of the right kind but the wrong contents: were the setup to
// expand it, the installed readme would say so.
const char PLANTED[] = "SZDD\x88\xF0\x27\x33" "Ai\x08\x00\x00\x00" "\xFFplanted!";

class TemporaryFiles : public InstallScenario {
protected:
    void TearDown() override
    {
        DeleteFileA(planted_.c_str());
        InstallScenario::TearDown();
    }

    // The folders of earlier runs' private temp folders, by name.
    std::vector<std::string> PrivateTempFolders()
    {
        std::vector<std::string> folders;
        WIN32_FIND_DATAA found;
        HANDLE search = FindFirstFileA((TempDirectory() + "VelloranSetup-*").c_str(), &found);
        if (search == INVALID_HANDLE_VALUE)
            return folders;
        do
            folders.push_back(found.cFileName);
        while (FindNextFileA(search, &found));
        FindClose(search);
        return folders;
    }

    std::string planted_;
};

TEST_F(TemporaryFiles, APlantedPackedFileIsNeitherUsedNorTouched)
{
    int readmeRow = -1;
    for (int row = 0; row < PayloadRows(); ++row)
        if (DestinationSuffix(row) == "\\readme.wri")
            readmeRow = row;
    ASSERT_NE(readmeRow, -1);
    planted_ = TempDirectory() + CompressedName(readmeRow);
    std::string plantedBytes(PLANTED, sizeof(PLANTED) - 1);
    ASSERT_TRUE(WriteWholeFile(planted_, plantedBytes));
    std::vector<std::string> privateBefore = PrivateTempFolders();

    HWND directory = NULL, copy = NULL, shortcuts = NULL;
    ASSERT_NO_FATAL_FAILURE(OpenDirectoryPage(&directory));
    ASSERT_NO_FATAL_FAILURE(BrowseToRoot(directory));
    ASSERT_NO_FATAL_FAILURE(NextToCopyPage(directory, false, &copy));
    ASSERT_NO_FATAL_FAILURE(WaitForShortcutPageWithoutQuestion(&shortcuts));

    ExpectInstalledRows(PayloadRows());
    std::string after;
    ASSERT_TRUE(ReadWholeFile(planted_, &after)) << "the planted file was removed";
    EXPECT_EQ(after, plantedBytes) << "the planted file was written over";
    EXPECT_EQ(PrivateTempFolders(), privateBefore) << "the setup's own temp folder stayed behind";
    ASSERT_NO_FATAL_FAILURE(CancelShortcutPageAndExit(shortcuts));
}

} // namespace
