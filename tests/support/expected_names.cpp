#include "expected_names.h"

const char APP_PATHS_KEY[]           = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths";
const char APP_PATHS_ENTRY[]         = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\Velloran";
const char APP_PATHS_EXE_ENTRY[]     = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\Velloran.exe";
const char UNINSTALL_ENTRY[]         = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Velloran";
const char APPLICATION_KEY[]         = "SOFTWARE\\Classes\\Applications\\Velloran.exe";
const char VENDOR_KEY[]              = "SOFTWARE\\Velloran";
const char REGISTERED_APPLICATIONS[] = "SOFTWARE\\RegisteredApplications";
const char DOCUMENT_TYPE[]           = "VELLORAN1.Image";

const char *const IMAGE_TYPES[IMAGE_TYPE_COUNT] = {
    "bmp", "gif", "jpg", "jpeg", "jif", "png", "ppm", "tga", "pcx", "tif", "tiff"
};
const char *const SHORTCUT_FILES[SHORTCUT_FILE_COUNT] = { "\\Velloran.lnk", "\\Uninstall.lnk", "\\Readme.lnk" };

const REGSAM VIEW_FLAGS[VIEW_COUNT] = { KEY_WOW64_32KEY, KEY_WOW64_64KEY };
const char *const VIEW_NAMES[VIEW_COUNT] = { "32-bit view", "64-bit view" };

std::string ExtensionKey(int index)
{
    return std::string(".") + IMAGE_TYPES[index];
}
