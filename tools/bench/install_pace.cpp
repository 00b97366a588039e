// Figures for tools/bench_install.sh: how long one install takes from the
// copy page's opening to its last file and to the shortcut page, against the
// floor that its timer sets (81 ticks of 50 ms), and its longest tick; and how
// long the setup takes from its start to the agreement page, beside a window
// program that does nothing else (plain_window.exe). They measure and print;
// they do not judge the figures.
#include "install_steps.h"

#include <algorithm>
#include <stdio.h>

namespace {

enum { TICKS_AT_LEAST = 81, TICK_MS = 50, FILETIME_UNITS_PER_MS = 10000, FIRST_PAGE_STARTS = 5,
       SHORT_POLL_MS = 2 };

// The setup's own first timer: the agreement page comes this long after the
// main window, by design.
const double FIRST_TIMER_MS = 100;
// The yardstick of the start-up figure, built beside this program.
const char PLAIN_WINDOW_EXE[]     = "plain_window.exe";
const char PLAIN_WINDOW_CLASS[]   = "VelloranPlainWindow";
const char PLAIN_WINDOW_CAPTION[] = "Velloran plain window";

ULONGLONG Units(const FILETIME &time)
{
    return ((ULONGLONG)time.dwHighDateTime << 32) | time.dwLowDateTime;
}

ULONGLONG Now()
{
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    return Units(now);
}

double Milliseconds(ULONGLONG units)
{
    return (double)units / FILETIME_UNITS_PER_MS;
}

bool LastWritten(const std::string &path, ULONGLONG *written, DWORD *size)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data))
        return false;
    *written = Units(data.ftLastWriteTime);
    *size = data.nFileSizeLow;
    return true;
}

// The performance counter in milliseconds: finer than the system time for
// spans of a fraction of a second.
double CounterMs()
{
    LARGE_INTEGER count, frequency;
    QueryPerformanceCounter(&count);
    QueryPerformanceFrequency(&frequency);
    return (double)count.QuadPart * 1000 / (double)frequency.QuadPart;
}

// The time from `created` until the window shows, polled without the
// harness's longer pause, which would round the figure up.
bool TimeToWindow(const char *caption, const char *className, DWORD processId, double created, double *ms)
{
    return WaitUntil([&] {
        HWND window = WaitForWindow(caption, className, processId, 0);
        *ms = CounterMs() - created;
        return window != NULL;
    }, WINDOW_TIMEOUT_MS, SHORT_POLL_MS);
}

