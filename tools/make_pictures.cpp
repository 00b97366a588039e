// Draws the setup's icons and bitmaps into the folder named on the command
// line. Everything is computed from this source, without random numbers, so
// every run writes the same bytes.
#include <stdio.h>
#include <string>
#include "pictures/file_formats.h"
#include "pictures/icons.h"
#include "pictures/raster.h"
#include "pictures/stroke_font.h"

enum {
    BACKDROP_WIDTH  = 800,
    BACKDROP_HEIGHT = 600,
    PAGE_WIDTH      = 220,
    PAGE_HEIGHT     = 280
};

// One step of the colour ramp shared by both bitmaps: brightness 0..1 and
// its colour.
struct RampStop {
    double at;
    Colour colour;
};

// Night blue through royal blue to white. Blue rises steadily along the
// ramp and red and green only join near the top, so brightness, blue and
// position all grow together: on a palette display that shows the backdrop
// through a pure blue ramp the picture keeps its light and shade.
static const RampStop RAMP[] = {
    {0.00, {1, 3, 14}},     {0.15, {3, 12, 50}},    {0.30, {8, 28, 94}},
    {0.45, {16, 52, 140}},  {0.60, {34, 90, 182}},  {0.75, {80, 142, 222}},
    {0.88, {162, 202, 246}}, {1.00, {255, 255, 255}},
};

static Colour RampColour(double t)
{
    t = Clamp01(t);
    const int stops = sizeof RAMP / sizeof RAMP[0];
    for (int i = 1; i < stops; ++i)
        if (t <= RAMP[i].at) {
            double along = (t - RAMP[i - 1].at) / (RAMP[i].at - RAMP[i - 1].at);
            return Mix(RAMP[i - 1].colour, RAMP[i].colour, along);
        }
    return RAMP[stops - 1].colour;
}

static TableColour ToTable(Colour c)
{
    return TableColour{(uint8_t)std::lround(c.r), (uint8_t)std::lround(c.g), (uint8_t)std::lround(c.b)};
}

// Ordered-dither threshold in 0..1 from a 4 x 4 Bayer matrix; it turns the
// steps of a slow gradient into an even texture instead of visible bands.
static double DitherThreshold(int x, int y)
{
    static const int BAYER[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};
    return (BAYER[y & 3][x & 3] + 0.5) / 16.0;
}

// A soft band of light following a wave across the picture.
static void AddLightBand(Plane &picture, double centreY, double amplitude, double waves, double phase,
                         double halfWidth, double strength)
{
    for (int y = 0; y < picture.height; ++y)
        for (int x = 0; x < picture.width; ++x) {
            double u = (double)x / picture.width;
            double middle = centreY + amplitude * std::sin(2 * PI * waves * u + phase);
            double d = (y - middle) / halfWidth;
            picture.At(x, y) += (float)(strength * std::exp(-d * d));
        }
}

// A brush stroke that swells in the middle and thins to nothing at its ends.
static void BrushStroke(Plane &cover, const Polyline &path, double thickest)
{
    std::vector<double> radii;
    for (size_t i = 0; i < path.size(); ++i) {
        double t = (double)i / (path.size() - 1);
        radii.push_back(thickest * std::pow(std::sin(PI * t), 0.7) + 0.4);
    }
    StrokeTapered(cover, path, radii);
}

