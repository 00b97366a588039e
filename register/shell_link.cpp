// Writes one shortcut through the shell's link object. Each call stands
// alone: it initialises COM and shuts it down again.
#include "register/registration.h"

#include <objbase.h>
#include <objidl.h>
#include <shlobj.h>

// Converts into a buffer sized for the path, whatever its length.
static WCHAR *WidenPath(const char *path)
{
    int length = MultiByteToWideChar(CP_ACP, 0, path, -1, NULL, 0);
    if (length <= 0)
        return NULL;
    WCHAR *wide = (WCHAR *)HeapAlloc(GetProcessHeap(), 0, length * sizeof(WCHAR));
    if (wide)
        MultiByteToWideChar(CP_ACP, 0, path, -1, wide, length);
    return wide;
}

HRESULT CreateShellLink(const char *targetPath, const char *linkPath, const char *description)
{
    CoInitialize(NULL);
    IShellLinkA *link = NULL;
    HRESULT result = CoCreateInstance(CLSID_ShellLink, NULL, CLSCTX_INPROC_SERVER,
                                      IID_IShellLinkA, (void **)&link);
    if (SUCCEEDED(result)) {
        link->SetPath(targetPath);
        link->SetDescription(description);
        IPersistFile *file = NULL;
        result = link->QueryInterface(IID_IPersistFile, (void **)&file);
        if (SUCCEEDED(result)) {
            WCHAR *widePath = WidenPath(linkPath);
            result = widePath ? file->Save(widePath, TRUE) : E_OUTOFMEMORY;
            if (widePath)
                HeapFree(GetProcessHeap(), 0, widePath);
            file->Release();
        }
        link->Release();
    }
    CoUninitialize();
    return result;
}
