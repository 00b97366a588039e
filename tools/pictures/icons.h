// The setup's icons, drawn in the sixteen VGA colours. The small folder-list
// icons are pixel art written out row by row, where every pixel matters; the
// application icon is built from shapes.
#pragma once
#include <string.h>
#include <cmath>
#include <vector>
#include "file_formats.h"

// Indexes into VGA_COLOURS.
enum {
    VGA_BLACK, VGA_DARK_RED, VGA_DARK_GREEN, VGA_OLIVE, VGA_NAVY, VGA_PURPLE, VGA_TEAL, VGA_SILVER,
    VGA_GREY, VGA_RED, VGA_GREEN, VGA_YELLOW, VGA_BLUE, VGA_MAGENTA, VGA_CYAN, VGA_WHITE
};

struct PixelIcon {
    int size;
    std::vector<uint8_t> colours;       // VGA index per pixel, rows top to bottom
    std::vector<uint8_t> transparent;   // 1 where the icon shows what is behind it

    explicit PixelIcon(int s) : size(s), colours((size_t)s * s, VGA_BLACK), transparent((size_t)s * s, 1) {}

    void Set(int x, int y, int colour)
    {
        if (x < 0 || y < 0 || x >= size || y >= size)
            return;
        colours[(size_t)y * size + x] = (uint8_t)colour;
        transparent[(size_t)y * size + x] = 0;
    }
};

// The letters of the pixel-art rows; '.' is transparent.
static inline int ArtColour(char letter)
{
    static const char LETTERS[] = "KrgybmcSDRGYBMCW";   // same order as VGA_COLOURS
    const char *found = strchr(LETTERS, letter);
    return found && letter ? (int)(found - LETTERS) : -1;
}

static inline PixelIcon IconFromArt(const char *const rows[16])
{
    PixelIcon icon(16);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) {
            int colour = ArtColour(rows[y][x]);
            if (colour >= 0)
                icon.Set(x, y, colour);
        }
    return icon;
}

// A closed folder: tab at the top left, the back showing above the front,
// lit from the top left and shadowed to the bottom right.
static const char *const FOLDER_ART[16] = {
    "................",
    "................",
    "..yyyyy.........",
    ".yYYYYYy........",
    "yYYYYYYYyyyyyy..",
    "yWWWWWWWWWWWWWy.",
    "yWYYYYYYYYYYYYyK",
    "yWYYYYYYYYYYYYyK",
    "yWYYYYYYYYYYYYyK",
    "yWYYYYYYYYYYYYyK",
    "yWYYYYYYYYYYYYyK",
    "yWYYYYYYYYYYYYyK",
    "yWYYYYYYYYYYYYyK",
    "yyyyyyyyyyyyyyyK",
    ".KKKKKKKKKKKKKKK",
    "................",
};

// An arrow that comes in from the bottom right, turns and points up, with a
// dot beside its foot: "one level up".
static const char *const FOLDER_UP_ART[16] = {
    "................",
    "................",
    ".....K..........",
    "....KKK.........",
    "...KKKKK........",
    "..KKKKKKK.......",
    ".KKKKKKKKK......",
    "....KKK.........",
    "....KKK.........",
    "....KKK.........",
    "....KKK.........",
    "....KKKKKKKKKKK.",
    ".KK.KKKKKKKKKKK.",
    ".KK.KKKKKKKKKKK.",
    "................",
    "................",
};

// The folder still to be made: the folder in greens.
static inline PixelIcon Greened(PixelIcon icon)
{
    for (size_t i = 0; i < icon.colours.size(); ++i) {
        if (icon.transparent[i])
            continue;
        if (icon.colours[i] == VGA_YELLOW)
            icon.colours[i] = VGA_GREEN;
        else if (icon.colours[i] == VGA_OLIVE)
            icon.colours[i] = VGA_DARK_GREEN;
    }
    return icon;
}

// The same folder as FOLDER_ART in greens, for the folder still to be made.
static inline PixelIcon NewFolderIcon()
{
    return Greened(IconFromArt(FOLDER_ART));
}

// The folder-list icons again at 20, 24 and 32 pixels, for 125, 150 and
// 200 % display scaling: the shapes of the art above as rectangles on its
// 16-pixel grid, each edge put on the nearest pixel of the larger grid, so
// that every size is drawn afresh rather than stretched.
struct ArtRect {
    int left, top, right, bottom;   // on the 16-pixel grid, right and bottom excluded
    int colour;
};

static const ArtRect FOLDER_RECTS[] = {
    {2, 2, 7, 3, VGA_OLIVE},    {1, 3, 2, 4, VGA_OLIVE},     {2, 3, 7, 4, VGA_YELLOW},
    {7, 3, 8, 4, VGA_OLIVE},    {0, 4, 1, 5, VGA_OLIVE},     {1, 4, 8, 5, VGA_YELLOW},
    {8, 4, 14, 5, VGA_OLIVE},   {0, 5, 1, 13, VGA_OLIVE},    {1, 5, 14, 6, VGA_WHITE},
    {14, 5, 15, 13, VGA_OLIVE}, {1, 6, 2, 13, VGA_WHITE},    {2, 6, 14, 13, VGA_YELLOW},
    {15, 6, 16, 14, VGA_BLACK}, {0, 13, 15, 14, VGA_OLIVE},  {1, 14, 16, 15, VGA_BLACK},
};