// The full-screen picture behind the pages. Pages cover the middle of the
// screen, so the name sits in the top band and the ornament in the bottom one.
static Plane DrawBackdrop(const std::string &version)
{
    const int w = BACKDROP_WIDTH, h = BACKDROP_HEIGHT;
    Plane picture(w, h);

    // Deep blue, darkening towards the bottom, with light from the top left.
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            double v = (double)y / (h - 1);
            double base = 0.31 - 0.24 * v;
            double dx = (x - 230.0) / 520.0, dy = (y - 40.0) / 330.0;
            double glow = 0.13 * std::exp(-(dx * dx + dy * dy));
            picture.At(x, y) = (float)(base + glow);
        }

    // Waves of light across the lower part.
    AddLightBand(picture, 500, 40, 0.9, 0.6, 70, 0.07);
    AddLightBand(picture, 540, 30, 1.3, 2.2, 36, 0.05);

    // Three hairlines riding the waves, each a little lower, flatter and
    // faster than the one before.
    Plane hairlines(w, h);
    for (int k = 0; k < 3; ++k) {
        double middle = 486 + 22 * k, amplitude = 34 - 6 * k, waves = 0.9 + 0.15 * k, phase = 0.6 + 0.5 * k;
        Polyline wave;
        for (int x = -10; x <= w + 10; x += 4)
            wave.push_back(Point{(double)x, middle + amplitude * std::sin(2 * PI * waves * x / w + phase)});
        StrokePolyline(hairlines, wave, 0.7);
    }
    Paint(picture, hairlines, 0.75f, 0.35f);

    // The emblem's V, large and faint, to the right where the pages leave
    // the backdrop in view on wide screens.
    Plane watermark(w, h);
    BrushStroke(watermark, Bezier({560, 190}, {590, 270}, {620, 350}, {655, 400}, 120), 26);
    BrushStroke(watermark, Bezier({655, 400}, {680, 320}, {715, 250}, {770, 180}, 120), 22);
    Blur(watermark, 1);
    Paint(picture, watermark, 0.55f, 0.12f);

    // Soft circles of light, as if out of focus.
    static const struct { double x, y, r, strength; } BOKEH[] = {
        {690, 70, 46, 0.06}, {610, 150, 24, 0.05}, {745, 205, 30, 0.04}, {120, 300, 60, 0.03},
        {300, 420, 34, 0.03}, {520, 455, 20, 0.04},
    };
    for (const auto &spot : BOKEH) {
        Plane disc(w, h);
        FillDisc(disc, {spot.x, spot.y}, spot.r);
        Blur(disc, 2);
        Paint(picture, disc, 0.9f, (float)spot.strength);
    }

    // A sweep of paint along the bottom, the mark of an image editor.
    Plane sweep(w, h);
    BrushStroke(sweep, Bezier({40, 575}, {260, 500}, {470, 600}, {770, 515}, 200), 9);
    BrushStroke(sweep, Bezier({100, 590}, {300, 545}, {460, 598}, {610, 566}, 200), 3);
    Plane sweepGlow = sweep;
    Blur(sweepGlow, 6);
    Paint(picture, sweepGlow, 0.70f, 0.45f);
    Paint(picture, sweep, 0.82f, 0.85f);

    // The product name with a soft shadow, then "Setup" after it.
    const TextStyle title = {78, 11, 0.15};
    const TextStyle subtitle = {32, 4.5, 0.14};
    const double left = 52, baseline = 104;
    Plane name(w, h);
    DrawText(name, "Velloran", left, baseline, title);
    double subtitleLeft = left + TextWidth("Velloran", title) + 26;
    Plane setup(w, h);
    DrawText(setup, "Setup", subtitleLeft, baseline, subtitle);

    Plane shadow = name;
    for (size_t i = 0; i < shadow.values.size(); ++i)
        shadow.values[i] = std::max(shadow.values[i], setup.values[i]);
    Blur(shadow, 3);
    Paint(picture, Shifted(shadow, 4, 5), 0.02f, 0.55f);
    Paint(picture, name, 1.0f);
    Paint(picture, setup, 0.86f);

    // A fine rule under the name, fading out to the right.
    Plane rule(w, h);
    StrokeSegment(rule, {left, baseline + 22}, {w - 40.0, baseline + 22}, 0.8);
    for (int x = 0; x < w; ++x)
        for (int y = 0; y < h; ++y)
            rule.At(x, y) *= (float)(1.0 - SmoothStep(left, w - 40.0, x));
    Paint(picture, rule, 0.92f, 0.8f);

    // Version in small letters in the bottom right corner.
    const TextStyle small = {13, 2.0, 0.2};
    const std::string versionText = "Version " + version;
    Plane versionCover(w, h);
    DrawText(versionCover, versionText, w - 28 - TextWidth(versionText, small), h - 22, small);
    Paint(picture, versionCover, 0.80f);
    return picture;
}

