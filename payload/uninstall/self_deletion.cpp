#include "payload/uninstall/self_deletion.h"
#include "common/text.h"

static bool IsQuotablePath(const wchar_t *path)
{
    for (const wchar_t *at = path; *at; ++at)
        if (*at == L'%' || *at == L'"')
            return false;
    return true;
}

// Each added path in its own quotes; what follows /c is quoted once more as a
// whole, as cmd takes off its first and last quote.
bool ComposeSelfDeletionCommand(const wchar_t *systemDir, const wchar_t *program, const wchar_t *moved,
                                const wchar_t *folder, wchar_t *commandLine, size_t size)
{
    if (size == 0)
        return false;
    commandLine[0] = L'\0';
    if (!systemDir[0] || !program[0] || !IsQuotablePath(systemDir) || !IsQuotablePath(program)
        || !IsQuotablePath(moved) || !IsQuotablePath(folder))
        return false;
    // ping is the one delay every command interpreter has: it gives the copy,
    // and a quiet original that waits for it, time to end; "del" and "rd"
    // then find the files free.
    bool fits = AppendWideText(commandLine, size, L"\"") && AppendWideText(commandLine, size, systemDir)
                && AppendWideText(commandLine, size, L"\\cmd.exe\" /D /V:OFF /c \"\"")
                && AppendWideText(commandLine, size, systemDir)
                && AppendWideText(commandLine, size, L"\\ping.exe\" -n 3 127.0.0.1 >nul & del /f /q \"")
                && AppendWideText(commandLine, size, program) && AppendWideText(commandLine, size, L"\"");
    if (moved[0])
        fits = fits && AppendWideText(commandLine, size, L" & del /f /q \"") && AppendWideText(commandLine, size, moved)
               && AppendWideText(commandLine, size, L"\"");
    if (folder[0])
        fits = fits && AppendWideText(commandLine, size, L" & rd \"") && AppendWideText(commandLine, size, folder)
               && AppendWideText(commandLine, size, L"\"");
    fits = fits && AppendWideText(commandLine, size, L"\"");
    if (!fits)
        commandLine[0] = L'\0';
    return fits;
}
