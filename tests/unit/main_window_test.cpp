// The main window's creation and its step runner, on a real main window.
#include "shell/main_window.h"
#include "shell/setup_state.h"

#include <gtest/gtest.h>
#include <string.h>
#include <string>

namespace {

class MainWindowTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        g_instance = GetModuleHandleA(NULL);
        strcpy(g_className, "SETUP");
        WNDCLASSA windowClass = {};
        windowClass.lpfnWndProc   = MainWindowProc;
        windowClass.hInstance     = g_instance;
        windowClass.lpszClassName = g_className;
        RegisterClassA(&windowClass);
    }

    void TearDown() override
    {
        if (g_mainWindow)
            DestroyWindow(g_mainWindow);
        g_mainWindow = NULL;
        // The window's destruction posts a quit message that no loop reads.
        MSG message;
        while (PeekMessageA(&message, NULL, WM_QUIT, WM_QUIT, PM_REMOVE)) {
        }
        SetCurrentDirectoryA(savedDirectory);
    }

    void SetUp() override { GetCurrentDirectoryA(MAX_PATH, savedDirectory); }

    // Creates the main window without running its message loop, so that no
    // page opens.
    void CreateMainWindow()
    {
        g_mainWindow = CreateWindowExA(0, g_className, g_className, WS_POPUP, 0, 0, 0, 0,
                                       NULL, NULL, g_instance, NULL);
        ASSERT_NE(g_mainWindow, (HWND)NULL);
    }

    char savedDirectory[MAX_PATH];
};

// The folder the setup was started in is stored, a drive root as "C:". The
// window covers the screen without a caption and schedules the agreement;
// unknown timer ids leave that timer alone. ScheduleStep replaces the timer.
TEST_F(MainWindowTest, CreationStoresTheStartFolderCoversTheScreenAndSchedulesTheAgreementStep)
{
    char windows[MAX_PATH];
    GetWindowsDirectoryA(windows, MAX_PATH);
    for (const std::string &folder : { std::string(windows), std::string("C:\\") }) {
        ASSERT_TRUE(SetCurrentDirectoryA(folder.c_str()));
        if (g_mainWindow)
            DestroyWindow(g_mainWindow);
        CreateMainWindow();
        EXPECT_STRCASEEQ(g_startDir, folder == "C:\\" ? "C:" : windows);
    }
    RECT rect;
    GetWindowRect(g_mainWindow, &rect);
    EXPECT_EQ(rect.left, 0);
    EXPECT_EQ(rect.top, 0);
    EXPECT_EQ(rect.right, GetSystemMetrics(SM_CXSCREEN));
    EXPECT_EQ(rect.bottom, GetSystemMetrics(SM_CYSCREEN));
    EXPECT_EQ(GetWindowLongA(g_mainWindow, GWL_STYLE) & WS_CAPTION, 0);
    SendMessageA(g_mainWindow, WM_TIMER, 499, 0);
    SendMessageA(g_mainWindow, WM_TIMER, 507, 0);
    EXPECT_EQ(g_stepTimer, (UINT_PTR)STEP_AGREEMENT);
    // The timer exists: killing it succeeds once.
    EXPECT_TRUE(KillTimer(g_mainWindow, STEP_AGREEMENT));
    ScheduleStep(STEP_SUCCESS, 60000);
    EXPECT_EQ(g_stepTimer, (UINT_PTR)STEP_SUCCESS);
    StopStepTimer();
    EXPECT_FALSE(KillTimer(g_mainWindow, STEP_SUCCESS));
}

TEST_F(MainWindowTest, CommandThreeHundredDestroysTheWindowQuietlyAsACancel)
{
    CreateMainWindow();
    SendMessageA(g_mainWindow, WM_COMMAND, 300, 0);
    EXPECT_FALSE(IsWindow(g_mainWindow));
    g_mainWindow = NULL;
    MSG message;
    ASSERT_TRUE(PeekMessageA(&message, NULL, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(message.wParam, 1602u) << "the exit code of a cancelled setup";
}

} // namespace