// 256 colours along the ramp, darkest first, and each pixel's brightness
// as an index into them.
static bool WriteBackdrop(const std::string &folder, const std::string &version)
{
    Plane picture = DrawBackdrop(version);
    TableColour table[256];
    for (int i = 0; i < 256; ++i)
        table[i] = ToTable(RampColour(i / 255.0));
    std::vector<uint8_t> indexes(picture.values.size());
    for (int y = 0; y < picture.height; ++y)
        for (int x = 0; x < picture.width; ++x) {
            double level = Clamp01(picture.At(x, y)) * 255.0 + DitherThreshold(x, y) - 0.5;
            indexes[(size_t)y * picture.width + x] = (uint8_t)std::max(0L, std::min(255L, std::lround(level)));
        }
    return WriteFile(folder + "/backdrop.bmp", MakeBitmapFile(picture.width, picture.height, 8, table, indexes));
}

// The colours of the page picture that do not come from the ramp.
static const Colour WHITE        = {255, 255, 255};
static const Colour CANVAS_SHADE = {214, 222, 236};
static const Colour MOON         = {255, 238, 196};
static const Colour WOOD_DARK    = {60, 36, 22};
static const Colour WOOD         = {128, 82, 42};
static const Colour WOOD_LIGHT   = {196, 146, 84};

// The sixteen colours of the page picture: ten steps of the backdrop's
// ramp for sky, hills and paint, and the colours above.
static void PagePalette(TableColour table[16])
{
    static const double RAMP_STEPS[10] = {0.04, 0.12, 0.20, 0.28, 0.36, 0.44, 0.52, 0.61, 0.72, 0.86};
    for (int i = 0; i < 10; ++i)
        table[i] = ToTable(RampColour(RAMP_STEPS[i]));
    table[10] = ToTable(WHITE);
    table[11] = ToTable(CANVAS_SHADE);
    table[12] = ToTable(MOON);
    table[13] = ToTable(WOOD_DARK);
    table[14] = ToTable(WOOD);
    table[15] = ToTable(WOOD_LIGHT);
}

static double ColourDistance(Colour a, TableColour b)
{
    // Green counts most and blue least, roughly as the eye weighs them.
    double dr = a.r - b.r, dg = a.g - b.g, db = a.b - b.b;
    return 3 * dr * dr + 4 * dg * dg + 2 * db * db;
}

// Nearest table colour after an ordered-dither nudge, so that gradients
// come out as fine patterns of the neighbouring colours.
static std::vector<uint8_t> ReduceColours(const RgbPicture &picture, const TableColour *table, int count,
                                          double spread)
{
    std::vector<uint8_t> indexes(picture.pixels.size());
    for (int y = 0; y < picture.height; ++y)
        for (int x = 0; x < picture.width; ++x) {
            float nudge = (float)((DitherThreshold(x, y) - 0.5) * spread);
            Colour c = picture.At(x, y);
            c = Colour{c.r + nudge, c.g + nudge, c.b + nudge};
            int best = 0;
            for (int i = 1; i < count; ++i)
                if (ColourDistance(c, table[i]) < ColourDistance(c, table[best]))
                    best = i;
            indexes[(size_t)y * picture.width + x] = (uint8_t)best;
        }
    return indexes;
}

// Hills as the area below a sum of two waves.
static Polyline HillOutline(int width, int height, double level, double amp1, double freq1, double amp2,
                            double freq2, double phase)
{
    Polyline outline;
    for (int x = -2; x <= width + 2; x += 2) {
        double u = (double)x / width;
        outline.push_back(Point{(double)x, level - amp1 * std::sin(2 * PI * freq1 * u + phase)
                                               - amp2 * std::sin(2 * PI * freq2 * u + 2 * phase)});
    }
    outline.push_back(Point{width + 2.0, height + 2.0});
    outline.push_back(Point{-2.0, height + 2.0});
    return outline;
}

