// Bounded string copies for the fixed-size buffers of the setup. A text that
// does not fit is refused: the destination keeps its old contents.
#pragma once
#include <stddef.h>

bool CopyText(char *dest, size_t destSize, const char *source);
bool AppendText(char *dest, size_t destSize, const char *source);
bool AppendWideText(wchar_t *dest, size_t destSize, const wchar_t *source);
