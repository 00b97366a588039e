// The pure parts of both programs: where the viewer puts the picture and which
// file its command line names; the uninstaller's path rules, its hand-over
// arguments, its self-deletion and its closing message.
#include "payload/uninstall/installation.h"
#include "payload/uninstall/paths.h"
#include "payload/uninstall/relaunch_arguments.h"
#include "payload/uninstall/report.h"
#include "payload/uninstall/self_deletion.h"
#include "payload/velloran/layout.h"
#include <gtest/gtest.h>
#include <string.h>
#include <string>

namespace {

#define check_rect(rect, l, t, r, b) check_rect_(__LINE__, rect, l, t, r, b)
void check_rect_(int line, const RECT &rect, LONG left, LONG top, LONG right, LONG bottom)
{
    EXPECT_EQ(left, rect.left) << "from line " << line;
    EXPECT_EQ(top, rect.top) << "from line " << line;
    EXPECT_EQ(right, rect.right) << "from line " << line;
    EXPECT_EQ(bottom, rect.bottom) << "from line " << line;
}

TEST(FitPicture, WidePictureFillsTheWidthAndIsCentredVertically)
{
    check_rect(FitPicture(400, 100, 800, 600), 0, 200, 800, 400);
}

TEST(FitPicture, TallPictureFillsTheHeightAndIsCentredHorizontally)
{
    check_rect(FitPicture(100, 300, 800, 600), 300, 0, 500, 600);
}

TEST(FitPicture, SmallPictureIsEnlargedToFit)
{
    check_rect(FitPicture(2, 2, 300, 100), 100, 0, 200, 100);
}

TEST(FitPicture, HugeSidesDoNotOverflow)
{
    check_rect(FitPicture(16384, 16384, 1000, 1000), 0, 0, 1000, 1000);
    RECT thin = FitPicture(16384, 1, 1000, 1000);
    EXPECT_EQ(1, thin.bottom - thin.top);   // never less than a pixel
    EXPECT_EQ(1000, thin.right - thin.left);
}

TEST(FitPicture, NothingToFitGivesAnEmptyRectangle)
{
    check_rect(FitPicture(0, 10, 800, 600), 0, 0, 0, 0);
    check_rect(FitPicture(10, 10, 0, 600), 0, 0, 0, 0);
}

std::string FileFrom(const char *commandLine, const char *module = "C:\\Program Files\\Velloran\\Velloran.exe")
{
    char file[MAX_PATH];
    memset(file, 0xA5, sizeof file);
    if (!CommandLineFile(commandLine, module, file, sizeof file))
        return "<too long>";
    return file;
}

TEST(CommandLineFile, QuotedProgramAndQuotedFile)
{
    EXPECT_EQ("C:\\My Pictures\\a b.png",
              FileFrom("\"C:\\Program Files\\Velloran\\Velloran.exe\" \"C:\\My Pictures\\a b.png\""));
}

TEST(CommandLineFile, UnquotedFileWithSpacesIsTakenWhole)
{
    EXPECT_EQ("C:\\My Pictures\\a b.png", FileFrom("Velloran.exe   C:\\My Pictures\\a b.png  "));
}

TEST(CommandLineFile, UnquotedModulePathWithSpacesIsSkipped)
{
    EXPECT_EQ("C:\\x y.tga", FileFrom("c:\\program files\\velloran\\velloran.exe C:\\x y.tga"));
}

TEST(CommandLineFile, NoFileGivesAnEmptyName)
{
    EXPECT_EQ("", FileFrom("\"C:\\Program Files\\Velloran\\Velloran.exe\""));
    EXPECT_EQ("", FileFrom("Velloran.exe   "));
}

TEST(CommandLineFile, AFileNameTooLongIsRefused)
{
    std::string commandLine = "Velloran.exe C:\\" + std::string(MAX_PATH, 'a');
    EXPECT_EQ("<too long>", FileFrom(commandLine.c_str()));
}

TEST(UninstallPaths, TrailingBackslashesGoButNotTheRoots)
{
    char dir[32] = "C:\\Apps\\Velloran\\\\";
    TrimTrailingBackslashes(dir);
    EXPECT_STREQ("C:\\Apps\\Velloran", dir);
    char root[8] = "C:\\";
    TrimTrailingBackslashes(root);
    EXPECT_STREQ("C:\\", root);
}

TEST(UninstallPaths, ParentDirectoryIsBeforeTheLastBackslash)
{
    char dir[32];
    ASSERT_TRUE(ParentDirectory("C:\\Apps\\uninstall.exe", dir, sizeof dir));
    EXPECT_STREQ("C:\\Apps", dir);
    EXPECT_FALSE(ParentDirectory("uninstall.exe", dir, sizeof dir));
}

TEST(UninstallPaths, WinIniEntryMustStartThisViewer)
{
    const char *viewer = "C:\\Programs\\Velloran\\Velloran.exe";
    EXPECT_TRUE(EntryNamesProgram("C:\\Programs\\Velloran\\Velloran.exe ^.bmp", viewer));
    EXPECT_TRUE(EntryNamesProgram("c:\\PROGRAMS\\velloran\\VELLORAN.EXE ^.tiff", viewer));
    EXPECT_TRUE(EntryNamesProgram("\"C:\\Programs\\Velloran\\Velloran.exe\" ^.gif", viewer));
    EXPECT_TRUE(EntryNamesProgram("C:\\Programs\\Velloran\\Velloran.exe", viewer));
    EXPECT_FALSE(EntryNamesProgram("C:\\Programs\\Velloran\\Velloran.exe2 ^.bmp", viewer));
    EXPECT_FALSE(EntryNamesProgram("C:\\Other\\Velloran\\Velloran.exe ^.bmp", viewer));
    EXPECT_FALSE(EntryNamesProgram("mspaint.exe ^.bmp", viewer));
    EXPECT_FALSE(EntryNamesProgram("", viewer));
    EXPECT_FALSE(EntryNamesProgram("anything", ""));
}

TEST(UninstallPaths, NotedWinIniKeysAreWholeWords)
{
    EXPECT_TRUE(ListHasWord("png tif", "tif"));
    EXPECT_TRUE(ListHasWord("png tif", "png"));
    EXPECT_FALSE(ListHasWord("tiff jpeg", "tif"));
    EXPECT_FALSE(ListHasWord("tiff jpeg", "jpg"));
    EXPECT_FALSE(ListHasWord("", "bmp"));
}

TEST(RelaunchArguments, TheCopysArgumentsAreRead)
{
    RelaunchArguments arguments;
    ParseRelaunchArguments("/original \"C:\\Program Files\\Velloran\\uninstall.exe\" /wait 1234", &arguments);
    EXPECT_TRUE(arguments.isCopy);
    EXPECT_FALSE(arguments.quiet);
    EXPECT_STREQ("C:\\Program Files\\Velloran\\uninstall.exe", arguments.originalPath);
    EXPECT_EQ(1234u, arguments.originalProcessId);
}

// "/S" alone, from a tool, or after the copy's arguments when the original was quiet.
TEST(RelaunchArguments, SlashSAsksForAQuietRemoval)
{
    const struct { const char *tail; bool quiet, isCopy; } cases[] = {
        { "/S",                                      true,  false },
        { "  /s  ",                                  true,  false },
        { "/original \"C:\\x.exe\" /wait 12 /S",     true,  true  },
        { "/S /D=C:\\Velloran",                      false, false },
        { "/Silent",                                 false, false },
        { "/original \"C:\\x.exe\" /wait 12 /S /S",  false, false },
        { "/original \"C:\\x.exe\" /wait 12 /Sx",    false, false },
    };
    for (const auto &row : cases) {
        RelaunchArguments arguments;
        memset(&arguments, 0xA5, sizeof arguments);
        ParseRelaunchArguments(row.tail, &arguments);
        EXPECT_EQ(row.quiet, arguments.quiet) << row.tail;
        EXPECT_EQ(row.isCopy, arguments.isCopy) << row.tail;
        EXPECT_STREQ(row.isCopy ? "C:\\x.exe" : "", arguments.originalPath) << row.tail;
    }
}

TEST(RelaunchArguments, AnythingElseIsANormalStart)
{
    const char *tails[] = {
        "",
        "/original",
        "/original C:\\unquoted.exe /wait 12",
        "/original \"C:\\x.exe\"",
        "/original \"C:\\x.exe\" /wait",
        "/original \"C:\\x.exe\" /wait 12x",
        "/original \"C:\\x.exe\" /wait 12345678901",
        "/original \"C:\\x.exe\" /wait 12 more",
        "/original \"\" /wait 12",
        "/originalx \"C:\\x.exe\" /wait 12",
    };
    for (const char *tail : tails) {
        RelaunchArguments arguments;
        memset(&arguments, 0xA5, sizeof arguments);
        ParseRelaunchArguments(tail, &arguments);
        EXPECT_FALSE(arguments.isCopy) << tail;
        EXPECT_FALSE(arguments.quiet) << tail;
        EXPECT_STREQ("", arguments.originalPath) << tail;
    }
    std::string tooLong = "/original \"C:\\" + std::string(MAX_PATH, 'a') + "\" /wait 1";
    RelaunchArguments arguments;
    ParseRelaunchArguments(tooLong.c_str(), &arguments);
    EXPECT_FALSE(arguments.isCopy);
}

TEST(RelaunchArguments, CommandLineTailFollowsTheProgramName)
{
    EXPECT_STREQ("/wait 1", CommandLineTail("\"C:\\Program Files\\uninstall.exe\"  /wait 1"));
    EXPECT_STREQ("/wait 1", CommandLineTail("uninstall.exe /wait 1"));
    EXPECT_STREQ("", CommandLineTail("uninstall.exe"));
}

// What the original composes for its copy, the copy reads back.
TEST(RelaunchArguments, TheCopysCommandLineReadsBackAsComposed)
{
    const struct { const wchar_t *original; DWORD processId; bool quiet; size_t size; bool fits; } cases[] = {
        { L"C:\\Program Files\\Velloran\\uninstall.exe", 1234,        false, 256, true  },
        { L"C:\\V\\uninstall.exe",                    4294967295u, true,  256, true  },
        // "C:\T\uninstall.exe" /original "C:\V\u.exe" /wait 7 /S: 54 and the NUL.
        { L"C:\\V\\u.exe",                            7,           true,  55,  true  },
        { L"C:\\V\\u.exe",                            7,           true,  54,  false },
    };
    for (const auto &row : cases) {
        wchar_t line[256];
        ASSERT_EQ(row.fits, ComposeCopyCommandLine(L"C:\\T\\uninstall.exe", row.original, row.processId, row.quiet,
                                                   line, row.size)) << row.size;
        if (!row.fits)
            continue;
        char narrow[256], original[MAX_PATH];
        WideCharToMultiByte(CP_ACP, 0, line, -1, narrow, sizeof narrow, NULL, NULL);
        WideCharToMultiByte(CP_ACP, 0, row.original, -1, original, sizeof original, NULL, NULL);
        RelaunchArguments arguments;
        ParseRelaunchArguments(CommandLineTail(narrow), &arguments);
        EXPECT_TRUE(arguments.isCopy) << narrow;
        EXPECT_EQ(row.quiet, arguments.quiet) << narrow;
        EXPECT_STREQ(original, arguments.originalPath) << narrow;
        EXPECT_EQ(row.processId, arguments.originalProcessId) << narrow;
    }
}

TEST(UninstallPaths, AProgdirThatIsNoPlainFullPathIsRefused)
{
    const char *refused[] = { "C:\\", "C:", "Velloran", "C:\\Velloran\\..", "C:\\Velloran\\.\\x", "C:\\a\\\\b" };
    for (const char *dir : refused) {
        Installation installation = {};
        lstrcpynA(installation.programDir, dir, UNINSTALL_PATH_SIZE);
        RefuseUnplainProgramDir(&installation);
        EXPECT_STREQ("", installation.programDir) << dir;
        EXPECT_STREQ(dir, installation.refusedProgramDir);
    }
    Installation installation = {};
    lstrcpynA(installation.programDir, "C:\\Program Files\\Velloran", UNINSTALL_PATH_SIZE);
    RefuseUnplainProgramDir(&installation);
    EXPECT_STREQ("C:\\Program Files\\Velloran", installation.programDir);
    EXPECT_STREQ("", installation.refusedProgramDir);
}

TEST(SelfDeletion, CmdRunsWithoutTheUsersSettingsAndDeletesTheCopysFiles)
{
    wchar_t line[1024];
    ASSERT_TRUE(ComposeSelfDeletionCommand(L"C:\\windows\\system32", L"C:\\T\\V-1\\uninstall.exe",
                                           L"C:\\T\\V-1\\original-uninstall.exe", L"C:\\T\\V-1", line, 1024));
    EXPECT_STREQ(L"\"C:\\windows\\system32\\cmd.exe\" /D /V:OFF /c \"\"C:\\windows\\system32\\ping.exe\" -n 3 "
                 L"127.0.0.1 >nul & del /f /q \"C:\\T\\V-1\\uninstall.exe\" & del /f /q "
                 L"\"C:\\T\\V-1\\original-uninstall.exe\" & rd \"C:\\T\\V-1\"\"", line);
    ASSERT_TRUE(ComposeSelfDeletionCommand(L"C:\\windows\\system32", L"C:\\T\\uninstall.exe", L"", L"", line, 1024));
    EXPECT_EQ(NULL, wcsstr(line, L" rd ")) << "no folder, no rd";
}

TEST(SelfDeletion, APercentSignAQuoteOrALineTooLongIsRefused)
{
    const wchar_t *refused[][3] = {
        { L"C:\\T\\%COMSPEC%\\uninstall.exe", L"", L"" },
        { L"C:\\T\\uninstall.exe", L"C:\\T\\100%\\original-uninstall.exe", L"" },
        { L"C:\\T\\uninstall.exe", L"", L"C:\\T\\%TEMP%" },
        { L"C:\\T\\\"x\\uninstall.exe", L"", L"" },
    };
    wchar_t line[1024];
    for (const auto &paths : refused) {
        EXPECT_FALSE(ComposeSelfDeletionCommand(L"C:\\windows\\system32", paths[0], paths[1], paths[2], line, 1024))
            << paths[0] << paths[1] << paths[2];
        EXPECT_STREQ(L"", line);
    }
    EXPECT_FALSE(ComposeSelfDeletionCommand(L"C:\\windows\\system32", L"C:\\T\\uninstall.exe", L"", L"", line, 40));
}

class ClosingMessage : public ::testing::Test {
protected:
    void SetUp() override
    {
        memset(&report_, 0, sizeof report_);
        memset(&installation_, 0, sizeof installation_);
        lstrcpynA(installation_.programDir, "C:\\Programs\\Velloran", UNINSTALL_PATH_SIZE);
        lstrcpynA(installation_.shortcutDir, "C:\\Start Menu\\Velloran", UNINSTALL_PATH_SIZE);
    }
    std::string Compose()
    {
        char text[UNINSTALL_MESSAGE_SIZE];
        memset(text, 0xA5, sizeof text);
        EXPECT_TRUE(ComposeReport(&report_, &installation_, text, sizeof text));
        return text;
    }
    RemovalReport report_;
    Installation installation_;
};

TEST_F(ClosingMessage, CompleteRemovalCountsWhatWentAndLeavesNothing)
{
    report_.filesRemoved = 79;
    report_.foldersRemoved = 4;
    report_.shortcutsRemoved = 3;
    report_.keysRemoved = 3;
    report_.linksReleased = 1;
    report_.winIniEntriesRemoved = 11;
    std::string text = Compose();
    EXPECT_EQ(0u, text.find("Velloran has been removed from this computer."));
    EXPECT_NE(std::string::npos, text.find("79 program files, 4 folders, 3 shortcuts, 3 registry keys, "
                                           "1 file type link and 11 WIN.INI entries."));
    EXPECT_EQ(std::string::npos, text.find("not removed"));
    EXPECT_EQ(std::string::npos, text.find("left behind"));
    EXPECT_NE('\n', text[text.size() - 1]);
}

TEST_F(ClosingMessage, KeptFolderIsNamedWithWhatIsLeftInIt)
{
    report_.programDirKept = true;
    report_.itemsLeft = 2;
    std::string text = Compose();
    EXPECT_NE(std::string::npos, text.find("left behind"));
    EXPECT_NE(std::string::npos, text.find("The program folder C:\\Programs\\Velloran was not removed: it still "
                                           "holds 2 items that Velloran did not install (files you added)."));
}

TEST_F(ClosingMessage, MissingFolderAndProblemsAreMentioned)
{
    report_.programDirMissing = true;
    report_.filesScheduled = 1;
    report_.filesFailed = 2;
    report_.shortcutDirKept = true;
    std::string text = Compose();
    EXPECT_NE(std::string::npos, text.find("The program folder C:\\Programs\\Velloran was already gone."));
    EXPECT_NE(std::string::npos, text.find("1 file is in use and will be removed when Windows restarts."));
    EXPECT_NE(std::string::npos, text.find("Could not be removed: 2 program files."));
    EXPECT_NE(std::string::npos, text.find("The shortcut folder C:\\Start Menu\\Velloran was not removed"));
}

TEST_F(ClosingMessage, EverythingThatStayedIsCountedAndTheHeadingSaysSo)
{
    report_.filesRemoved = 79;
    report_.keysRemoved = 5;
    report_.shortcutsFailed = 1;
    report_.keysFailed = 1;
    report_.winIniEntriesFailed = 2;
    std::string text = Compose();
    EXPECT_EQ(0u, text.find("Velloran has been removed from this computer, with some things left behind.")) << text;
    EXPECT_NE(std::string::npos, text.find("Could not be removed: 1 shortcut, 1 registry key and 2 WIN.INI entries."))
        << text;
    report_.keysFailed = 0;
    report_.winIniEntriesFailed = 0;
    report_.linksFailed = 3;
    text = Compose();
    EXPECT_NE(std::string::npos, text.find("Could not be removed: 1 shortcut and 3 file type links.")) << text;
}

TEST_F(ClosingMessage, ASmallBufferIsNeverOverrun)
{
    char text[40];
    memset(text, 0xA5, sizeof text);
    EXPECT_FALSE(ComposeReport(&report_, &installation_, text, 30));
    EXPECT_LT(strlen(text), 30u);
    for (size_t i = 30; i < sizeof text; ++i)
        EXPECT_EQ((char)0xA5, text[i]);
}

}  // namespace
