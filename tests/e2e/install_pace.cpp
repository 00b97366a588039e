// Figures for tools/bench_install.sh: how long one install takes from the
// copy page's opening to its last file, against the floor that its timer sets
// (81 ticks of 50 ms), and its longest tick; and how long the setup takes
// from its start to the agreement page. They measure and print; they do not
// judge the figures. Disabled, so that they run only when asked for with
// --gtest_also_run_disabled_tests.
#include "install_steps.h"

#include <algorithm>
#include <stdio.h>

namespace {

enum { TICKS_AT_LEAST = 81, TICK_MS = 50, FILETIME_UNITS_PER_MS = 10000, FIRST_PAGE_STARTS = 3,
       FIRST_PAGE_POLL_MS = 2 };

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

    // Asks the copy page again and again whether it answers, until it is
    // gone: a tick at work holds the answer up for as long as it works. Each
    // wait is put down to the last row whose file was there by the answer.
    void WatchTheCopy(HWND copyPage, std::vector<Span> *waits)
    {
        const int rows = PayloadRows();
        int next = 0;
        DWORD start = GetTickCount();
        for (;;) {
            ULONGLONG asked = Now();
            DWORD_PTR ignored;
            if (!SendMessageTimeoutA(copyPage, WM_NULL, 0, 0, SMTO_NORMAL, WINDOW_TIMEOUT_MS, &ignored) ||
                !IsWindowVisible(copyPage))
                return;
            ULONGLONG answered = Now();
            while (next < rows && IsFile(installDir_ + DestinationSuffix(next)))
                ++next;
            waits->push_back({ answered - asked, next - 1 });
            ASSERT_LT(GetTickCount() - start, (DWORD)WINDOW_TIMEOUT_MS) << "the copy did not end";
        }
    }
};

TEST_F(InstallPace, DISABLED_CopyPageFigures)
{
    HWND directory = NULL, copy = NULL, shortcuts = NULL;
    ASSERT_NO_FATAL_FAILURE(OpenDirectoryPage(&directory));
    ASSERT_NO_FATAL_FAILURE(BrowseToRoot(directory));
    ASSERT_TRUE(PressButtonByText(directory, "Next"));
    ASSERT_NO_FATAL_FAILURE(WaitForCopyPageAtOnce(&copy));
    ULONGLONG opened = Now();
    std::vector<Span> waits;
    ASSERT_NO_FATAL_FAILURE(WatchTheCopy(copy, &waits));
    ASSERT_NO_FATAL_FAILURE(WaitForShortcutPageWithoutQuestion(&shortcuts));
    ULONGLONG completed = Now();
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
    printf("[ figures  ] copy page open -> shortcut page shown: %.2f s; ratio %.2f\n", toComplete / 1000,
           toComplete / floorMs);
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

// From the call that creates the setup's process to its agreement page being
// visible, a few starts one after the other; each start is cancelled on the
// page, as a person would, and has ended before the next begins.
TEST_F(InstallPace, DISABLED_FirstPageFigures)
{
    std::vector<double> starts;
    for (int start = 0; start < FIRST_PAGE_STARTS; ++start) {
        double created = CounterMs();
        ASSERT_NO_FATAL_FAILURE(StartSetupIn());
        // A short poll of its own: WaitForPage's pause would round the figure up.
        HWND agreement = NULL;
        double shown;
        for (;;) {
            agreement = WaitForWindow(AGREEMENT_PAGE, "#32770", setup_.processId, 0);
            shown = CounterMs();
            if (agreement)
                break;
            ASSERT_LT(shown - created, (double)WINDOW_TIMEOUT_MS) << "the agreement page did not show";
            Sleep(FIRST_PAGE_POLL_MS);
        }
        starts.push_back(shown - created);

        ASSERT_TRUE(PressButton(agreement, IDCANCEL));
        HWND question = WaitForBox(QUESTION);
        ASSERT_NE(question, (HWND)NULL) << "no question after Cancel";
        ASSERT_TRUE(PressButton(question, IDYES));
        ASSERT_NO_FATAL_FAILURE(ConfirmCancelledAndExit());
        EndSetup(&setup_);
    }

    std::string each;
    for (double ms : starts)
        each += (each.empty() ? "" : ", ") + std::to_string((long)(ms + 0.5)) + " ms";
    std::vector<double> sorted = starts;
    std::sort(sorted.begin(), sorted.end());
    printf("[ figures  ] start -> agreement page visible, %d starts: %s; median %.0f ms\n", FIRST_PAGE_STARTS,
           each.c_str(), sorted[sorted.size() / 2]);
    fflush(stdout);
}

}  // namespace
