// Makes Velloran the program that opens eleven image types: WIN.INI entries
// for old programs, the existing extension keys and the document type.
#include "register/registration.h"

#include "shell/setup_state.h"
#include "shell/text.h"

#include <shlobj.h>
#include <string.h>

// A class name is a key name: at most 255 characters.
enum { PROFILE_PROBE_SIZE = 5, VALUE_BUFFER_SIZE = PATH_BUFFER_SIZE + 64, PREVIOUS_CLASS_SIZE = 256 };

static const char DOCUMENT_TYPE[] = "VELLORAN1.Image";
// Beside an extension's default value, the class it named before: the
// uninstaller (payload/uninstall, same name) gives the extension back to it.
static const char PREVIOUS_CLASS_VALUE[] = "Velloran.Previous";

struct ImageType {
    const char *profileKey;
    const char *extensionKey;
};

static const ImageType kImageTypes[] = {
    { "bmp",  ".bmp"  }, { "gif",  ".gif"  }, { "jpg", ".jpg" }, { "jpeg", ".jpeg" },
    { "jif",  ".jif"  }, { "png",  ".png"  }, { "ppm", ".ppm" }, { "tga",  ".tga"  },
    { "pcx",  ".pcx"  }, { "tif",  ".tif"  }, { "tiff", ".tiff" },
};

static void SetDefaultText(HKEY key, const char *text)
{
    RegSetValueExA(key, "", 0, REG_SZ, (const BYTE *)text, (DWORD)strlen(text) + 1);
}

static HKEY CreateSubkey(HKEY parent, const char *name)
{
    HKEY key;
    DWORD disposition;
    if (RegCreateKeyExA(parent, name, 0, (LPSTR)"", REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                        NULL, &key, &disposition) != ERROR_SUCCESS)
        return NULL;
    return key;
}

// An entry already holding text is someone else's and stays. A new one uses
// the classic form: the program, a caret, and the dotted extension.
static void WriteProfileEntries()
{
    for (size_t i = 0; i < ARRAYSIZE(kImageTypes); ++i) {
        char probe[PROFILE_PROBE_SIZE];
        if (GetProfileStringA("extensions", kImageTypes[i].profileKey, "", probe, PROFILE_PROBE_SIZE) != 0)
            continue;
        g_targetPath[0] = '\0';
        AppendText(g_targetPath, PATH_BUFFER_SIZE, g_installDir);
        AppendText(g_targetPath, PATH_BUFFER_SIZE, "\\Velloran.exe ^");
        AppendText(g_targetPath, PATH_BUFFER_SIZE, kImageTypes[i].extensionKey);
        WriteProfileStringA("extensions", kImageTypes[i].profileKey, g_targetPath);
    }
}

// Notes the class the extension names, unless that is ours already: a
// repeated setup must not note itself as the one to give the extension back to.
static void NotePreviousClass(HKEY key)
{
    char previous[PREVIOUS_CLASS_SIZE];
    DWORD type = 0;
    DWORD size = sizeof(previous) - 1;
    if (RegQueryValueExA(key, "", NULL, &type, (BYTE *)previous, &size) != ERROR_SUCCESS || type != REG_SZ)
        return;
    previous[size] = '\0';
    if (previous[0] == '\0' || lstrcmpiA(previous, DOCUMENT_TYPE) == 0)
        return;
    RegSetValueExA(key, PREVIOUS_CLASS_VALUE, 0, REG_SZ, (const BYTE *)previous, (DWORD)strlen(previous) + 1);
}

// Only extensions the system knows already are pointed at the document type.
static void PointExtensionKeys()
{
    for (size_t i = 0; i < ARRAYSIZE(kImageTypes); ++i) {
        HKEY key;
        if (RegOpenKeyExA(HKEY_CLASSES_ROOT, kImageTypes[i].extensionKey, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS)
            continue;
        NotePreviousClass(key);
        SetDefaultText(key, DOCUMENT_TYPE);
        RegCloseKey(key);
    }
}

// The program and the document are quoted so that paths with spaces open.
static void WriteDocumentType()
{
    HKEY root;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, "", 0, KEY_READ | KEY_SET_VALUE | KEY_CREATE_SUB_KEY, &root) != ERROR_SUCCESS)
        return;
    HKEY documentType = CreateSubkey(root, DOCUMENT_TYPE);
    RegCloseKey(root);
    if (!documentType)
        return;
    SetDefaultText(documentType, "Velloran 1.00");

    char value[VALUE_BUFFER_SIZE];
    HKEY icon = CreateSubkey(documentType, "DefaultIcon");
    if (icon) {
        value[0] = '\0';
        AppendText(value, VALUE_BUFFER_SIZE, g_installDir);
        AppendText(value, VALUE_BUFFER_SIZE, "\\Velloran.exe,0");
        SetDefaultText(icon, value);
        RegCloseKey(icon);
    }

    // shell \ open \ command, each made below the one before; the walk stops
    // at the first level that cannot be made.
    static const char *const kCommandLevels[] = { "shell", "open", "command" };
    HKEY level = documentType;
    for (size_t i = 0; i < ARRAYSIZE(kCommandLevels) && level; ++i) {
        HKEY next = CreateSubkey(level, kCommandLevels[i]);
        RegCloseKey(level);
        level = next;
    }
    if (level) {
        value[0] = '\0';
        AppendText(value, VALUE_BUFFER_SIZE, "\"");
        AppendText(value, VALUE_BUFFER_SIZE, g_installDir);
        AppendText(value, VALUE_BUFFER_SIZE, "\\Velloran.exe\" \"%1\"");
        SetDefaultText(level, value);
        RegCloseKey(level);
    }
}

void RegisterImageTypes()
{
    WriteProfileEntries();
    PointExtensionKeys();
    WriteDocumentType();
    SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST, NULL, NULL);
}