// The page picture at each display scale, percent and file: drawn anew at
// every size from the same shapes, so that no scale stretches pixels. The
// largest covers the picture frame at 200 %, which grows a little faster
// than the DPI.
struct PageScale {
    int percent;
    const char *file;
};
static const PageScale PAGE_SCALES[] = {
    {100, "page_picture.bmp"},
    {125, "page_picture_125.bmp"},
    {150, "page_picture_150.bmp"},
    {200, "page_picture_200.bmp"},
    {250, "page_picture_250.bmp"},
};

// The picture beside the folder browser: an easel on a hill by night, with
// the blue V of the emblem on its canvas and the name underneath. Drawn in
// the coordinates of the 220 x 280 picture, each multiplied by the scale.
static bool WritePagePicture(const std::string &folder, const PageScale &scale)
{
    const double k = scale.percent / 100.0;
    const int w = PAGE_WIDTH * scale.percent / 100, h = PAGE_HEIGHT * scale.percent / 100;
    auto at = [k](double x, double y) { return Point{x * k, y * k}; };
    auto scaled = [k](Polyline line) {
        for (Point &p : line)
            p = Point{p.x * k, p.y * k};
        return line;
    };
    auto pixels = [k](double length) { return (int)std::lround(length * k); };
    RgbPicture picture(w, h, Colour{0, 0, 0});

    // Sky: night blue at the top, lighter towards the horizon and the moon.
    const Point moon = at(168, 84);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            double dx = (x - moon.x) / k, dy = (y - moon.y) / k;
            double glow = 0.22 * std::exp(-(dx * dx + dy * dy) / (70.0 * 70.0));
            picture.At(x, y) = RampColour(0.16 + 0.50 * SmoothStep(0, 190, y / k) + glow);
        }
    Plane moonDisc(w, h);
    FillDisc(moonDisc, moon, 15 * k);
    Paint(picture, moonDisc, MOON);

    Plane farHills(w, h);
    FillPolygon(farHills, HillOutline(w, h, 182 * k, 10 * k, 1.1, 5 * k, 2.7, 0.8));
    Paint(picture, farHills, RampColour(0.36));
    Plane nearHill(w, h);
    FillPolygon(nearHill, HillOutline(w, h, 214 * k, 14 * k, 0.7, 4 * k, 2.1, 2.4));
    Paint(picture, nearHill, RampColour(0.16));

    // A few stars in the darker part of the sky.
    static const Point STARS[] = {{22, 18}, {58, 30}, {118, 14}, {196, 22}, {146, 44}, {205, 120}, {14, 70}};
    Plane stars(w, h);
    for (const Point &star : STARS)
        FillDisc(stars, at(star.x, star.y), 0.9 * k);
    Paint(picture, stars, WHITE);

    // Easel: a leg behind, two in front, the canvas, and the ledge it rests on.
    Plane backLeg(w, h), legs(w, h);
    StrokeSegment(backLeg, at(82, 42), at(96, 250), 2.2 * k);
    StrokeSegment(legs, at(76, 36), at(40, 258), 2.8 * k);
    StrokeSegment(legs, at(80, 36), at(118, 258), 2.8 * k);
    Paint(picture, backLeg, WOOD_DARK);
    Paint(picture, legs, WOOD);

    Plane canvasShadow(w, h), canvas(w, h), canvasEdge(w, h);
    FillPolygon(canvasShadow, scaled({{39, 66}, {128, 66}, {128, 165}, {39, 165}}));
    Blur(canvasShadow, pixels(2));
    Paint(picture, Shifted(canvasShadow, pixels(3), pixels(3)), RampColour(0.02), 0.6f);
    FillPolygon(canvas, scaled({{36, 62}, {124, 62}, {124, 162}, {36, 162}}));
    Paint(picture, canvas, WHITE);
    FillPolygon(canvasEdge, scaled({{36, 62}, {124, 62}, {124, 64}, {36, 64}}));
    FillPolygon(canvasEdge, scaled({{36, 62}, {38, 62}, {38, 162}, {36, 162}}));
    Paint(picture, canvasEdge, CANVAS_SHADE);

    Plane mark(w, h);
    BrushStroke(mark, scaled(Bezier({50, 84}, {60, 110}, {70, 134}, {80, 146}, 60)), 7 * k);
    BrushStroke(mark, scaled(Bezier({80, 146}, {88, 120}, {98, 96}, {112, 76}, 60)), 6 * k);
    Paint(picture, mark, RampColour(0.50));

    Plane ledge(w, h), ledgeShade(w, h);
    FillPolygon(ledge, scaled({{30, 160}, {130, 160}, {130, 167}, {30, 167}}));
    Paint(picture, ledge, WOOD_LIGHT);
    FillPolygon(ledgeShade, scaled({{30, 165}, {130, 165}, {130, 168}, {30, 168}}));
    Paint(picture, ledgeShade, WOOD_DARK);

    // The name, centred at the foot of the picture.
    const TextStyle nameStyle = {22 * k, 3.6 * k, 0.16};
    Plane name(w, h);
    DrawText(name, "Velloran", (w - TextWidth("Velloran", nameStyle)) / 2, 262 * k, nameStyle);
    Paint(picture, name, WHITE);

    TableColour table[16];
    PagePalette(table);
    std::vector<uint8_t> indexes = ReduceColours(picture, table, 16, 24.0);
    return WriteFile(folder + "/" + scale.file, MakeBitmapFile(w, h, 4, table, indexes));
}

