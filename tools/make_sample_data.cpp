// make_sample_data <recipe> <size> <seed> <output file>
// Writes one of the sample files that stand in for Velloran's data, settings,
// libraries, filters, pens and airbrush patterns in the payload. The same
// recipe, size and seed give the same bytes on every build machine: the
// generator draws its own random numbers and uses only arithmetic that IEEE
// defines bit for bit (no library maths whose last bits differ between hosts),
// and every number is written little-endian byte by byte.
#include <errno.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <string>
#include <vector>

enum {
    MAX_SAMPLE_SIZE = 16 * 1024 * 1024,  // far above any payload file; catches typos
    TEXT_LINE_WIDTH = 76,
    MASK_SUPERSAMPLE = 4,
    TEXT_PAD_ROOM   = 8     // bytes kept free at the end of a text for its pad
};

enum KernelFamily { KERNEL_BLUR, KERNEL_SHARPEN, KERNEL_EDGE, KERNEL_EMBOSS, KERNEL_MOTION, KERNEL_TONE };
static const char *const KERNEL_FAMILIES[] = {"blur", "sharpen", "edge", "emboss", "motion", "tone"};

enum PenShape { PEN_ROUND, PEN_SQUARE, PEN_CHISEL, PEN_CALLIGRAPHY, PEN_BAR };

namespace {

// splitmix64: tiny, well mixed and fully defined by its seed.
struct Rng {
    uint64_t state;

