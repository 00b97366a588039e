#include "test_support.h"
#include <objbase.h>
#include <gtest/gtest.h>
#include <algorithm>

// The pictures are read through the imaging component, as in the viewer,
// whose thread enters a COM apartment first; so does the tests' thread,
// before any test runs.
class ComApartment : public ::testing::Environment {
    void SetUp() override { CoInitializeEx(NULL, COINIT_APARTMENTTHREADED); }
    void TearDown() override { CoUninitialize(); }
};
static ::testing::Environment *const comApartment = ::testing::AddGlobalTestEnvironment(new ComApartment);


std::string MakeTestFolder(const char *stem)
{
    char temp[MAX_PATH];
    DWORD length = GetTempPathA(sizeof temp, temp);
    if (length == 0 || length >= sizeof temp)
        return std::string();
    return MakeUniqueFolder(temp, std::string(stem) + " ");
}

bool StartProgram(const std::string &exe, const std::string &tail, Program *program)
{
    return StartProcess(exe, tail, std::string(), SW_SHOWNORMAL, &program->process, &program->id);
}

void EndProgram(Program *program)
{
    EndProcess(&program->process, program->id);
}

bool WaitForTitle(HWND window, const char *title, DWORD timeout)
{
    return WaitUntil([&] { return WindowText(window) == title; }, timeout);
}
