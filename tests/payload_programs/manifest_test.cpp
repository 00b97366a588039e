// The manifests the three programs carry, read from the built files as
// Windows reads them: the rights each asks for, Common Controls 6, the
// supported systems, system DPI awareness, and the DLLs each pins to the
// system.
#include "test_support.h"
#include <gtest/gtest.h>
#include <string>

namespace {

std::string ManifestOf(const std::string &program)
{
    HMODULE module = LoadLibraryExA(program.c_str(), NULL, LOAD_LIBRARY_AS_DATAFILE);
    if (!module)
        return std::string();
    std::string text;
    HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24));
    HGLOBAL loaded = found ? LoadResource(module, found) : NULL;
    const char *bytes = loaded ? (const char *)LockResource(loaded) : NULL;
    if (bytes)
        text.assign(bytes, SizeofResource(module, found));
    FreeLibrary(module);
    return text;
}

TEST(Manifests, EachProgramAsksForItsRights)
{
    const struct {
        const char *path, *name, *level;
    } programs[] = {
        { SETUP_EXE, "VelloranSetup.exe", "requireAdministrator" },
        { UNINSTALL_EXE, "uninstall.exe", "requireAdministrator" },
        { VELLORAN_EXE, "Velloran.exe", "asInvoker" },
    };
    for (const auto &program : programs) {
        SCOPED_TRACE(program.name);
        std::string manifest = ManifestOf(ToWindowsPath(program.path));
        ASSERT_FALSE(manifest.empty()) << "no manifest";
        EXPECT_NE(manifest.find(std::string("<requestedExecutionLevel level=\"") + program.level + "\""),
                  std::string::npos);
        EXPECT_NE(manifest.find("name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\""), std::string::npos);
        EXPECT_NE(manifest.find("<supportedOS Id=\"{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}\"/>"), std::string::npos)
            << "does not name Windows 10 and 11";
        EXPECT_EQ(manifest.find('@'), std::string::npos) << "a placeholder was left";
        // Without it Windows stretches the program as a bitmap at 125 % and more.
        size_t settings = manifest.find("<application xmlns=\"urn:schemas-microsoft-com:asm.v3\">");
        size_t aware = manifest.find(
            "<dpiAware xmlns=\"http://schemas.microsoft.com/SMI/2005/WindowsSettings\">true</dpiAware>");
        EXPECT_NE(aware, std::string::npos) << "does not declare DPI awareness";
        EXPECT_TRUE(settings < aware && manifest.find("<windowsSettings>", settings) < aware)
            << "dpiAware is not inside application/windowsSettings";
        for (const char *dll : { "version.dll", "uxtheme.dll", "dwmapi.dll", "cryptbase.dll" })
            EXPECT_NE(manifest.find(std::string("<file loadFrom=\"%SystemRoot%\\system32\\\" name=\"") + dll +
                                    "\"/>"),
                      std::string::npos) << dll;
    }
}

} // namespace
