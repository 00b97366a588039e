// What goes wrong outside the setup's control: a payload file missing from
// the program or damaged in it, install paths at and past the length that
// the file functions take, and a link a user put in the folder the setup is
// to fill.
#include "install_steps.h"

#include <algorithm>

namespace {

enum {
    MISSING_ROW      = 40,
    SZDD_HEADER_SIZE = 14,
    LONGEST_NAME     = 99,
    // The longest path the ANSI file functions take, with its terminator.
    FILE_PATH_LIMIT  = MAX_PATH,
    // A folder name long enough that two levels of it leave MAX_PATH behind.
    LONG_SEGMENT     = 200
};

class Faults : public InstallScenario {
protected:
    // A copy of the setup in which resource FILE<row> cannot be found, as in
    // a damaged download. UpdateResource would remove it on Windows; Wine's
    // leaves an image alone whose resources are not its last section (ours
    // are followed by the relocations), so the copy's resource directory is
    // changed instead: the entry's name becomes FILE<row> with its last digit
    // turned into '/', which keeps the names in the order the lookup needs.
    void UseCopyWithoutPayloadRow(int row)
    {
        std::string image;
        ASSERT_TRUE(ReadWholeFile(SetupExePath(), &image));
        std::string name = "FILE" + std::to_string(row);
        std::string entry(1, (char)name.size());
        entry += '\0';
        for (char c : name)
            entry += std::string(1, c) + '\0';
        size_t at = image.find(entry);
        ASSERT_NE(at, std::string::npos) << "no resource name " << name;
        ASSERT_EQ(image.find(entry, at + 1), std::string::npos) << name << " is named twice";
        image[at + entry.size() - 2] = '/';
        ASSERT_NO_FATAL_FAILURE(UseCopy(image));
    }

    // A copy of the setup in which one byte of the packed stream of row is
    // changed, as in a download damaged on its way: a literal byte past the
    // middle of the stream, so that the stream stays well formed and expands
    // to a file of the right length with other bytes in it.
    void UseCopyWithDamagedPayloadRow(int row)
    {
        std::string image, name = "FILE" + std::to_string(row);
        ASSERT_TRUE(ReadWholeFile(SetupExePath(), &image));
        HMODULE setup = LoadLibraryExA(SetupExePath().c_str(), NULL, LOAD_LIBRARY_AS_DATAFILE);
        ASSERT_NE(setup, (HMODULE)NULL);
        HRSRC resource = FindResourceA(setup, name.c_str(), RT_RCDATA);
        std::string packed;
        if (resource)
            packed.assign((const char *)LockResource(LoadResource(setup, resource)), SizeofResource(setup, resource));
        FreeLibrary(setup);
        ASSERT_FALSE(packed.empty()) << name;
        size_t at = image.find(packed);
        ASSERT_NE(at, std::string::npos) << name << " is not in the file as it is loaded";
        size_t literal = LiteralPastTheMiddle(packed);
        ASSERT_NE(literal, 0u) << name << " has no literal byte past its middle";
        image[at + literal] ^= 0x5A;
        ASSERT_NO_FATAL_FAILURE(UseCopy(image));
    }

    // Where an SZDD file's stream has a literal byte at or past its middle:
    // each flag byte says of the eight items after it, bit by bit from the
    // lowest, whether one is a literal byte (1) or a two-byte copy (0).
    static size_t LiteralPastTheMiddle(const std::string &packed)
    {
        size_t at = SZDD_HEADER_SIZE;
        while (at < packed.size()) {
            unsigned flags = (unsigned char)packed[at++];
            for (int bit = 0; bit < 8 && at < packed.size(); ++bit) {
                bool literal = (flags >> bit) & 1;
                if (literal && at >= packed.size() / 2)
                    return at;
                at += literal ? 1 : 2;
            }
        }
        return 0;
    }

    // The scenario starts this image of the setup instead of the built one.
    void UseCopy(const std::string &image)
    {
        exe_ = scratch_ + "\\VelloranSetup.exe";
        ASSERT_TRUE(WriteWholeFile(exe_, image));
    }

    // Folders below the scenario's own folder, made through the Unicode
    // functions, which take paths of any length.
    std::string MakeNestedFolders(const std::vector<std::string> &names)
    {
        std::string path = root_;
        for (const std::string &name : names) {
            path += "\\" + name;
            std::wstring wide = L"\\\\?\\";
            for (char c : path)
                wide += (wchar_t)(unsigned char)c;
            if (!CreateDirectoryW(wide.c_str(), NULL))
                return std::string();
        }
        return path;
    }