    uint64_t Next()
    {
        uint64_t z = (state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // 0 <= result < n. The tiny modulo bias does not matter for sample data.
    uint32_t Below(uint32_t n) { return n ? (uint32_t)(Next() % n) : 0; }
    bool Chance(uint32_t percent) { return Below(100) < percent; }
};

// The bytes of one sample file. Writes beyond the wanted size are dropped, so
// a recipe may simply keep writing until Full() and the file ends exactly at
// its size.
struct Output {
    size_t               size;
    std::vector<uint8_t> bytes;

    bool Full() const { return bytes.size() >= size; }
    size_t Left() const { return Full() ? 0 : size - bytes.size(); }
    void U8(uint32_t v)
    {
        if (!Full())
            bytes.push_back((uint8_t)v);
    }
    void U16(uint32_t v) { U8(v); U8(v >> 8); }
    void U32(uint32_t v) { U16(v); U16(v >> 16); }
    void F32(float f)
    {
        uint32_t bits;
        memcpy(&bits, &f, sizeof bits);
        U32(bits);
    }
    void Text(const std::string &text)
    {
        for (char c : text)
            U8((uint8_t)c);
    }
    // A fixed-width, NUL-padded name field.
    void Name(const std::string &name, size_t width)
    {
        for (size_t i = 0; i < width; i++)
            U8(i < name.size() && i + 1 < width ? (uint8_t)name[i] : 0);
    }
};

// A recipe draws one kind of file; the variant picks the shape or family
// within that kind where the kind has several.
typedef void (*RecipeFunction)(Output *out, Rng *rng, int variant);

struct Recipe {
    const char    *name;
    RecipeFunction make;
    int            variant;
};

}  // namespace

template <size_t N>
static const char *Pick(Rng *rng, const char *const (&words)[N])
{
    return words[rng->Below(N)];
}

static std::string Hex6(uint32_t rgb)
{
    char text[8];
    snprintf(text, sizeof text, "%06X", (unsigned)(rgb & 0xFFFFFF));
    return text;
}

static std::string Number(long value)
{
    return std::to_string(value);
}

// Ends a text file at exactly its size with comment lines of dashes, so that a
// text recipe stops at a whole line and still hits the byte count.
static void PadTextToSize(Output *out, const char *commentStart)
{
    size_t lead = strlen(commentStart);
    size_t minimum = lead + 2;  // the comment mark and CR LF
    while (out->Left() >= minimum) {
        size_t length = out->Left();
        if (length > TEXT_LINE_WIDTH)
            length = out->Left() - TEXT_LINE_WIDTH < minimum ? out->Left() - minimum
                                                              : (size_t)TEXT_LINE_WIDTH;
        out->Text(commentStart);
        for (size_t i = lead; i + 2 < length; i++)
            out->U8('-');
        out->Text("\r\n");
    }
    while (!out->Full())
        out->U8(' ');
}

// How many whole records of recordBytes follow a header in a file of size
// bytes: the count that the header announces. A cut-off last record is not
// counted.
static size_t WholeRecords(size_t size, size_t headerBytes, size_t recordBytes)
{
    return size > headerBytes ? (size - headerBytes) / recordBytes : 0;
}

static void Line(std::string *text, const std::string &line)
{
    *text += line;
    *text += "\r\n";
}

static void Key(std::string *text, const std::string &key, const std::string &value)
{
    Line(text, key + "=" + value);
}

// Appends a block of whole lines if it fits with room left for the pad;
// false when it does not, which ends the text.
static bool AppendBlock(Output *out, const std::string &block)
{
    if (block.size() + TEXT_PAD_ROOM > out->Left())
        return false;
    out->Text(block);
    return true;
}

static const char *const FILTER_NAMES[] = {
    "Sharpen", "Blur", "GaussianBlur", "MotionBlur", "Emboss", "EdgeDetect",
    "UnsharpMask", "Median", "Despeckle", "Soften", "Diffuse", "Mosaic",
    "Posterize", "Pixelate", "Ripple", "Twirl", "Pinch", "Spherize", "Wave",
    "AddNoise", "Solarize", "Outline", "FindEdges", "Relief", "Crystallize",
    "LensFlare", "OilPaint", "Watercolour", "Charcoal", "GlowingEdges",
    "Sketch", "Sepia", "Invert"
};

static const char *const IMAGE_NAMES[] = {
    "harbour", "portrait", "sunset", "logo", "poster", "garden", "sketch1",
    "scan0042", "holiday", "invoice", "map", "cover", "banner", "kitten"
};

static const char *const IMAGE_FOLDERS[] = {
    "C:\\IMAGES", "C:\\MYDOCU~1", "D:\\PHOTOS", "C:\\WORK\\ART", "A:"
};

static const char *const IMAGE_EXTENSIONS[] = {".bmp", ".pcx", ".tga", ".png", ".jpg", ".tif"};

// The application's settings file: sections and keys as Velloran reads them.
static void MakeConfig(Output *out, Rng *rng, int)
{
    std::string text;
    Line(&text, "; Velloran 1.00 settings. Velloran rewrites this file when it closes.");
    Line(&text, "[General]");
    Key(&text, "Version", "1.00");
    Key(&text, "Language", "English");
    Key(&text, "Units", Pick(rng, {"Pixels", "Inches", "Centimetres"}));
    Key(&text, "Resolution", Pick(rng, {"72", "96", "150", "300"}));
    Key(&text, "UndoLevels", Number(8 + rng->Below(25)));
    Key(&text, "AutoSave", Number(rng->Below(2)));
    Key(&text, "AutoSaveMinutes", Number(5 + 5 * rng->Below(6)));
    Key(&text, "SplashScreen", "1");
    Line(&text, "");
    Line(&text, "[Window]");
    Key(&text, "Left", Number(rng->Below(120)));
    Key(&text, "Top", Number(rng->Below(90)));
    Key(&text, "Width", Number(560 + rng->Below(400)));
    Key(&text, "Height", Number(400 + rng->Below(300)));
    Key(&text, "Maximized", Number(rng->Below(2)));
    Key(&text, "ToolboxVisible", "1");
    Key(&text, "PaletteVisible", "1");
    Key(&text, "StatusBar", "1");
    Line(&text, "");
    Line(&text, "[Display]");
    Key(&text, "Zoom", Pick(rng, {"25", "50", "100", "200", "400"}));
    Key(&text, "ShowRulers", Number(rng->Below(2)));
    Key(&text, "ShowGrid", Number(rng->Below(2)));
    Key(&text, "GridSpacing", Number(4 << rng->Below(4)));
    Key(&text, "CheckerSize", Number(4 << rng->Below(3)));
    Key(&text, "CheckerColour1", "C0C0C0");
    Key(&text, "CheckerColour2", "FFFFFF");
    Key(&text, "Dither", Pick(rng, {"None", "Ordered", "Diffusion"}));
    Line(&text, "");
    Line(&text, "[Paths]");
    Key(&text, "Filters", "Filters");
    Key(&text, "Pens", "Pen");
    Key(&text, "AirBrush", "AirBrush");
    Key(&text, "Help", "velloran.hlp");
    Key(&text, "Images", Pick(rng, IMAGE_FOLDERS));
    Line(&text, "");
    Line(&text, "[Tools]");
    Key(&text, "DefaultTool", Pick(rng, {"Pen", "AirBrush", "Select", "Fill"}));
    Key(&text, "PenFile", Pick(rng, {"round1.pen", "round3.pen", "chisel.pen"}));
    Key(&text, "PenSize", Number(1 + rng->Below(8)));
    Key(&text, "AirBrushPattern", Pick(rng, {"fine.spr", "medium.spr", "coarse.spr"}));
    Key(&text, "AirBrushRate", Number(10 + rng->Below(90)));
    Key(&text, "FillTolerance", Number(rng->Below(64)));
    Key(&text, "Antialias", "1");
    Line(&text, "");
    Line(&text, "[Colours]");
    Key(&text, "Foreground", "000000");
    Key(&text, "Background", "FFFFFF");
    for (int i = 1; i <= 16; i++) {
        char key[16];
        snprintf(key, sizeof key, "Custom%02d", i);
        Key(&text, key, Hex6((uint32_t)rng->Next()));
    }
    Line(&text, "");
    Line(&text, "[Recent]");
    for (int i = 1; i <= 4; i++) {
        std::string folder = Pick(rng, IMAGE_FOLDERS);
        std::string name = Pick(rng, IMAGE_NAMES);
        std::string extension = Pick(rng, IMAGE_EXTENSIONS);
        Key(&text, "File" + Number(i), folder + "\\" + name + extension);
    }
    Line(&text, "");
    Line(&text, "[FilterDefaults]");
    // The last used settings of every filter, as many as fit.
    bool fits = AppendBlock(out, text);
    for (int round = 0; fits; round++) {
        std::string filter = FILTER_NAMES[round % (sizeof FILTER_NAMES / sizeof *FILTER_NAMES)];
        std::string entries;
        Key(&entries, filter + ".Strength", Number(rng->Below(101)));
        Key(&entries, filter + ".Radius", Number(1 + rng->Below(16)));
        if (round % 3 == 0)
            Key(&entries, filter + ".Preview", Number(rng->Below(2)));
        fits = AppendBlock(out, entries);
    }
    PadTextToSize(out, ";");
}

// The airbrush's own settings: one section per nozzle preset.
static void MakeBrushConfig(Output *out, Rng *rng, int)
{
    static const char *const PATTERNS[] = {
        "fine.spr", "medium.spr", "coarse.spr", "splatter.spr", "softedge.spr",
        "hardedge.spr", "speckle.spr", "stipple.spr", "fogging.spr", "drybrush.spr"
    };
    std::string text;
    Line(&text, "; Velloran airbrush presets");
    Line(&text, "[AirBrush]");
    Key(&text, "Version", "1.00");
    Key(&text, "Current", Number(1 + rng->Below(8)));
    Key(&text, "SeedFile", "seed1.rnd");
    Line(&text, "");
    bool fits = AppendBlock(out, text);
    for (int preset = 1; fits; preset++) {
        std::string section;
        Line(&section, "[Preset" + Number(preset) + "]");
        Key(&section, "Pattern", Pick(rng, PATTERNS));
        Key(&section, "Radius", Number(2 + rng->Below(60)));
        Key(&section, "Flow", Number(5 + rng->Below(95)));
        Key(&section, "Rate", Number(10 + rng->Below(90)));
        Key(&section, "Jitter", Number(rng->Below(50)));
        Key(&section, "Pressure", Pick(rng, {"Off", "Size", "Flow", "Both"}));
        Line(&section, "");
        fits = AppendBlock(out, section);
    }
    PadTextToSize(out, ";");
}

// Words of the help file's prose.
static const char *const HELP_TOOLS[] = {
    "Pen", "AirBrush", "Eraser", "Fill", "Line", "Rectangle", "Ellipse", "Polygon",
    "Selection", "Lasso", "Magic Wand", "Text", "Colour Picker", "Zoom", "Clone",
    "Smudge", "Gradient", "Curve", "Hand", "Crop"
};
static const char *const HELP_MENUS[] = {
    "File", "Edit", "View", "Image", "Filters", "Options", "Window", "Help"
};
static const char *const HELP_COMMANDS[] = {
    "Open", "Save As", "Print", "Print Setup", "Undo", "Redo", "Paste Into",
    "Resize", "Rotate", "Flip Horizontal", "Flip Vertical", "Crop", "Colour Balance",
    "Brightness", "Contrast", "Grid", "Rulers", "Preferences", "Repeat Last Filter",
    "Select All", "Feather", "Invert Selection", "Canvas Size", "Histogram",
    "Convert to Grey", "Reduce Colours", "Acquire", "Send", "Properties"
};
static const char *const HELP_OBJECTS[] = {
    "the image", "the selection", "the active window", "the foreground colour",
    "the background colour", "the pen size", "the spray pattern", "the palette",
    "the zoom factor", "a new image", "the canvas", "the filter preview",
    "the brush shape", "the undo history", "the clipboard", "the colour depth",
    "the resolution", "the transparent colour", "the status bar", "the toolbox",
    "the mask", "the edges", "every channel", "the printer margins", "the ruler units",
    "the stroke", "the outline", "the pressure curve", "the grain", "the tolerance"
};
static const char *const HELP_VERBS[] = {
    "change", "adjust", "open", "save", "reset", "select", "edit", "preview",
    "apply", "remove", "copy", "scale", "restore", "lighten", "darken", "soften",
    "sharpen", "replace", "measure", "lock", "hide", "show", "store", "smooth"
};
static const char *const HELP_ADVERBS[] = {
    "quickly", "gradually", "exactly", "automatically", "temporarily", "slowly",
    "evenly", "precisely", "again", "separately", "at once", "by hand"
};
static const char *const HELP_KEYS[] = {
    "CTRL+Z", "CTRL+Y", "CTRL+C", "CTRL+V", "CTRL+X", "CTRL+A", "CTRL+S", "CTRL+O",
    "CTRL+P", "CTRL+N", "F1", "F2", "F5", "F8", "SHIFT+F3", "ALT+ENTER", "DEL", "TAB"
};
static const char *const HELP_TIPS[] = {
    "Hold down SHIFT to keep lines straight.",
    "Press ESC to cancel the current operation.",
    "The status bar shows the position of the pointer in pixels.",
    "Double-click a tool to open its options.",
    "Right-click to paint with the background colour.",
    "Changes are not saved until you choose Save from the File menu.",
    "Large radius values make filters slower on big images.",
    "You can undo a filter with Undo on the Edit menu.",
    "Images with 256 colours or fewer use the palette of the image itself.",
    "A pressure-sensitive tablet changes the size of the stroke as you press."
};

// One sentence of help prose about a tool. Every word is drawn in its own
// statement: the order in which one expression's operands are evaluated is
// up to the compiler, and the output must not depend on it.
static std::string HelpSentence(Rng *rng, const std::string &tool)
{
    uint32_t form = rng->Below(8);
    std::string verb = Pick(rng, HELP_VERBS);
    std::string object = Pick(rng, HELP_OBJECTS);
    std::string other = Pick(rng, HELP_OBJECTS);
    std::string command = Pick(rng, HELP_COMMANDS);
    std::string menu = Pick(rng, HELP_MENUS);
    std::string adverb = Pick(rng, HELP_ADVERBS);
    std::string key = Pick(rng, HELP_KEYS);
    std::string otherTool = Pick(rng, HELP_TOOLS);
    std::string tip = Pick(rng, HELP_TIPS);
    std::string low = Number(1 + rng->Below(20));
    std::string high = Number(21 + rng->Below(480));
    std::string standard = Number(1 + rng->Below(64));
    switch (form) {
    case 0:
        return "To " + verb + " " + object + ", choose " + command + " from the " + menu +
               " menu.";
    case 1:
        return "The " + tool + " tool uses " + object + " when you " + verb + " " + other +
               " " + adverb + ".";
    case 2:
        return "If you " + verb + " " + object + " first, Velloran keeps " + other +
               " as it was.";
    case 3:
        return tip;
    case 4:
        return "Values from " + low + " to " + high + " are allowed; the default is " +
               standard + ".";
    case 5:
        return "Press " + key + " to " + verb + " " + object + " without leaving the " + tool +
               " tool.";
    case 6:
        return "You can " + verb + " " + object + " " + adverb + " while " + other +
               " stays where it is.";
    default:
        return "See also: " + command + " (" + menu + " menu), " + otherTool + " tool.";
    }
}

// Breaks a paragraph into lines of at most TEXT_LINE_WIDTH characters.
static void WrapParagraph(std::string *text, const std::string &paragraph)
{
    std::string line;
    size_t start = 0;
    while (start < paragraph.size()) {
        size_t end = paragraph.find(' ', start);
        if (end == std::string::npos)
            end = paragraph.size();
        std::string word = paragraph.substr(start, end - start);
        start = end + 1;
        if (word.empty())
            continue;
        if (!line.empty() && line.size() + 1 + word.size() > TEXT_LINE_WIDTH) {
            Line(text, line);
            line.clear();
        }
        line += (line.empty() ? "" : " ") + word;
    }
    if (!line.empty())
        Line(text, line);
}

// The help file: numbered topics of prose about the tools.
static void MakeHelp(Output *out, Rng *rng, int)
{
    std::string text;
    Line(&text, "Velloran Help");
    Line(&text, "=============");
    Line(&text, "");
    bool fits = AppendBlock(out, text);
    for (int topic = 1; fits; topic++) {
        std::string section;
        std::string tool = Pick(rng, HELP_TOOLS);
        Line(&section, "Topic " + Number(topic) + ": Using the " + tool + " tool");
        Line(&section, "");
        int paragraphs = 1 + (int)rng->Below(3);
        for (int p = 0; p < paragraphs; p++) {
            std::string paragraph;
            int sentences = 2 + (int)rng->Below(4);
            for (int s = 0; s < sentences; s++)
                paragraph += HelpSentence(rng, tool) + " ";
            WrapParagraph(&section, paragraph);
            Line(&section, "");
        }
        fits = AppendBlock(out, section);
        // The last topic that does not fit whole ends the file line by line.
        for (size_t start = 0; !fits && start < section.size();) {
            size_t end = section.find("\r\n", start) + 2;
            if (!AppendBlock(out, section.substr(start, end - start)))
                break;
            start = end;
        }
    }
    PadTextToSize(out, "#");
}

// Binomial weights (a row of Pascal's triangle): an exact Gaussian stand-in.
static std::vector<uint32_t> BinomialRow(int width)
{
    std::vector<uint32_t> row(1, 1);
    for (int n = 1; n < width; n++) {
        std::vector<uint32_t> next(n + 1, 1);
        for (int k = 1; k < n; k++)
            next[k] = row[k - 1] + row[k];
        row = next;
    }
    return row;
}

// A filter: header, the base convolution kernel, then presets of scaled
// kernels and their 256-entry response curves until the file is full.
static void MakeKernel(Output *out, Rng *rng, int family)
{
    int width = 3 + 2 * (int)rng->Below(3);
    std::vector<float> kernel(width * width, 0.0f);
    int centre = width / 2;
    std::vector<uint32_t> binomial = BinomialRow(width);
    uint32_t binomialSum = 0;
    for (uint32_t b : binomial)
        binomialSum += b;
    for (int y = 0; y < width; y++) {
        for (int x = 0; x < width; x++) {
            float &weight = kernel[y * width + x];
            float gauss = (float)(binomial[x] * binomial[y]) / (float)(binomialSum * binomialSum);
            switch (family) {
            case KERNEL_BLUR:
                weight = gauss;
                break;
            case KERNEL_SHARPEN:
                weight = (x == centre && y == centre ? 2.0f : 0.0f) - gauss;
                break;
            case KERNEL_EDGE:
                weight = (x == centre && y == centre) ? (float)(width * width - 1) : -1.0f;
                break;
            case KERNEL_EMBOSS:
                weight = (float)((x - centre) + (y - centre)) / (float)width;
                break;
            case KERNEL_MOTION:
                weight = x == y ? 1.0f / (float)width : 0.0f;
                break;
            default:  // tone filters change levels only
                weight = x == centre && y == centre ? 1.0f : 0.0f;
                break;
            }
        }
    }
    // Only whole presets count; the last one may be cut short by the file size.
    size_t headerBytes = 48 + 4 * kernel.size();
    size_t presetBytes = 8 + 4 * kernel.size() + 2 * 256;
    size_t presets = WholeRecords(out->size, headerBytes, presetBytes);
    out->Text("VFLT");
    out->U16(0x0100);
    out->U16(family);
    out->U16(width);
    out->U16(width);
    out->U32((uint32_t)presets);
    out->F32(1.0f);                             // divisor
    out->F32(family == KERNEL_EMBOSS ? 128.0f : 0.0f);  // bias
    out->Name(std::string("Velloran ") + KERNEL_FAMILIES[family], 24);
    for (float w : kernel)
        out->F32(w);
    // The presets blend the kernel with identity by strength; each carries a
    // tone curve in sixteenths of a level: the identity bent by a cubic that
    // is zero at black, mid-grey and white.
    for (int preset = 1; !out->Full(); preset++) {
        int step = preset % 16 + 1;
        float strength = (float)step / 16.0f;
        out->F32(strength);
        out->U16(step * 4);  // radius in tenths of a pixel
        out->U16(preset);
        for (int i = 0; i < width * width; i++) {
            float identity = i == centre * width + centre ? 1.0f : 0.0f;
            out->F32(identity + (kernel[i] - identity) * strength);
        }
        int bend = (int)rng->Below(9) - 4;
        for (int x = 0; x < 256; x++) {
            long t = x;
            long value = t * 16 + bend * t * (255 - t) * (255 - 2 * t) / (255 * 255 * 2);
            if (value < 0)
                value = 0;
            if (value > 4095)
                value = 4095;
            out->U16((uint32_t)value);
        }
    }
}

// One brush mask: coverage of a shape at each pixel, by counting which of
// MASK_SUPERSAMPLE squared subsamples fall inside it.
static void MakePen(Output *out, Rng *rng, int shape)
{
    int side = 4;
    while ((size_t)((side + 2) * (side + 2)) + 16 <= out->size * 3 / 4 && side < 64)
        side += 2;
    out->Text("VPEN");
    out->U16(0x0100);
    out->U16(side);
    out->U16(side);
    out->U8(shape);
    out->U8(rng->Below(2));          // follows pressure
    out->U16(1 + rng->Below(side));  // spacing in pixels
    out->U16(0);
    const int n = side * MASK_SUPERSAMPLE;  // sub-pixel grid, centre at n/2
    for (int y = 0; y < side; y++) {
        for (int x = 0; x < side; x++) {
            int inside = 0;
            for (int sy = 0; sy < MASK_SUPERSAMPLE; sy++) {
                for (int sx = 0; sx < MASK_SUPERSAMPLE; sx++) {
                    long px = 2 * (x * MASK_SUPERSAMPLE + sx) + 1 - n;
                    long py = 2 * (y * MASK_SUPERSAMPLE + sy) + 1 - n;
                    long r = n - 2;
                    bool hit;
                    switch (shape) {
                    case PEN_ROUND:
                        hit = px * px + py * py <= r * r;
                        break;
                    case PEN_SQUARE:  // a pixel inside the edge
                        hit = labs(px) <= r && labs(py) <= r;
                        break;
                    case PEN_CHISEL:  // a thin diagonal bar
                        hit = labs(px - py) <= r / 4 && labs(px + py) <= 2 * r;
                        break;
                    case PEN_CALLIGRAPHY:  // a flat ellipse, tilted
                        hit = (px + py) * (px + py) / 8 + (px - py) * (px - py) * 2 <= r * r;
                        break;
                    default:  // highlighter: a wide flat bar
                        hit = labs(px) <= r && labs(py) <= r / 3;
                        break;
                    }
                    inside += hit;
                }
            }
            out->U8(inside * 255 / (MASK_SUPERSAMPLE * MASK_SUPERSAMPLE));
        }
    }
    // Pressure tables: input pressure 0..255 to size and opacity, piecewise linear.
    while (!out->Full()) {
        int knee = 32 + (int)rng->Below(192);
        for (int p = 0; p < 256; p++)
            out->U8(p < knee ? p * 128 / knee : 128 + (p - knee) * 127 / (255 - knee));
    }
}

// Airbrush spray: frames of droplet density on a square grid. Droplets fall
// more often near the centre, a faint mist covers the whole square, and each
// droplet takes one of a few strengths: noisy, but far from random.
static void MakeSpray(Output *out, Rng *rng, int)
{
    int side = 32 << rng->Below(2);
    int levels = 6 + 2 * (int)rng->Below(6);
    int density = 60 + (int)rng->Below(41);  // percent at the centre
    int mist = 10 + (int)rng->Below(16);     // percent anywhere
    out->Text("VSPR");
    out->U16(0x0100);
    out->U16(side);
    out->U16(side);
    out->U16(levels);
    out->U16(density);
    out->U32((uint32_t)WholeRecords(out->size, 20, side * side));  // frames
    out->U16(mist);
    long radius2 = (long)side * side / 4;
    while (!out->Full()) {
        for (int y = 0; y < side; y++) {
            for (int x = 0; x < side; x++) {
                long dx = 2 * x + 1 - side, dy = 2 * y + 1 - side;
                long d2 = (dx * dx + dy * dy) / 4;
                long chance = d2 >= radius2 ? 0 : density * (radius2 - d2) / radius2;
                if ((long)rng->Below(100) < chance)
                    out->U8(255 * (1 + rng->Below(levels)) / levels);
                else if ((int)rng->Below(100) < mist)
                    out->U8(1 + rng->Below(32));
                else
                    out->U8(0);
            }
        }
    }
}

// A library of image routines: an export table of names and entry offsets,
// lookup tables, then a body of coded routines.
static void MakeLibrary(Output *out, Rng *rng, int)
{
    static const char *const NOUNS[] = {
        "Image", "Bitmap", "Palette", "Brush", "Pen", "Selection", "Layer",
        "Filter", "Colour", "Region", "Canvas", "Undo", "Clipboard", "Printer",
        "Scanner", "Codec", "Gradient", "Mask"
    };
    static const char *const VERBS[] = {
        "Create", "Destroy", "Load", "Save", "Copy", "Resize", "Rotate", "Blend",
        "Apply", "Query", "Set", "Get", "Lock", "Unlock", "Convert", "Draw", "Fill",
        "Clear", "Begin", "End"
    };
    int exports = 24 + (int)rng->Below(24 + (uint32_t)(out->size / 1024));
    out->Text("VLIB");
    out->U16(0x0100);
    out->U16(exports);
    out->U32((uint32_t)out->size);
    uint32_t offset = 0x1000;
    for (int i = 0; i < exports && !out->Full(); i++) {
        out->U16(i + 1);
        out->U32(offset);
        offset += 16 * (4 + rng->Below(60));
        std::string noun = Pick(rng, NOUNS);
        std::string verb = Pick(rng, VERBS);
        std::string suffix = rng->Chance(30) ? "Ex" : "";
        out->Name("Vl" + noun + verb + suffix, 32);
    }
    // Gamma and 8-to-16-bit expansion tables as a colour library keeps them.
    for (int g = 1; g <= 4 && out->Left() > out->size / 4; g++)
        for (int x = 0; x < 256; x++)
            out->U8((x * x / 255 * g + x * (4 - g)) / 4);
    for (int x = 0; x < 256 && out->Left() > out->size / 4; x++)
        out->U16(x * 257);
    // Routines: a prologue, a run of operations of a small instruction set
    // (opcodes with register and immediate operands, some far more common
    // than others), and a return padded to a 16-byte boundary.
    static const uint8_t COMMON[] = {0x8B, 0x89, 0x83, 0x50, 0x51, 0x52, 0x56, 0x57, 0x5E, 0x5F, 0x33, 0x85};
    while (!out->Full()) {
        out->U8(0x55);
        out->U8(0x8B);
        out->U8(0xEC);
        int operations = 4 + (int)rng->Below(40);
        for (int i = 0; i < operations; i++) {
            uint32_t kind = rng->Below(10);
            if (kind < 6) {
                out->U8(COMMON[rng->Below(sizeof COMMON)]);
                out->U8(0x45 + 8 * rng->Below(4));
                out->U8(0xF0 + 4 * rng->Below(4));
            } else if (kind < 8) {
                out->U8(0xE8);
                out->U32(offset - 0x1000 - 16 * rng->Below(256));
            } else if (kind < 9) {
                out->U8(0x68);
                out->U32(rng->Next() & 0xFFFF);
            } else {
                out->U8(0x74 + rng->Below(2));
                out->U8(rng->Below(128));
            }
        }
        out->U8(0x5D);
        out->U8(0xC3);
        while (out->bytes.size() % 16 && !out->Full())
            out->U8(0x90);
    }
}

// Colour palettes of 256 RGB quads: the twenty colours that Windows reserves
// at both ends, and ramps between a few anchor colours in between.
static void MakePalette(Output *out, Rng *rng, int)
{
    static const uint32_t RESERVED[20] = {
        0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080, 0x008080,
        0xC0C0C0, 0xC0DCC0, 0xA6CAF0,
        0xFFFBF0, 0xA0A0A4, 0x808080, 0xFF0000, 0x00FF00, 0xFFFF00, 0x0000FF,
        0xFF00FF, 0x00FFFF, 0xFFFFFF
    };
    const int rampEntries = 256 - 20;
    out->Text("VPAL");
    out->U16(0x0100);
    out->U16((uint32_t)WholeRecords(out->size, 8, 32 + 256 * 4));
    for (int palette = 1; !out->Full(); palette++) {
        out->Name("Palette " + Number(palette), 32);
        int anchors = 2 + (int)rng->Below(7);
        std::vector<uint32_t> colours(anchors + 1);
        for (uint32_t &c : colours)
            c = (uint32_t)rng->Next() & 0xFFFFFF;
        int span = rampEntries / anchors;
        for (int i = 0; i < 256; i++) {
            uint32_t rgb;
            if (i < 10 || i >= 246) {
                rgb = RESERVED[i < 10 ? i : i - 236];
            } else {
                int k = i - 10;
                int a = k / span < anchors ? k / span : anchors - 1;
                int t = k - a * span;
                rgb = 0;
                for (int shift = 16; shift >= 0; shift -= 8) {
                    int f = (colours[a] >> shift) & 0xFF, e = (colours[a + 1] >> shift) & 0xFF;
                    rgb |= (uint32_t)(f + (e - f) * t / span) << shift;
                }
            }
            out->U8(rgb >> 16);
            out->U8(rgb >> 8);
            out->U8(rgb);
            out->U8(0);
        }
    }
}

// Gradient presets: a name, a few colour stops and the 256-step ramp they make.
static void MakeGradient(Output *out, Rng *rng, int)
{
    static const char *const NAMES[] = {
        "Sunrise", "Ocean", "Forest", "Steel", "Fire", "Pastel", "Rainbow",
        "Chrome", "Dusk", "Copper", "Ice", "Sepia"
    };
    out->Text("VGRD");
    out->U16(0x0100);
    out->U16(0);
    for (int preset = 1; !out->Full(); preset++) {
        out->Name(std::string(Pick(rng, NAMES)) + " " + Number(preset), 32);
        int stops = 2 + (int)rng->Below(4);
        out->U16(stops);
        out->U16(rng->Below(3));  // linear, radial or conical
        std::vector<uint32_t> colours(stops);
        std::vector<int> positions(stops);
        for (int s = 0; s < stops; s++) {
            colours[s] = (uint32_t)rng->Next();
            positions[s] = s * 255 / (stops - 1);
            out->U16(positions[s] * 257);
            out->U32(colours[s] | 0xFF000000u);
        }
        for (int i = 0; i < 256; i++) {
            int s = 0;
            while (s + 2 < stops && i > positions[s + 1])
                s++;
            int t = i - positions[s], span = positions[s + 1] - positions[s];
            for (int shift = 0; shift < 24; shift += 8) {
                int f = (colours[s] >> shift) & 0xFF, e = (colours[s + 1] >> shift) & 0xFF;
                out->U8(f + (e - f) * t / span);
            }
            out->U8(255);
        }
    }
}

// Paper and canvas textures: tiles of 8-bit grey. Woven and brick tiles
// repeat with a little grain; paper grain is noise of a few levels; clouds
// are a smoothed random lattice, which hardly repeats at all.
static void MakeTexture(Output *out, Rng *rng, int)
{
    const int side = 128;
    const int lattice = 16;  // cloud lattice spacing in pixels
    out->Text("VTEX");
    out->U16(0x0100);
    out->U16(side);
    out->U32((uint32_t)WholeRecords(out->size, 12, side * side + 16));
    for (int tile = 1; !out->Full(); tile++) {
        int kind = (int)rng->Below(4);
        out->Name("Texture " + Number(tile), 12);
        out->U16(kind);
        out->U16(side);
        int base = 96 + (int)rng->Below(64);
        int grain = 2 + (int)rng->Below(7);
        int period = 4 << rng->Below(3);
        int corners[side / lattice + 1][side / lattice + 1];
        for (auto &row : corners)
            for (int &corner : row)
                corner = (int)rng->Below(96);
        for (int y = 0; y < side; y++) {
            for (int x = 0; x < side; x++) {
                int value;
                switch (kind) {
                case 0:  // canvas weave
                    value = base + (((x / period) + (y / period)) % 2 ? 24 : -24) +
                            ((x % period == 0 || y % period == 0) ? -16 : 0) +
                            (int)rng->Below(grain);
                    break;
                case 1:  // bricks, mortar a little uneven
                    value = (y % (2 * period) == 0 ||
                             (x + (y / (2 * period)) % 2 * period) % (4 * period) == 0)
                                ? base / 2 + (int)rng->Below(grain)
                                : base;
                    break;
                case 2:  // paper grain
                    value = base + (int)rng->Below(grain) * 8;
                    break;
                default: {  // clouds: bilinear between lattice corners
                    int cx = x / lattice, cy = y / lattice, fx = x % lattice, fy = y % lattice;
                    int top = corners[cy][cx] * (lattice - fx) + corners[cy][cx + 1] * fx;
                    int bottom = corners[cy + 1][cx] * (lattice - fx) + corners[cy + 1][cx + 1] * fx;
                    value = base - 48 + (top * (lattice - fy) + bottom * fy) / (lattice * lattice) +
                            (int)rng->Below(4);
                    break;
                }
                }
                out->U8(value < 0 ? 0 : value > 255 ? 255 : value);
            }
        }
    }
}

// Random seeds: pseudo-random bytes, which no coder can shrink.
static void MakeRandom(Output *out, Rng *rng, int)
{
    while (!out->Full())
        out->U8((uint32_t)rng->Next());
}

static const Recipe RECIPES[] = {
    {"config",         MakeConfig,      0},
    {"brushcfg",       MakeBrushConfig, 0},
    {"help",           MakeHelp,        0},
    {"kernel-blur",    MakeKernel,      KERNEL_BLUR},
    {"kernel-sharpen", MakeKernel,      KERNEL_SHARPEN},
    {"kernel-edge",    MakeKernel,      KERNEL_EDGE},
    {"kernel-emboss",  MakeKernel,      KERNEL_EMBOSS},
    {"kernel-motion",  MakeKernel,      KERNEL_MOTION},
    {"kernel-tone",    MakeKernel,      KERNEL_TONE},
    {"pen-round",      MakePen,         PEN_ROUND},
    {"pen-square",     MakePen,         PEN_SQUARE},
    {"pen-chisel",     MakePen,         PEN_CHISEL},
    {"pen-calligraphy", MakePen,        PEN_CALLIGRAPHY},
    {"pen-bar",        MakePen,         PEN_BAR},
    {"spray",          MakeSpray,       0},
    {"library",        MakeLibrary,     0},
    {"palette",        MakePalette,     0},
    {"gradient",       MakeGradient,    0},
    {"texture",        MakeTexture,     0},
    {"random",         MakeRandom,      0},
};

static bool ParseNumber(const char *text, unsigned long long limit, unsigned long long *value)
{
    if (!*text)
        return false;
    char *end;
    errno = 0;
    *value = strtoull(text, &end, 10);
    return *end == 0 && errno == 0 && text[0] != '-' && *value <= limit;
}

static void Usage()
{
    fprintf(stderr, "usage: make_sample_data <recipe> <size> <seed> <output file>\nrecipes:");
    for (const Recipe &recipe : RECIPES)
        fprintf(stderr, " %s", recipe.name);
    fprintf(stderr, "\n");
}

int main(int argc, char **argv)
{
    if (argc != 5) {
        Usage();
        return 2;
    }
    const Recipe *recipe = nullptr;
    for (const Recipe &candidate : RECIPES)
        if (strcmp(candidate.name, argv[1]) == 0)
            recipe = &candidate;
    unsigned long long size, seed;
    if (!recipe || !ParseNumber(argv[2], MAX_SAMPLE_SIZE, &size) || size == 0 ||
        !ParseNumber(argv[3], UINT64_MAX, &seed)) {
        fprintf(stderr, "make_sample_data: bad recipe, size or seed\n");
        Usage();
        return 2;
    }

    Output out{(size_t)size, {}};
    out.bytes.reserve(out.size);
    // The recipe's name joins the seed so that equal seeds of two recipes
    // still draw different numbers.
    Rng rng{seed};
    for (const char *c = recipe->name; *c; c++)
        rng.state = rng.state * 31 + (uint8_t)*c;
    recipe->make(&out, &rng, recipe->variant);
    while (!out.Full())
        out.U8(0);

    FILE *file = fopen(argv[4], "wb");
    if (!file) {
        fprintf(stderr, "make_sample_data: cannot write %s: %s\n", argv[4], strerror(errno));
        return 1;
    }
    bool ok = fwrite(out.bytes.data(), 1, out.bytes.size(), file) == out.bytes.size();
    if (fclose(file) != 0)
        ok = false;
    if (!ok) {
        fprintf(stderr, "make_sample_data: cannot write %s\n", argv[4]);
        remove(argv[4]);
        return 1;
    }
    return 0;
}
