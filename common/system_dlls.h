// Restricts the DLL search of the running program to the system directory,
// so that a DLL planted beside it (in a Downloads folder, say) is never
// picked up. The first thing each program's WinMain does.
#pragma once

void LoadDllsFromSystemOnly();
