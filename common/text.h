// Bounded string copies for the fixed-size buffers of the setup. A text that
// does not fit is refused: the destination keeps its old contents.
#pragma once
#include <stddef.h>

bool CopyText(char *dest, size_t destSize, const char *source);
bool AppendText(char *dest, size_t destSize, const char *source);
bool AppendWideText(wchar_t *dest, size_t destSize, const wchar_t *source);

// Appends the decimal digits of value.
bool AppendNumber(char *dest, size_t destSize, unsigned long value);

// "1 file" or "3 files": the count, a space, and one or many as the count asks.
bool AppendCount(char *dest, size_t destSize, long count, const char *one, const char *many);

struct CountPhrase {
    long        count;
    const char *one;
    const char *many;
};

// The phrases whose count is above zero, each as AppendCount writes it,
// joined by ", " and, before the last, " and "; lead before them and tail
// after. Nothing at all when every count is zero.
bool AppendCountList(char *dest, size_t destSize, const char *lead, const CountPhrase *phrases, int phraseCount,
                     const char *tail);
