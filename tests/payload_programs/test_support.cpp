#include "test_support.h"
#include <objbase.h>
#include <gtest/gtest.h>

// The pictures are read through the imaging component, as in the viewer,
// whose thread enters a COM apartment first; so does the tests' thread,
// before any test runs.
class ComApartment : public ::testing::Environment {
    void SetUp() override { CoInitializeEx(NULL, COINIT_APARTMENTTHREADED); }
    void TearDown() override { CoUninitialize(); }
};
static ::testing::Environment *const comApartment = ::testing::AddGlobalTestEnvironment(new ComApartment);