std::string PlainWindowPath()
{
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(NULL, path, MAX_PATH);
    std::string folder(path, length < MAX_PATH ? length : 0);
    return folder.substr(0, folder.find_last_of('\\') + 1) + PLAIN_WINDOW_EXE;
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

std::string EachMs(const std::vector<double> &values)
{
    std::string each;
    for (double ms : values)
        each += (each.empty() ? "" : ", ") + std::to_string((long)(ms + 0.5));
    return each + " ms";
}

struct Span {
    ULONGLONG length;
    int row;
};

bool LongestFirst(const Span &a, const Span &b)
{
    return a.length > b.length;
}

class InstallPace : public InstallScenario {
protected:
    // A row whose destination another row writes too has no time of its own.
    bool Measurable(int row) const
    {
        for (int other = 0; other < PayloadRows(); ++other)
            if (other != row && DestinationSuffix(other) == DestinationSuffix(row))
                return false;
        return true;
    }

    // Asks the copy page again and again whether it answers, until every
    // file is there: a tick at work holds the answer up for as long as it
    // works. Each wait is put down to the last row whose file was there by the
    // answer. No question is left waiting when the copy ends, so the shortcut
    // page's time is the setup's own.
    void WatchTheCopy(HWND copyPage, std::vector<Span> *waits)
    {
        const int rows = PayloadRows();
        int next = 0;
        // Each question waits for its answer: no pause between them.
        ASSERT_TRUE(WaitUntil([&] {
            ULONGLONG asked = Now();
            DWORD_PTR ignored;
            if (!SendMessageTimeoutA(copyPage, WM_NULL, 0, 0, SMTO_NORMAL, WINDOW_TIMEOUT_MS, &ignored) ||
                !IsWindowVisible(copyPage))
                return true;
            ULONGLONG answered = Now();
            while (next < rows && FileExists(installDir_ + DestinationSuffix(next)))
                ++next;
            waits->push_back({ answered - asked, next - 1 });
            return next == rows;
        }, WINDOW_TIMEOUT_MS, 0)) << "the copy did not end";
    }
};

TEST_F(InstallPace, CopyPageFigures)
{
    HWND directory = NULL, copy = NULL, shortcuts = NULL;
    ASSERT_NO_FATAL_FAILURE(OpenDirectoryPage(&directory));
    ASSERT_NO_FATAL_FAILURE(BrowseToRoot(directory));
    ASSERT_TRUE(PressButtonByText(directory, "Next"));
    ASSERT_NO_FATAL_FAILURE(WaitForCopyPageAtOnce(&copy));
    ULONGLONG opened = Now();
    std::vector<Span> waits;
    ASSERT_NO_FATAL_FAILURE(WatchTheCopy(copy, &waits));
    // The last file is there: a short poll of its own for the shortcut page,
    // as WaitForShortcutPageWithoutQuestion's pause would round the figure
    // up; that one then checks that no other box came with it.
    ASSERT_TRUE(WaitUntil([&] { return WaitForWindow(SHORTCUT_PAGE, "#32770", setup_.processId, 0) != NULL; },
                          WINDOW_TIMEOUT_MS, SHORT_POLL_MS))
        << "the shortcut page did not show";
    ULONGLONG completed = Now();
    ASSERT_NO_FATAL_FAILURE(WaitForShortcutPageWithoutQuestion(&shortcuts));
    // Figures of an incomplete install would mean nothing.
    ExpectInstalledRows(PayloadRows());
    ASSERT_FALSE(HasFailure());
    ASSERT_FALSE(waits.empty());

    const int rows = PayloadRows();
    std::vector<ULONGLONG> written(rows, 0);
    std::vector<DWORD> sizes(rows, 0);
    ULONGLONG lastFile = 0;
    for (int row = 0; row < rows; ++row) {
        ASSERT_TRUE(LastWritten(installDir_ + DestinationSuffix(row), &written[row], &sizes[row]));
        lastFile = std::max(lastFile, written[row]);
    }
    std::vector<Span> spacing;
    for (int row = 1; row < rows; ++row)
        if (Measurable(row) && Measurable(row - 1))
            spacing.push_back({ written[row] - written[row - 1], row });
    std::sort(spacing.begin(), spacing.end(), LongestFirst);
    std::sort(waits.begin(), waits.end(), LongestFirst);

    const double floorMs = TICKS_AT_LEAST * TICK_MS;
    double toLastFile = Milliseconds(lastFile - opened), toComplete = Milliseconds(completed - opened);
    printf("[ figures  ] copy page open -> last file installed: %.2f s; floor %.2f s (81 ticks of 50 ms); ratio %.2f\n",
           toLastFile / 1000, floorMs / 1000, toLastFile / floorMs);
    printf("[ figures  ] copy page open -> shortcut page shown: %.2f s; floor %.2f s; ratio %.2f "
           "(last file -> shortcut page: %.0f ms)\n",
           toComplete / 1000, floorMs / 1000, toComplete / floorMs, Milliseconds(completed - lastFile));
    printf("[ figures  ] one file to the next: median %.0f ms, longest %.0f ms (to row %d %s)\n",
           Milliseconds(spacing[spacing.size() / 2].length), Milliseconds(spacing.front().length),
           spacing.front().row, DestinationSuffix(spacing.front().row).c_str());
    printf("[ figures  ] the copy page answered %u messages, median in %.1f ms\n", (unsigned)waits.size(),
           Milliseconds(waits[waits.size() / 2].length));
    for (size_t i = 0; i < waits.size() && i < 3; ++i) {
        int row = waits[i].row;
        std::string after = row < 0 ? std::string("before the first file")
                                    : "by the end row " + std::to_string(row) + " " + DestinationSuffix(row) + " (" +
                                          std::to_string(sizes[row]) + " bytes) was there";
        printf("[ figures  ] longest tick %u: no answer for %.0f ms, %s\n", (unsigned)(i + 1),
               Milliseconds(waits[i].length), after.c_str());
    }
    fflush(stdout);

    ASSERT_NO_FATAL_FAILURE(CancelShortcutPageAndExit(shortcuts));
}

// From the call that creates a process to its first window being visible:
// the setup's agreement page, and the plain window program's window, in
// turns, so that both meet the same load. Each setup is cancelled on the
// page, as a person would, and each program has ended before the next starts.
TEST_F(InstallPace, FirstPageFigures)
{
    const std::string plainWindow = PlainWindowPath();
    ASSERT_TRUE(FileExists(plainWindow)) << plainWindow;
    std::vector<double> setupStarts, plainStarts;
    for (int start = 0; start < FIRST_PAGE_STARTS; ++start) {
        double created = CounterMs(), shown;
        ASSERT_NO_FATAL_FAILURE(StartSetupIn());
        ASSERT_TRUE(TimeToWindow(AGREEMENT_PAGE, "#32770", setup_.processId, created, &shown))
            << "the agreement page did not show";
        setupStarts.push_back(shown);
        HWND agreement = WaitForPage(AGREEMENT_PAGE);
        ASSERT_TRUE(PressButton(agreement, IDCANCEL));
        HWND question = WaitForBox(QUESTION);
        ASSERT_NE(question, (HWND)NULL) << "no question after Cancel";
        ASSERT_TRUE(PressButton(question, IDYES));
        ASSERT_NO_FATAL_FAILURE(ConfirmCancelledAndExit());
        EndSetup(&setup_);

        SetupProcess plain = {};
        created = CounterMs();
        ASSERT_TRUE(StartSetup(scratch_, &plain, plainWindow)) << "cannot start " << plainWindow;
        bool came = TimeToWindow(PLAIN_WINDOW_CAPTION, PLAIN_WINDOW_CLASS, plain.processId, created, &shown);
        HWND window = WaitForWindow(PLAIN_WINDOW_CAPTION, PLAIN_WINDOW_CLASS, plain.processId, 0);
        if (window)
            PostMessageA(window, WM_CLOSE, 0, 0);
        DWORD code = WaitForExit(plain, EXIT_TIMEOUT_MS);
        EndSetup(&plain);
        ASSERT_TRUE(came) << "the plain window did not show";
        ASSERT_EQ(code, 0u) << "the plain window program did not end by itself";
        plainStarts.push_back(shown);
    }

    double setupMedian = Median(setupStarts), plainMedian = Median(plainStarts);
    printf("[ figures  ] start -> agreement page visible, %d starts: %s; median %.0f ms\n", FIRST_PAGE_STARTS,
           EachMs(setupStarts).c_str(), setupMedian);
    printf("[ figures  ] start -> plain window visible, %d starts: %s; median %.0f ms\n", FIRST_PAGE_STARTS,
           EachMs(plainStarts).c_str(), plainMedian);
    printf("[ figures  ] start: the setup takes %.0f ms more, of which %.0f ms is its first timer\n",
           setupMedian - plainMedian, FIRST_TIMER_MS);
    fflush(stdout);
}

}  // namespace