    int LongestSuffix()
    {
        size_t longest = 0;
        for (int row = 0; row < PayloadRows(); ++row)
            longest = std::max(longest, DestinationSuffix(row).size());
        return (int)longest;
    }
};

TEST_F(Faults, AMissingPayloadFileIsReportedWithNoDestinationAndNothingLater)
{
    ASSERT_NO_FATAL_FAILURE(UseCopyWithoutPayloadRow(MISSING_ROW));
    HWND copy = NULL;
    ASSERT_NO_FATAL_FAILURE(OpenCopyPage(false, &copy));
    std::string from, to;
    ASSERT_NO_FATAL_FAILURE(EndWithCopyFailure(&from, &to));
    EXPECT_EQ(to, "") << "the destination is not composed for a file that is not there";
    const std::string tempFile = "\\" + CompressedName(MISSING_ROW);
    ASSERT_GE(from.size(), tempFile.size()) << "From=" << from;
    EXPECT_EQ(from.substr(from.size() - tempFile.size()), tempFile) << "From=" << from;
    ExpectInstalledRows(MISSING_ROW);
    ExpectNoTemporaryFiles();
    ExpectNothingRegistered();
}

// The packed format cannot tell the damage: Velloran.exe expands, to other
// bytes. The copy stops there with the copy error naming it, leaves no
// damaged file, and puts back the earlier Velloran.exe it was to replace.
TEST_F(Faults, ADamagedPayloadFileIsRefusedAndWhatItWasToReplaceStays)
{
    const int row = RowInstalling("\\Velloran.exe");
    ASSERT_GT(row, 0) << "no row installs \\Velloran.exe";
    ASSERT_NO_FATAL_FAILURE(UseCopyWithDamagedPayloadRow(row));
    std::vector<EarlierFile> earlier = { { "\\Velloran.exe", "an older Velloran.exe", FILE_ATTRIBUTE_NORMAL } };
    ASSERT_NO_FATAL_FAILURE(PlantEarlierFiles(&earlier));

    HWND copy = NULL;
    ASSERT_NO_FATAL_FAILURE(OpenCopyPage(true, &copy));
    std::string from, to;
    ASSERT_NO_FATAL_FAILURE(EndWithCopyFailure(&from, &to));
    EXPECT_EQ(to, installDir_ + DestinationSuffix(row));
    const std::string tempFile = "\\" + CompressedName(row);
    ASSERT_GE(from.size(), tempFile.size()) << "From=" << from;
    EXPECT_EQ(from.substr(from.size() - tempFile.size()), tempFile) << "From=" << from;
    ExpectInstalledRows(row, earlier);
    ExpectNoTemporaryFiles();
    ExpectNothingRegistered();
}

// The deepest install directory whose every file still fits MAX_PATH, made
// of a 99-character name at the end of a path browsed to by double-clicks.
TEST_F(Faults, ANinetyNineCharacterNameAtTheEndOfADeepPathInstallsEverything)
{
    std::string name(LONGEST_NAME, 'v');
    int browseLength = FILE_PATH_LIMIT - 1 - LongestSuffix() - 1 - LONGEST_NAME;
    std::vector<std::string> levels;
    int length = (int)root_.size();
    while (length < browseLength) {
        int segment = std::min(LONG_SEGMENT / 4, browseLength - length - 1);
        ASSERT_GT(segment, 0) << "the scenario's folder leaves no room";
        std::string level(segment, (char)('a' + levels.size()));
        if (segment > 2)
            level[segment / 2] = ' ';   // names with blanks, as people give them
        levels.push_back(level);
        length += 1 + segment;
    }
    std::string parent = MakeNestedFolders(levels);
    ASSERT_EQ((int)parent.size(), browseLength) << parent;
    installDir_ = parent + "\\" + name;

    HWND page = NULL, copy = NULL, shortcuts = NULL;
    ASSERT_NO_FATAL_FAILURE(OpenDirectoryPage(&page));
    std::vector<std::string> entries = { root_.substr(3) };
    entries.insert(entries.end(), levels.begin(), levels.end());
    ASSERT_NO_FATAL_FAILURE(BrowseTo(page, entries));
    EXPECT_EQ(WindowText(GetDlgItem(page, IDC_DIR_PREVIEW)), parent + "\\Velloran");
    ASSERT_NO_FATAL_FAILURE(TypeFolderName(page, name));
    Shot("deep");
    ASSERT_NO_FATAL_FAILURE(NextToCopyPage(page, false, &copy));
    EXPECT_TRUE(DirectoryExists(installDir_));
    ASSERT_NO_FATAL_FAILURE(WaitForShortcutPageWithoutQuestion(&shortcuts));
    ExpectInstalledRows(PayloadRows());
    ExpectSubdirectories();
    ExpectNoTemporaryFiles();
    ASSERT_NO_FATAL_FAILURE(CancelShortcutPageAndExit(shortcuts));
}

// Past MAX_PATH the ANSI file functions take nothing: the list of such a
// folder shows only the way up and the new folder, and the install
// directory cannot be made. The setup asks, and ends with the copy error.
TEST_F(Faults, AFolderPastTheLongestPathIsBrowsedAndEndsWithTheCopyError)
{
    std::string first(LONG_SEGMENT, 'p'), second(LONG_SEGMENT, 'q');
    std::string deep = MakeNestedFolders({ first, second, "hidden" });
    ASSERT_FALSE(deep.empty());
    installDir_ = root_ + "\\" + first + "\\" + second + "\\Velloran";
    ASSERT_GT(installDir_.size(), (size_t)FILE_PATH_LIMIT);

    HWND page = NULL;
    ASSERT_NO_FATAL_FAILURE(OpenDirectoryPage(&page));
    ASSERT_NO_FATAL_FAILURE(BrowseTo(page, { root_.substr(3), first, second }));
    std::vector<std::string> entries = ListViewItems(GetDlgItem(page, IDC_DIR_FOLDER_LIST));
    EXPECT_EQ(entries.size(), 2u) << "the folders of a path that long cannot be listed";
    EXPECT_EQ(WindowText(GetDlgItem(page, IDC_DIR_PREVIEW)), installDir_);
    Shot("past-max-path");
    ASSERT_TRUE(PressButtonByText(page, "Next"));
    HWND question = NULL;
    ASSERT_NO_FATAL_FAILURE(WaitForBoxSaying(DIRECTORY_EXISTS_QUESTION, &question));
    ASSERT_TRUE(PressButton(question, IDYES));
    std::string from, to;
    ASSERT_NO_FATAL_FAILURE(EndWithCopyFailure(&from, &to));
    // The folder that could not be made cannot be made safe: the copy does
    // not start, and the error names the whole folder.
    EXPECT_EQ(from, "");
    EXPECT_EQ(to, installDir_);
    ExpectNoTemporaryFiles();
}

// A folder the user made, holding a link "Filters" to another folder of
// theirs: the copy error names the link before anything changes, the setup
// ends with 1603, and the other folder keeps its file.
TEST_F(Faults, AFiltersLinkInAnExistingFolderIsRefusedAndWhatItLeadsToStays)
{
    std::vector<EarlierFile> earlier = { { "\\my notes.txt", "the user's own notes", FILE_ATTRIBUTE_NORMAL } };
    ASSERT_NO_FATAL_FAILURE(PlantEarlierFiles(&earlier));
    const std::string other = root_ + "\\other", link = installDir_ + "\\Filters";
    ASSERT_TRUE(CreateDirectoryA(other.c_str(), NULL));
    ASSERT_TRUE(WriteWholeFile(other + "\\blur.flt", "the user's own filter"));
    ASSERT_TRUE(RemoveDirectoryA(link.c_str()));
    ASSERT_TRUE(MakeUnixLink(link, other));

    HWND copy = NULL;
    std::string from, to;
    ASSERT_NO_FATAL_FAILURE(OpenCopyPage(true, &copy));
    ASSERT_NO_FATAL_FAILURE(EndWithCopyFailure(&from, &to));
    EXPECT_EQ(to, link);
    EXPECT_TRUE(RemoveUnixLink(link));
    EXPECT_EQ(FilesBelow(other), std::vector<std::string>{ other + "\\blur.flt" });
    EXPECT_EQ(FileText(other + "\\blur.flt"), "the user's own filter") << "the link was followed";
    ExpectInstalledRows(0, earlier);
}

} // namespace
