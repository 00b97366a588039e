// The copy page as a person meets it: the files it unpacks into the chosen
// folder, its progress line and bar, its Cancel button at every moment, and
// the ways it fails.
#include "install_steps.h"

#include <algorithm>

namespace {

enum {
    // Rows on disk before a scenario acts in the middle of the copy.
    SOME_ROWS = 10,
    MORE_ROWS = 40,
    // Tries at pressing Cancel before the copy page's first tick.
    FIRST_TICK_TRIES = 3,
    // Pictures of the bar, one advance apart, until one shows it whole.
    REPAINT_TRIES = 3
};

class CopyPage : public InstallScenario {
protected:
    // The question a Cancel leads to, checked: the copy page's own.
    void WaitForCancelQuestion(HWND copyPage, HWND *question)
    {
        *question = WaitForBox(QUESTION);
        ASSERT_NE(*question, (HWND)NULL) << "Cancel on the copy page asked nothing";
        EXPECT_EQ(MessageBoxText(*question), COPY_CANCEL_QUESTION);
        EXPECT_EQ(GetWindow(*question, GW_OWNER), copyPage) << "the question belongs to the copy page";
    }

    // "Next", then Cancel pressed `clicks` times the moment the copy page
    // shows, before its first tick. *beforeAnyFile tells whether the question
    // came with no file copied yet, that is, from the first tick; if not, the
    // Cancel came too late (the machine was slow) and the setup has been ended.
    void CancelAtTheFirstTick(int clicks, HWND *copyPage, HWND *question, bool *beforeAnyFile)
    {
        *beforeAnyFile = false;
        HWND directory = NULL;
        ASSERT_NO_FATAL_FAILURE(OpenDirectoryPage(&directory));
        ASSERT_NO_FATAL_FAILURE(BrowseToRoot(directory));
        ASSERT_TRUE(PressButtonByText(directory, "Next"));
        ASSERT_NO_FATAL_FAILURE(WaitForCopyPageAtOnce(copyPage));
        for (int click = 0; click < clicks; ++click)
            ASSERT_TRUE(PressButton(*copyPage, IDCANCEL));
        ASSERT_NO_FATAL_FAILURE(WaitForCancelQuestion(*copyPage, question));
        *beforeAnyFile = FilesBelow(installDir_).empty();
        if (*beforeAnyFile)
            return;
        printf("Cancel came after the first tick; trying again\n");
        ASSERT_TRUE(PressButton(*question, IDYES));
        ASSERT_NO_FATAL_FAILURE(ConfirmCancelledAndExit());
        EndSetup(&setup_);
        RemoveTree(installDir_);
    }

    void CancelBeforeTheFirstTick(int clicks, HWND *copyPage, HWND *question)
    {
        bool beforeAnyFile = false;
        for (int attempt = 0; attempt < FIRST_TICK_TRIES && !beforeAnyFile; ++attempt)
            ASSERT_NO_FATAL_FAILURE(CancelAtTheFirstTick(clicks, copyPage, question, &beforeAnyFile));
        ASSERT_TRUE(beforeAnyFile) << "in " << FIRST_TICK_TRIES << " tries, a file was always copied before "
                                   << "the question, although Cancel was pressed as the copy page showed";
    }