static const ArtRect FOLDER_UP_RECTS[] = {
    {4, 7, 7, 14, VGA_BLACK},   {7, 11, 15, 14, VGA_BLACK},  {1, 12, 3, 14, VGA_BLACK},
};

static inline int OnGrid(int unit, int size)
{
    return (int)std::lround(unit * size / 16.0);
}

static inline PixelIcon IconFromRects(const ArtRect *rects, size_t count, int size)
{
    PixelIcon icon(size);
    for (size_t i = 0; i < count; ++i)
        for (int y = OnGrid(rects[i].top, size); y < OnGrid(rects[i].bottom, size); ++y)
            for (int x = OnGrid(rects[i].left, size); x < OnGrid(rects[i].right, size); ++x)
                icon.Set(x, y, rects[i].colour);
    return icon;
}

static inline PixelIcon FolderIcon(int size)
{
    return IconFromRects(FOLDER_RECTS, sizeof FOLDER_RECTS / sizeof FOLDER_RECTS[0], size);
}

// The arrow's head is a triangle from its tip at (5.5, 2) to its base on
// row 6, widening by one pixel on each side per row.
static inline PixelIcon FolderUpIcon(int size)
{
    PixelIcon icon = IconFromRects(FOLDER_UP_RECTS, sizeof FOLDER_UP_RECTS / sizeof FOLDER_UP_RECTS[0], size);
    double scale = size / 16.0;
    for (int y = OnGrid(2, size); y < OnGrid(7, size); ++y) {
        double half = (y + 0.5) / scale - 2.0;
        for (int x = 0; x < size; ++x)
            if (std::fabs((x + 0.5) / scale - 5.5) < half)
                icon.Set(x, y, VGA_BLACK);
    }
    return icon;
}

// Pixels whose centres lie within radius of the segment (ax, ay)-(bx, by).
static inline void IconLine(PixelIcon &icon, double ax, double ay, double bx, double by, double radius,
                            int colour)
{
    for (int y = 0; y < icon.size; ++y)
        for (int x = 0; x < icon.size; ++x) {
            double dx = bx - ax, dy = by - ay;
            double t = ((x - ax) * dx + (y - ay) * dy) / (dx * dx + dy * dy);
            t = t < 0 ? 0 : (t > 1 ? 1 : t);
            double ex = x - (ax + t * dx), ey = y - (ay + t * dy);
            if (ex * ex + ey * ey <= radius * radius)
                icon.Set(x, y, colour);
        }
}

static inline void IconRect(PixelIcon &icon, int left, int top, int right, int bottom, int colour)
{
    for (int y = top; y <= bottom; ++y)
        for (int x = left; x <= right; ++x)
            icon.Set(x, y, colour);
}

// The application's emblem: a gilt frame holding a canvas with a blue "V"
// that a brush has just painted.
static inline PixelIcon VelloranIcon()
{
    PixelIcon icon(32);

    // Frame, lit from the top left.
    IconRect(icon, 0, 6, 25, 31, VGA_BLACK);
    IconRect(icon, 1, 7, 24, 30, VGA_OLIVE);
    IconRect(icon, 1, 7, 23, 8, VGA_YELLOW);
    IconRect(icon, 1, 7, 2, 29, VGA_YELLOW);
    IconRect(icon, 4, 10, 21, 27, VGA_BLACK);

    // Canvas, with a faint shadow under the frame's top and left edge.
    IconRect(icon, 5, 11, 21, 27, VGA_WHITE);
    IconRect(icon, 5, 11, 21, 11, VGA_SILVER);
    IconRect(icon, 5, 11, 5, 27, VGA_SILVER);

    // The painted V, thick on the left and thin on the right like a letter
    // drawn with a flat brush; its right arm ends where the brush lifts off.
    for (int row = 0; row < 12; ++row) {
        int inset = row * 6 / 10;
        IconRect(icon, 6 + inset, 13 + row, 9 + inset, 13 + row, VGA_BLUE);
        IconRect(icon, 20 - inset, 13 + row, 21 - inset, 13 + row, VGA_BLUE);
    }
    IconRect(icon, 13, 25, 14, 25, VGA_BLUE);

    // Brush: handle from the top right, metal ferrule, bristles dipped in blue.
    IconLine(icon, 31, 0, 25, 6, 1.6, VGA_DARK_RED);
    IconLine(icon, 31.5, -0.5, 25.5, 5.5, 0.6, VGA_RED);
    IconLine(icon, 25, 6, 22, 9, 1.6, VGA_SILVER);
    IconLine(icon, 25.5, 6.5, 22.5, 9.5, 0.6, VGA_GREY);
    IconLine(icon, 22, 9, 21.5, 10.5, 1.4, VGA_BLACK);
    IconLine(icon, 21.5, 10.5, 21, 12, 1.0, VGA_BLUE);
    return icon;
}
