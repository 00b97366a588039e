#include "install/progress_math.h"

#include <stdlib.h>

void StartProgressMath(ProgressMath *progress, int fullWidth, int divisor)
{
    progress->fullWidth = fullWidth;
    div_t part = div(fullWidth, divisor);
    progress->stepDigits[0] = part.quot;
    for (int k = 1; k < PROGRESS_DIGITS; ++k) {
        part = div(part.rem * 10, divisor);
        progress->stepDigits[k] = part.quot;
    }
    for (int k = 0; k < PROGRESS_DIGITS; ++k)
        progress->pixelDigits[k] = 0;
    progress->right = 0;
    progress->stepNumber = 1;
}

static void MoveRightEdge(ProgressMath *progress)
{
    if (progress->right < progress->fullWidth - 1)
        ++progress->right;
    else
        progress->right = progress->fullWidth;
}

int AdvanceProgressMath(ProgressMath *progress)
{
    int *step = progress->stepDigits;
    int *pixels = progress->pixelDigits;
    for (int k = PROGRESS_DIGITS - 1; k >= 1; --k) {
        pixels[k] += step[k];
        if (pixels[k] >= 10) {
            pixels[k - 1] += 1;
            pixels[k] -= 10;
        }
    }

    // The whole pixels of an advance are drawn by the one after it.
    if (step[0] == 0) {
        if (pixels[0] > 0) {
            MoveRightEdge(progress);
            --pixels[0];
        }
    } else {
        while (pixels[0] != 0) {
            MoveRightEdge(progress);
            --pixels[0];
        }
        pixels[0] = step[0];
    }

    if (progress->stepNumber > PROGRESS_TOTAL)
        return -1;
    return progress->stepNumber++ * 100 / PROGRESS_TOTAL;
}