static bool WriteIcon(const std::string &path, const PixelIcon &icon)
{
    return WriteFile(path, MakeIconFile(icon.size, icon.colours, icon.transparent));
}

// A folder-list icon: the 16-pixel art, then the same shapes drawn at 20,
// 24 and 32 pixels for 125, 150 and 200 % display scaling.
static bool WriteListIcon(const std::string &path, const PixelIcon &art, PixelIcon (*draw)(int size))
{
    std::vector<IconImage> images = {IconImage{art.size, art.colours, art.transparent}};
    for (int size : {20, 24, 32}) {
        PixelIcon icon = draw(size);
        images.push_back(IconImage{icon.size, icon.colours, icon.transparent});
    }
    return WriteFile(path, MakeIconFile(images));
}

static PixelIcon NewFolderIconOfSize(int size)
{
    return Greened(FolderIcon(size));
}

int main(int argc, char **argv)
{
    if (argc != 3) {
        fprintf(stderr, "usage: make_pictures OUTPUT_FOLDER VERSION\n");
        return 2;
    }
    std::string folder = argv[1], version = argv[2];
    for (char c : version) {
        if (!Glyphs().count(c)) {
            fprintf(stderr, "make_pictures: the version \"%s\" has a character the font lacks\n", version.c_str());
            return 2;
        }
    }
    bool ok = WriteIcon(folder + "/velloran.ico", VelloranIcon())
           && WriteListIcon(folder + "/folder.ico", IconFromArt(FOLDER_ART), FolderIcon)
           && WriteListIcon(folder + "/folder_up.ico", IconFromArt(FOLDER_UP_ART), FolderUpIcon)
           && WriteListIcon(folder + "/folder_new.ico", NewFolderIcon(), NewFolderIconOfSize)
           && WritePagePicture(folder, PAGE_SCALES[0])
           && WritePagePicture(folder, PAGE_SCALES[1])
           && WritePagePicture(folder, PAGE_SCALES[2])
           && WritePagePicture(folder, PAGE_SCALES[3])
           && WritePagePicture(folder, PAGE_SCALES[4])
           && WriteBackdrop(folder, version);
    if (!ok) {
        fprintf(stderr, "make_pictures: cannot write into %s\n", folder.c_str());
        return 1;
    }
    return 0;
}
