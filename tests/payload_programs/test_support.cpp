#include "test_support.h"
#include <objbase.h>
#include <gtest/gtest.h>
#include <stdlib.h>

// The pictures are read through the imaging component, as in the viewer,
// whose thread enters a COM apartment first; so does the tests' thread,
// before any test runs.
class ComApartment : public ::testing::Environment {
    void SetUp() override { CoInitializeEx(NULL, COINIT_APARTMENTTHREADED); }
    void TearDown() override { CoUninitialize(); }
};
static ::testing::Environment *const comApartment = ::testing::AddGlobalTestEnvironment(new ComApartment);

std::string ToolPictureFolder()
{
    return PathFromEnvironment("VELLORAN_TEST_PICTURES");
}

bool Near(DWORD actual, DWORD expected, int tolerance)
{
    for (int shift = 0; shift < 32; shift += 8)
        if (abs((int)((actual >> shift) & 0xFF) - (int)((expected >> shift) & 0xFF)) > tolerance)
            return false;
    return true;
}
