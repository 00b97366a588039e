#include "shortcut_reader.h"

#include "win_support.h"

#include <objbase.h>
#include <shlobj.h>

ShortcutInfo ReadShortcut(const std::string &linkPath)
{
    ShortcutInfo info;
    HRESULT com = CoInitialize(NULL);
    IShellLinkA *link = NULL;
    if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, NULL, CLSCTX_INPROC_SERVER, IID_IShellLinkA, (void **)&link))) {
        IPersistFile *file = NULL;
        if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, (void **)&file))) {
            if (SUCCEEDED(file->Load(Wide(linkPath).c_str(), STGM_READ))) {
                char text[MAX_PATH * 4] = "";
                if (SUCCEEDED(link->GetPath(text, sizeof(text), NULL, SLGP_RAWPATH)))
                    info.target = text;
                text[0] = '\0';
                if (SUCCEEDED(link->GetDescription(text, sizeof(text))))
                    info.description = text;
                info.loaded = true;
            }
            file->Release();
        }
        link->Release();
    }
    if (SUCCEEDED(com))
        CoUninitialize();
    return info;
}
