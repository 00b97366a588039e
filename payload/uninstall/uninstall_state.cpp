#include "payload/uninstall/uninstall_state.h"

const char kUninstallCaption[] = "Velloran Uninstall";

const char kUninstallKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Velloran";
const char kAppPathsKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\Velloran";
const char kDocumentType[] = "VELLORAN1.Image";
const char kPreviousClassValue[] = "Velloran.Previous";

const char kViewerSuffix[] = "\\Velloran.exe";
const char kShortcutSuffixes[3][16] = { "\\Velloran.lnk", "\\Uninstall.lnk", "\\Readme.lnk" };

const char kImageTypes[IMAGE_TYPE_COUNT][6] = {
    "bmp", "gif", "jpg", "jpeg", "jif", "png", "ppm", "tga", "pcx", "tif", "tiff"
};