    // A picture of the copy page in the middle of the copy, read and checked
    // against the rows on disk just before and just after it. A bar that was
    // covered and uncovered shows the control's own black in part until the
    // next advance repaints it, a picture taken while the bar is painted
    // may show its blue without the number drawn over it yet, and one taken
    // between the erasing of the previous line and the drawing of the next
    // shows no line, and Wine may put the page's drawing on the screen after
    // the file it went with is on disk; such a picture is taken again after
    // the next advance.
    void CheckCopyPagePicture(HWND copyPage, const char *label, int *blueWidth)
    {
        ScreenPicture picture;
        CopyPageReading reading;
        int before = 0, after = 0;
        for (int attempt = 0; attempt < REPAINT_TRIES; ++attempt) {
            if (attempt > 0) {
                ASSERT_TRUE(WaitForInstalledRows(after + 1, copyPage)) << "the copy stopped";
            }
            before = InstalledPrefix(installDir_);
            ASSERT_TRUE(CaptureScreen(&picture));
            after = InstalledPrefix(installDir_);
            ASSERT_TRUE(IsWindowVisible(copyPage)) << "the copy ended before the picture";
            ASSERT_TRUE(ReadCopyPage(picture, copyPage, &reading)) << "the copy page is not on the screen";
            if (reading.restIsBlackOrNumber && reading.whiteNumber && reading.lineDrawn
                && reading.blueWidth >= ExpectedBarEdge(reading.fullWidth, before))
                break;
        }
        std::string path = SavePicture(ScenarioShotName(label), picture);
        EXPECT_FALSE(path.empty()) << "cannot save the picture " << label;

        ASSERT_GE(reading.fullWidth, PROGRESS_DIVISOR) << "the bar is narrower than expected";
        EXPECT_TRUE(reading.restIsBlackOrNumber)
            << "the bar is not blue, then black: at (" << reading.oddPixelAt.x << ", " << reading.oddPixelAt.y
            << ") of " << reading.fullWidth << " pixels, colour " << std::hex << reading.oddPixel << std::dec
            << ", blue up to " << reading.blueWidth << "; " << path;
        // Every file on disk had its advance; the row after the last one may
        // have had its advance with no file yet.
        int lowest  = ExpectedBarEdge(reading.fullWidth, before);
        int highest = ExpectedBarEdge(reading.fullWidth, after + 1);
        EXPECT_GE(reading.blueWidth, lowest) << "rows on disk: " << before << " to " << after << "; " << path;
        EXPECT_LE(reading.blueWidth, highest) << "rows on disk: " << before << " to " << after << "; " << path;
        EXPECT_GT(reading.blueWidth, 0) << path;
        EXPECT_LT(reading.blueWidth, reading.fullWidth) << "the bar is full in the middle of the copy; " << path;
        EXPECT_TRUE(reading.whiteNumber) << "no white number on the bar; " << path;
        EXPECT_FALSE(reading.blueOutsideRows) << "blue above or below the bar's rows; " << path;
        EXPECT_TRUE(reading.lineDrawn) << "no progress line above the bar; " << path;
        EXPECT_EQ(reading.leftoverPixels, 0) << "the previous line still shows; " << path;
        EXPECT_GE(reading.lineLeft, PROGRESS_LINE_X) << path;
        EXPECT_LE(reading.lineLeft, PROGRESS_LINE_X + 2) << path;
        EXPECT_GE(reading.lineTop, PROGRESS_LINE_Y) << path;
        // Right of the current line (one of the rows in work while the
        // picture was taken) the band is the face colour: no earlier line
        // left a trace, not even the smoothed edge of a glyph.
        int widest = 0;
        for (int row = before > 0 ? before - 1 : 0; row <= after && row < PayloadRows(); ++row)
            widest = std::max(widest, ProgressLineWidth(row));
        EXPECT_LE(reading.inkRight, PROGRESS_LINE_X + widest + 1)
            << "a trace of an earlier line right of the current one (rows " << before << " to " << after
            << " in work); " << path;
        *blueWidth = reading.blueWidth;
    }
};

// The one whole copy into a fresh folder. Cancel pressed twice before the
// first tick asks once; after "No" the copy starts over at row 0 with the bar
// started then, and runs through to the shortcut page with no second
// question, the bar growing on the way, every file in place at the end.
TEST_F(CopyPage, CancelPressedTwiceBeforeTheFirstTickAsksOnceAndNoCopiesEveryFileUnderABarThatGrows)
{
    HWND copy = NULL, question = NULL, shortcuts = NULL;
    ASSERT_NO_FATAL_FAILURE(CancelBeforeTheFirstTick(2, &copy, &question));
    EXPECT_EQ(WindowClass(GetWindow(copy, GW_OWNER)), "SETUP") << "the copy page belongs to the main window";
    EXPECT_EQ(GetWindowLongA(copy, GWL_STYLE) & WS_SYSMENU, 0) << "the copy page has no close box";
    Shot("question");
    ASSERT_TRUE(PressButton(question, IDNO));
    ASSERT_TRUE(WaitForWindowGone(question, WINDOW_TIMEOUT_MS));

    int early = 0, later = 0;
    ASSERT_TRUE(WaitForInstalledRows(SOME_ROWS, copy)) << "the copy did not go on after \"No\"";
    ASSERT_NO_FATAL_FAILURE(CheckCopyPagePicture(copy, "copying-early", &early));
    ASSERT_TRUE(WaitForInstalledRows(MORE_ROWS, copy)) << "the copy stopped";
    ASSERT_NO_FATAL_FAILURE(CheckCopyPagePicture(copy, "copying-later", &later));
    EXPECT_GT(later, early) << "the bar did not grow";

    ASSERT_NO_FATAL_FAILURE(WaitForShortcutPageWithoutQuestion(&shortcuts));
    EXPECT_FALSE(IsWindow(copy) && IsWindowVisible(copy)) << "the copy page stayed";
    ExpectInstalledRows(PayloadRows());
    ExpectSubdirectories();
    ExpectNoTemporaryFiles();
    Screenshot("shortcuts");

    ASSERT_NO_FATAL_FAILURE(CancelShortcutPageAndExit(shortcuts));
    // Cancelling the shortcuts leaves the installed files where they are.
    ExpectInstalledRows(PayloadRows());
}

TEST_F(CopyPage, CancelBeforeTheFirstTickAnsweredYesInstallsNothing)
{
    HWND copy = NULL, question = NULL;
    ASSERT_NO_FATAL_FAILURE(CancelBeforeTheFirstTick(1, &copy, &question));
    ASSERT_TRUE(PressButton(question, IDYES));
    ASSERT_NO_FATAL_FAILURE(ConfirmCancelledAndExit());

    EXPECT_TRUE(FilesBelow(installDir_).empty()) << "a file was installed";
    ExpectNoTemporaryFiles();
    ExpectNothingRegistered();
}

TEST_F(CopyPage, CancelInTheMiddleAnsweredYesRemovesTheCopiedFilesAndKeepsTheFolders)
{
    HWND copy = NULL, question = NULL;
    ASSERT_NO_FATAL_FAILURE(OpenCopyPage(false, &copy));
    ASSERT_TRUE(WaitForInstalledRows(SOME_ROWS, copy)) << "the copy did not get under way";
    ASSERT_TRUE(PressButton(copy, IDCANCEL));
    ASSERT_NO_FATAL_FAILURE(WaitForCancelQuestion(copy, &question));

    // While the question is open no tick copies anything.
    int rowsAtQuestion = InstalledPrefix(installDir_);
    Screenshot("question");
    EXPECT_EQ(InstalledPrefix(installDir_), rowsAtQuestion) << "files were copied while the question was open";
    ASSERT_GE(rowsAtQuestion, (int)SOME_ROWS);
    ASSERT_LT(rowsAtQuestion, PayloadRows());
    ExpectInstalledRows(rowsAtQuestion);

    ASSERT_TRUE(PressButton(question, IDYES));
    ASSERT_NO_FATAL_FAILURE(ConfirmCancelledAndExit());
    EXPECT_TRUE(FilesBelow(installDir_).empty()) << "copied files stayed";
    EXPECT_TRUE(DirectoryExists(installDir_)) << "the install directory went away";
    ExpectSubdirectories();
    ExpectNoTemporaryFiles();
    ExpectNothingRegistered();
}

// Over an earlier installation and a file of the user's: what the copy
// replaced comes back as it was (a read-only file too), nothing that was
// kept aside stays, and the user's file is not touched.
TEST_F(CopyPage, CancelInTheMiddleOverAnEarlierInstallationGivesBackWhatItReplaced)
{
    std::vector<EarlierFile> earlier = {
        { "\\Velloran.exe", "an older Velloran.exe", FILE_ATTRIBUTE_NORMAL },
        { "\\readme.wri", "{\\rtf1 an older readme}", FILE_ATTRIBUTE_READONLY },
        { "\\my notes.txt", "the user's own notes", FILE_ATTRIBUTE_NORMAL },
    };
    const int readmeRow = RowInstalling("\\readme.wri");
    ASSERT_GT(readmeRow, 0) << "no row installs \\readme.wri";
    ASSERT_NO_FATAL_FAILURE(PlantEarlierFiles(&earlier));

    HWND copy = NULL, question = NULL;
    ASSERT_NO_FATAL_FAILURE(OpenCopyPage(true, &copy));
    // The row after the readme is the first one past both earlier files.
    ASSERT_TRUE(WaitForInstalledRows(readmeRow + 2, copy)) << "the copy did not get past the readme";
    EXPECT_EQ(FileText(installDir_ + "\\readme.wri"), FileText(ExpandedPayloadPath(readmeRow)))
        << "the read-only readme was not replaced";
    ASSERT_TRUE(PressButton(copy, IDCANCEL));
    ASSERT_NO_FATAL_FAILURE(WaitForCancelQuestion(copy, &question));
    ASSERT_LT(InstalledPrefix(installDir_), PayloadRows()) << "the copy was through before the question";

    ASSERT_TRUE(PressButton(question, IDYES));
    ASSERT_NO_FATAL_FAILURE(ConfirmCancelledAndExit());
    ExpectInstalledRows(0, earlier);
    ExpectSubdirectories();
    ExpectNoTemporaryFiles();
}

// An earlier Velloran.exe, replaced before the failure, is given back.
TEST_F(CopyPage, DestinationTakenByAFolderEndsWithTheCopyError)
{
    const int blockedRow = RowInstalling("\\readme.wri"), viewerRow = RowInstalling("\\Velloran.exe");
    ASSERT_GT(blockedRow, 0) << "no row installs \\readme.wri";
    ASSERT_TRUE(viewerRow >= 0 && viewerRow < blockedRow) << "Velloran.exe is not installed before the readme";
    std::vector<EarlierFile> earlier = { { "\\Velloran.exe", "an older Velloran.exe", FILE_ATTRIBUTE_NORMAL } };
    ASSERT_NO_FATAL_FAILURE(PlantEarlierFiles(&earlier));
    ASSERT_TRUE(CreateDirectoryA((installDir_ + "\\readme.wri").c_str(), NULL));

    HWND copy = NULL, failure = NULL;
    ASSERT_NO_FATAL_FAILURE(OpenCopyPage(true, &copy));
    ASSERT_NO_FATAL_FAILURE(WaitForBoxSaying("Unable to copy a file:", &failure));
    EXPECT_EQ(WindowText(failure), ERROR_CAPTION);
    EXPECT_EQ(GetWindow(failure, GW_OWNER), copy) << "the error belongs to the copy page";
    // The temporary file lies in the temp directory, or in a folder of its own there.
    std::string text = MessageBoxText(failure);
    const std::string fromLine = "Unable to copy a file:\nFrom=";
    const std::string toLine = "\nTo=" + installDir_ + "\\readme.wri\nProgram will exit";
    ASSERT_EQ(text.rfind(fromLine, 0), 0u) << text;
    ASSERT_GE(text.size(), fromLine.size() + toLine.size()) << text;
    EXPECT_EQ(text.substr(text.size() - toLine.size()), toLine) << text;
    std::string from = text.substr(fromLine.size(), text.size() - fromLine.size() - toLine.size());
    const std::string tempFile = "\\" + CompressedName(blockedRow);
    EXPECT_EQ(from.rfind(TempDirectory(), 0), 0u) << "From=" << from;
    ASSERT_GE(from.size(), tempFile.size()) << "From=" << from;
    EXPECT_EQ(from.substr(from.size() - tempFile.size()), tempFile) << "From=" << from;
    Screenshot("copy-error");
    // Nothing more is copied while the error is open.
    EXPECT_EQ(InstalledPrefix(installDir_), blockedRow);

    ASSERT_TRUE(PressButton(failure, IDOK));
    HWND setupError = WaitForBox(SETUP_ERROR);
    ASSERT_NE(setupError, (HWND)NULL) << "no \"" << SETUP_ERROR << "\" message after the copy error";
    EXPECT_EQ(MessageBoxText(setupError).rfind(SETUP_ERROR_START, 0), 0u) << MessageBoxText(setupError);
    EXPECT_FALSE(IsWindow(copy) && IsWindowVisible(copy)) << "the copy page stayed";
    Screenshot("setup-error");
    ASSERT_TRUE(PressButton(setupError, IDOK));
    EXPECT_EQ(WaitForExit(setup_, EXIT_TIMEOUT_MS), EXIT_FAILED);

    // The rows before stay installed but for the file given back; no later
    // row was copied.
    ExpectInstalledRows(blockedRow, earlier);
    EXPECT_TRUE(DirectoryExists(installDir_ + "\\readme.wri"));
    ExpectNoTemporaryFiles();
    ExpectNothingRegistered();
}

}  // namespace
