// GoogleTest copies every failure to OutputDebugStringA, which raises an
// exception for the debugger. Where Wine runs under qemu's i386 emulation
// that exception takes the whole test process down, hiding every later
// result, so the test programs route the call to a function that does
// nothing. Linked into each test program; runs before main.
#include <windows.h>

namespace {

void WINAPI IgnoreDebugOutput(LPCSTR) {}

// Replaces the import of kernel32!OutputDebugStringA in this module.
bool PatchImport()
{
    BYTE *base = (BYTE *)GetModuleHandleA(NULL);
    IMAGE_NT_HEADERS *headers = (IMAGE_NT_HEADERS *)(base + ((IMAGE_DOS_HEADER *)base)->e_lfanew);
    IMAGE_DATA_DIRECTORY imports = headers->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    FARPROC original = GetProcAddress(GetModuleHandleA("kernel32.dll"), "OutputDebugStringA");
    for (IMAGE_IMPORT_DESCRIPTOR *module = (IMAGE_IMPORT_DESCRIPTOR *)(base + imports.VirtualAddress);
         imports.VirtualAddress && module->Name; ++module) {
        for (IMAGE_THUNK_DATA *thunk = (IMAGE_THUNK_DATA *)(base + module->FirstThunk); thunk->u1.Function; ++thunk) {
            if ((FARPROC)thunk->u1.Function != original)
                continue;
            DWORD protection;
            VirtualProtect(&thunk->u1.Function, sizeof(thunk->u1.Function), PAGE_READWRITE, &protection);
            thunk->u1.Function = (DWORD_PTR)IgnoreDebugOutput;
            VirtualProtect(&thunk->u1.Function, sizeof(thunk->u1.Function), protection, &protection);
            return true;
        }
    }
    return false;
}

const bool g_patched = PatchImport();

} // namespace
