// A small geometric sans-serif drawn with round-ended strokes, enough for the
// words on the setup's pictures. Glyphs are centre lines in units of the
// capital height, y up from the baseline; the stroke width is chosen when the
// text is drawn, so one set of glyphs serves every weight.
#pragma once
#include <map>
#include <string>
#include "raster.h"

struct Glyph {
    double width;                  // from the leftmost to the rightmost centre line
    std::vector<Polyline> strokes;
};

struct TextStyle {
    double size;       // capital height in pixels
    double weight;     // stroke width in pixels
    double tracking;   // extra space between letters, in units of size
};

static const double X_HEIGHT = 0.68;
static const double ASCENDER = 1.06;
static const double DESCENDER = -0.30;
static const double BOWL = X_HEIGHT / 2;   // radius of the round lowercase letters

// An S of the given height and width: two stacked arcs meeting in the middle.
static inline Glyph LetterS(double height, double width)
{
    double r = width / 2, q = height / 4;
    Polyline s = Arc(r, 3 * q, r, q, 30, 270, 40);
    Polyline lower = Arc(r, q, r, q, 90, -150, 40);
    s.insert(s.end(), lower.begin() + 1, lower.end());
    return Glyph{width, {s}};
}

static inline const std::map<char, Glyph> &Glyphs()
{
    static std::map<char, Glyph> glyphs;
    if (!glyphs.empty())
        return glyphs;

    const double d = 2 * BOWL, c = BOWL;   // width and centre of a bowl
    const double shoulder = 0.29;          // radius of the arches of n, r, u

    glyphs['V'] = Glyph{0.74, {{{0, 1}, {0.37, 0}, {0.74, 1}}}};
    glyphs['S'] = LetterS(1.0, 0.56);
    glyphs['s'] = LetterS(X_HEIGHT, 0.42);

    Polyline e = {{0, c}, {d, c}};
    Polyline eBowl = Arc(c, c, c, c, 0, 315);
    e.insert(e.end(), eBowl.begin() + 1, eBowl.end());
    glyphs['e'] = Glyph{d, {e}};

    glyphs['o'] = Glyph{d, {Arc(c, c, c, c, 0, 360, 64)}};
    glyphs['a'] = Glyph{d, {Arc(c, c, c, c, 0, 360, 64), {{d, 0}, {d, X_HEIGHT}}}};
    glyphs['p'] = Glyph{d, {Arc(c, c, c, c, 0, 360, 64), {{0, X_HEIGHT}, {0, DESCENDER}}}};
    glyphs['l'] = Glyph{0, {{{0, 0}, {0, ASCENDER}}}};
    glyphs['i'] = Glyph{0, {{{0, 0}, {0, X_HEIGHT}}, {{0, X_HEIGHT + 0.24}}}};
    glyphs['t'] = Glyph{0.34, {{{0.12, 0.94}, {0.12, 0}}, {{0, X_HEIGHT}, {0.34, X_HEIGHT}}}};

    Polyline n = Arc(shoulder, X_HEIGHT - shoulder, shoulder, shoulder, 180, 0);
    n.push_back(Point{2 * shoulder, 0});
    glyphs['n'] = Glyph{2 * shoulder, {{{0, 0}, {0, X_HEIGHT}}, n}};

    Polyline r = Arc(shoulder, X_HEIGHT - shoulder, shoulder, shoulder, 180, 70, 24);
    glyphs['r'] = Glyph{0.38, {{{0, 0}, {0, X_HEIGHT}}, r}};

    Polyline u = {{0, X_HEIGHT}};
    Polyline uBowl = Arc(shoulder, shoulder, shoulder, shoulder, 180, 360);
    u.insert(u.end(), uBowl.begin(), uBowl.end());
    glyphs['u'] = Glyph{2 * shoulder, {u, {{2 * shoulder, X_HEIGHT}, {2 * shoulder, 0}}}};

    // Every digit, for whatever version the backdrop shows.
    glyphs['0'] = Glyph{0.58, {Arc(0.29, 0.5, 0.29, 0.5, 0, 360, 64)}};
    glyphs['1'] = Glyph{0.26, {{{0, 0.8}, {0.26, 1}, {0.26, 0}}}};
    Polyline two = Arc(0.29, 0.71, 0.29, 0.29, 160, -30, 32);
    two.insert(two.end(), {{0, 0}, {0.58, 0}});
    glyphs['2'] = Glyph{0.58, {two}};
    Polyline three = Arc(0.27, 0.75, 0.25, 0.25, 150, -90, 32);
    Polyline threeLower = Arc(0.27, 0.26, 0.29, 0.24, 90, -150, 32);
    three.insert(three.end(), threeLower.begin() + 1, threeLower.end());
    glyphs['3'] = Glyph{0.56, {three}};
    glyphs['4'] = Glyph{0.58, {{{0.44, 0}, {0.44, 1}, {0, 0.3}, {0.58, 0.3}}}};
    Polyline five = {{0.52, 1}, {0.06, 1}, {0.03, 0.56}};
    Polyline fiveBowl = Arc(0.28, 0.32, 0.3, 0.32, 140, -150, 40);
    five.insert(five.end(), fiveBowl.begin(), fiveBowl.end());
    glyphs['5'] = Glyph{0.58, {five}};
    glyphs['6'] = Glyph{0.58, {Arc(0.29, 0.3, 0.29, 0.3, 0, 360, 48), {{0.45, 1}, {0.02, 0.33}}}};
    glyphs['7'] = Glyph{0.58, {{{0, 1}, {0.58, 1}, {0.18, 0}}}};
    glyphs['8'] = Glyph{0.58, {Arc(0.29, 0.76, 0.24, 0.24, 0, 360, 48), Arc(0.29, 0.27, 0.29, 0.27, 0, 360, 48)}};
    glyphs['9'] = Glyph{0.58, {Arc(0.29, 0.7, 0.29, 0.3, 0, 360, 48), {{0.56, 0.67}, {0.13, 0}}}};
    glyphs['.'] = Glyph{0, {{{0, 0}}}};
    glyphs[' '] = Glyph{0.22, {}};
    return glyphs;
}

// Pairs that stand too far apart when set by their boxes alone.
static inline double Kerning(char left, char right)
{
    if (left == 'V' && (right == 'e' || right == 'o' || right == 'a'))
        return -0.14;
    return 0.0;
}

static inline double TextWidth(const std::string &text, const TextStyle &style)
{
    double width = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        width += Glyphs().at(text[i]).width * style.size + style.weight;
        if (i + 1 < text.size())
            width += (style.tracking + Kerning(text[i], text[i + 1])) * style.size;
    }
    return width;
}

// Draws text into cover with its left edge at x; slant leans the letters
// forward by that many pixels per pixel of height.
static inline void DrawText(Plane &cover, const std::string &text, double x, double baseline,
                            const TextStyle &style, double slant = 0.0)
{
    double pen = x + style.weight / 2;
    for (size_t i = 0; i < text.size(); ++i) {
        const Glyph &glyph = Glyphs().at(text[i]);
        for (const Polyline &stroke : glyph.strokes) {
            Polyline placed;
            for (const Point &p : stroke) {
                double height = p.y * style.size;
                placed.push_back(Point{pen + p.x * style.size + height * slant, baseline - height});
            }
            StrokePolyline(cover, placed, style.weight / 2);
        }
        pen += glyph.width * style.size + style.weight;
        if (i + 1 < text.size())
            pen += (style.tracking + Kerning(text[i], text[i + 1])) * style.size;
    }
}
