// The viewer's own decoders, fed with files built byte by byte here, so that
// every expected pixel is known; and the loader that picks a decoder by name
// or contents.
#include "payload/velloran/decoders.h"
#include "payload/velloran/picture_file.h"
#include "test_support.h"
#include <gtest/gtest.h>
#include <algorithm>
#include <string>
#include <vector>

namespace {

typedef std::vector<BYTE> Bytes;

const DWORD kRed = 0xFFFF0000, kGreen = 0xFF00FF00, kBlue = 0xFF0000FF, kWhite = 0xFFFFFFFF;
const DWORD kYellow = 0xFFFFFF00, kBlack = 0xFF000000;

// Owns a decoded picture; filled with a sentinel first so a decoder that
// fails must be seen to clear it.
struct Decoded {
    Picture picture;
    Decoded() { picture.width = 0xA5A5; picture.height = 0xA5A5; picture.pixels = (uint32_t *)0xA5A5A5A5; }
    ~Decoded() { if (picture.pixels != (uint32_t *)0xA5A5A5A5) FreePicture(&picture); }
    DWORD At(int x, int y) const { return picture.pixels[y * picture.width + x]; }
};

#define check_pixels(decoded, ...) check_pixels_(__LINE__, decoded, __VA_ARGS__)
void check_pixels_(int line, const Decoded &decoded, int width, int height, const std::vector<DWORD> &expected)
{
    ASSERT_EQ(width, decoded.picture.width) << "from line " << line;
    ASSERT_EQ(height, decoded.picture.height) << "from line " << line;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            EXPECT_EQ(expected[y * width + x], decoded.At(x, y)) << "pixel " << x << "," << y << " from line " << line;
}

void PutWord(Bytes &bytes, WORD value)
{
    bytes.push_back((BYTE)value);
    bytes.push_back((BYTE)(value >> 8));
}

Bytes Text(const char *text)
{
    return Bytes(text, text + lstrlenA(text));
}

Bytes Cat(Bytes head, const Bytes &tail)
{
    head.insert(head.end(), tail.begin(), tail.end());
    return head;
}

Bytes Repeat(const Bytes &unit, int times)
{
    Bytes bytes;
    for (int i = 0; i < times; ++i)
        bytes.insert(bytes.end(), unit.begin(), unit.end());
    return bytes;
}

Bytes Patched(Bytes bytes, size_t offset, BYTE value)
{
    bytes[offset] = value;
    return bytes;
}

typedef PictureError (*Decoder)(const uint8_t *data, uint32_t size, Picture *picture);

// ---- TGA ---------------------------------------------------------------

Bytes TgaHeader(BYTE imageType, WORD width, WORD height, BYTE bits, BYTE descriptor, BYTE idLength = 0,
                BYTE mapType = 0, WORD mapLength = 0, BYTE mapBits = 0)
{
    // The first map entry and the picture's origin are zero.
    return { idLength, mapType, imageType, 0, 0, (BYTE)mapLength, (BYTE)(mapLength >> 8), mapBits, 0, 0, 0, 0,
             (BYTE)width, (BYTE)(width >> 8), (BYTE)height, (BYTE)(height >> 8), bits, descriptor };
}

Bytes Bgr(DWORD pixel)
{
    return { (BYTE)pixel, (BYTE)(pixel >> 8), (BYTE)(pixel >> 16) };
}

Bytes Bgra(DWORD pixel)
{
    return Cat(Bgr(pixel), { (BYTE)(pixel >> 24) });
}

// Red, green, blue and white in 5-5-5 bits, for 15/16-bit pixels and maps.
const WORD kFiveBits[4] = { 0x7C00, 0x03E0, 0x001F, 0x7FFF };
const DWORD kFour[4] = { kRed, kGreen, kBlue, kWhite };

TEST(TgaDecoder, EveryOriginCornerAndFifteenSixteenBitColour)
{
    // A 2 x 2 picture stored from each corner: red green over blue white.
    const struct {
        BYTE descriptor;
        int order[4];   // which colour the file stores first, second...
    } origins[] = {
        { 0x00, { 2, 3, 0, 1 } },   // bottom left
        { 0x10, { 3, 2, 1, 0 } },   // bottom right
        { 0x20, { 0, 1, 2, 3 } },   // top left
        { 0x30, { 1, 0, 3, 2 } },   // top right
    };
    for (const auto &origin : origins)
        for (BYTE bits : { 15, 16 }) {
            Bytes file = TgaHeader(2, 2, 2, bits, origin.descriptor);
            for (int k : origin.order)
                PutWord(file, kFiveBits[k]);
            Decoded decoded;
            ASSERT_EQ(PICTURE_OK, DecodeTga(file.data(), (DWORD)file.size(), &decoded.picture));
            check_pixels(decoded, 2, 2, { kRed, kGreen, kBlue, kWhite });
        }
}

TEST(TgaDecoder, ColourMapsOfEveryEntrySizeWithSixteenBitIndexes)
{
    // Map entries 3 to 6 (first entry 3) in 16, 24 and 32 bits; the indexes
    // are 16 bits wide in the run-length coded one.
    for (BYTE mapBits : { 16, 24, 32 }) {
        Bytes file = TgaHeader(9, 4, 1, 16, 0x20, 0, 1, 4, mapBits);
        file[3] = 3;
        for (int k = 0; k < 4; ++k) {
            if (mapBits == 16)
                PutWord(file, kFiveBits[k]);
            else if (mapBits == 24)
                file = Cat(file, Bgr(kFour[k]));
            else
                file = Cat(file, Bgra(kFour[k]));
        }
        file.push_back(0x81);
        PutWord(file, 6);
        file.push_back(1);
        PutWord(file, 4);
        PutWord(file, 3);
        Decoded decoded;
        ASSERT_EQ(PICTURE_OK, DecodeTga(file.data(), (DWORD)file.size(), &decoded.picture)) << (int)mapBits;
        check_pixels(decoded, 4, 1, { kWhite, kWhite, kGreen, kRed });
    }
}

// ---- PCX ---------------------------------------------------------------

Bytes PcxHeader(BYTE bits, BYTE planes, WORD width, WORD height, WORD bytesPerLine, BYTE encoding = 1)
{
    Bytes bytes(128, 0);
    bytes[0] = 0x0A;
    bytes[1] = 5;
    bytes[2] = encoding;
    bytes[3] = bits;
    bytes[4] = 10;  // xMin 10, yMin 20: only the differences count
    bytes[6] = 20;
    WORD xMax = (WORD)(10 + width - 1), yMax = (WORD)(20 + height - 1);
    bytes[8] = (BYTE)xMax;
    bytes[9] = (BYTE)(xMax >> 8);
    bytes[10] = (BYTE)yMax;
    bytes[11] = (BYTE)(yMax >> 8);
    bytes[65] = planes;
    bytes[66] = (BYTE)bytesPerLine;
    bytes[67] = (BYTE)(bytesPerLine >> 8);
    return bytes;
}

// The 256-colour palette that may follow the picture data.
Bytes Palette(const std::vector<DWORD> &colours)
{
    Bytes bytes(1, 0x0C);
    for (int i = 0; i < 256; ++i) {
        DWORD colour = i < (int)colours.size() ? colours[i] : 0;
        bytes.push_back((BYTE)(colour >> 16));
        bytes.push_back((BYTE)(colour >> 8));
        bytes.push_back((BYTE)colour);
    }
    return bytes;
}

void PutHeaderPalette(Bytes &file, const std::vector<DWORD> &colours)
{
    for (size_t i = 0; i < colours.size(); ++i) {
        file[16 + 3 * i] = (BYTE)(colours[i] >> 16);
        file[17 + 3 * i] = (BYTE)(colours[i] >> 8);
        file[18 + 3 * i] = (BYTE)colours[i];
    }
}

// Four colours as netpbm writes them (one bit in two planes, or two bits
// packed), in files longer than a 256-colour palette, with and without one
// after the picture as ImageMagick puts it there: the colours come from the
// header, and the picture data runs to the end of the file.
TEST(PcxDecoder, SixteenColourLayoutsReadTheirPaletteFromTheHeader)
{
    enum { WIDTH = 8, HEIGHT = 400 };
    const std::vector<DWORD> colours = { kRed, kGreen, kBlue, kYellow };
    const struct {
        BYTE bits, planes, bytesPerLine;
        BYTE line[2];
        bool trailingPalette;
    } layouts[] = {
        { 1, 2, 1, { 0x55, 0x33 }, false },   // plane 0 the low bit of each index: 0 1 2 3 0 1 2 3
        { 2, 1, 2, { 0x1B, 0x1B }, false },   // 00 01 10 11, twice
        { 2, 1, 2, { 0x1B, 0x1B }, true },
    };
    std::vector<DWORD> expected;
    for (int i = 0; i < WIDTH * HEIGHT; ++i)
        expected.push_back(colours[i % 4]);
    for (const auto &layout : layouts) {
        Bytes file = PcxHeader(layout.bits, layout.planes, WIDTH, HEIGHT, layout.bytesPerLine, 0);
        PutHeaderPalette(file, colours);
        for (int y = 0; y < HEIGHT; ++y)
            file.insert(file.end(), layout.line, layout.line + 2);
        if (layout.trailingPalette)
            file = Cat(file, Palette({ kWhite, kWhite, kWhite, kWhite }));
        Decoded decoded;
        ASSERT_EQ(PICTURE_OK, DecodePcx(file.data(), (DWORD)file.size(), &decoded.picture)) << (int)layout.bits;
        check_pixels(decoded, WIDTH, HEIGHT, expected);
    }
}

// ---- PPM / PGM ---------------------------------------------------------

// Small files of each kind, and the pixels they hold.
TEST(Decoders, SmallFilesGiveTheirPixels)
{
    const DWORD halfRed = 0x80FF0000;
    std::vector<DWORD> topPalette(256, kBlack);
    topPalette[200] = kYellow;
    const struct {
        const char *what;
        Decoder decode;
        Bytes file;
        int width, height;
        std::vector<DWORD> pixels;
    } cases[] = {
        // Six pixels of one colour cross the row end, then two as they are.
        { "TGA: run-length coded, 32 bits with alpha, top-left origin", DecodeTga,
          Cat(Cat(TgaHeader(10, 4, 2, 32, 0x28), Cat({ 0x80 | 5 }, Bgra(halfRed))),
              Cat(Cat({ 1 }, Bgra(kGreen)), Bgra(kBlue))),
          4, 2, { halfRed, halfRed, halfRed, halfRed, halfRed, halfRed, kGreen, kBlue } },
        { "TGA: 32 bits without alpha bits is opaque", DecodeTga,
          Cat(TgaHeader(2, 1, 1, 32, 0x20), Bgra(0x00123456)), 1, 1, { 0xFF123456 } },
        // Two colour map entries that must not be taken as pixels.
        { "TGA: id field and colour map are skipped", DecodeTga,
          Cat(Cat(TgaHeader(2, 1, 1, 24, 0x20, 3, 1, 2, 24), Text("abc")),
              Cat(Repeat(Bgr(kWhite), 2), Bgr(kGreen))),
          1, 1, { kGreen } },
        // Row 0: index 1 three times and a padding byte; row 1: 2, 3, 1 and padding.
        { "PCX: 8 bits, palette, runs", DecodePcx,
          Cat(Cat(PcxHeader(8, 1, 3, 2, 4), { 0xC3, 1, 0, 2, 3, 1, 0 }), Palette({ kBlack, kRed, kGreen, kBlue })),
          3, 2, { kRed, kRed, kRed, kGreen, kBlue, kRed } },
        { "PCX: an index with its top bits set is written as a run of one", DecodePcx,
          Cat(Cat(PcxHeader(8, 1, 2, 1, 2), { 0xC1, 200, 0 }), Palette(topPalette)), 2, 1, { kYellow, kBlack } },
        // One run of four 0xFF (red, green, blue of row 0, red of row 1), then green, blue.
        { "PCX: a run may cross the end of a line", DecodePcx,
          Cat(PcxHeader(8, 3, 1, 2, 1), { 0xC4, 0xFF, 0x00, 0x00 }), 1, 2, { kWhite, kRed } },
        { "PCX: 8 bits without a palette is grey", DecodePcx,
          Cat(PcxHeader(8, 1, 2, 1, 2, 0), { 0x10, 0xF0 }), 2, 1, { 0xFF101010, 0xFFF0F0F0 } },
        // 1010 0000: white, black, white, then black; 0100 0000: pixel 9 white.
        { "PCX: 1 bit black and white", DecodePcx, Cat(PcxHeader(1, 1, 10, 1, 2), { 0xA0, 0x40 }), 10, 1,
          { kWhite, kBlack, kWhite, kBlack, kBlack, kBlack, kBlack, kBlack, kBlack, kWhite } },
        { "PPM: plain colour with comments and a small maximum", DecodePpm,
          Text("P3 # a comment right after the magic\n# and one on its own line\n 2\t2 15\n"
               "15 0 0   0 15 0\n 0 0 15\n15 15 15\n"),
          2, 2, { kRed, kGreen, kBlue, kWhite } },
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        Decoded decoded;
        ASSERT_EQ(PICTURE_OK, c.decode(c.file.data(), (DWORD)c.file.size(), &decoded.picture));
        check_pixels(decoded, c.width, c.height, c.pixels);
    }
}

// Damaged or unusable files: each is refused with its reason, and no decoder
// leaves pixels behind.
TEST(Decoders, DamagedOrUnusableFilesAreRefused)
{
    const Bytes plainTga = Cat(TgaHeader(2, 2, 2, 24, 0), Bgr(kRed));
    const struct {
        const char *what;
        Decoder decode;
        Bytes file;
        PictureError expected;
    } cases[] = {
        { "TGA: fewer pixels than the header promises", DecodeTga, plainTga, PICTURE_TRUNCATED },
        { "TGA: cut within the header", DecodeTga, Bytes(plainTga.begin(), plainTga.begin() + 10), PICTURE_TRUNCATED },
        { "TGA: a run past the last pixel", DecodeTga, Cat(TgaHeader(10, 8, 8, 24, 0), Cat({ 0x80 | 127 }, Bgr(kRed))),
          PICTURE_DAMAGED },
        { "TGA: runs too short", DecodeTga, Cat(TgaHeader(10, 8, 9, 24, 0), Repeat(Cat({ 0x80 | 3 }, Bgr(kRed)), 2)),
          PICTURE_TRUNCATED },
        // Refused before anything is allocated.
        { "TGA: more pixels than the longest runs could give", DecodeTga,
          Cat(TgaHeader(10, 4096, 4096, 24, 0), Repeat(Cat({ 0x80 | 127 }, Bgr(kRed)), 1000)), PICTURE_TRUNCATED },
        { "TGA: 12-bit colour map", DecodeTga, TgaHeader(1, 1, 1, 8, 0, 0, 1, 1, 12), PICTURE_UNSUPPORTED },
        { "TGA: no image", DecodeTga, TgaHeader(0, 1, 1, 24, 0), PICTURE_BAD_HEADER },
        { "TGA: no width", DecodeTga, TgaHeader(2, 0, 5, 24, 0), PICTURE_BAD_HEADER },
        { "TGA: 12-bit pixels", DecodeTga, TgaHeader(2, 1, 1, 12, 0), PICTURE_UNSUPPORTED },
        { "TGA: an index outside the colour map", DecodeTga,
          Cat(Cat(TgaHeader(1, 1, 1, 8, 0, 0, 1, 2, 24), Bgr(kRed)), Cat(Bgr(kBlue), { 2 })), PICTURE_DAMAGED },
        { "TGA: a run of an index outside the colour map", DecodeTga,
          Cat(Cat(TgaHeader(9, 2, 1, 8, 0, 0, 1, 1, 24), Bgr(kRed)), { 0x81, 7 }), PICTURE_DAMAGED },
        { "TGA: 65535 x 65535 would need 16 GB", DecodeTga, TgaHeader(10, 65535, 65535, 32, 0), PICTURE_TOO_LARGE },
        { "PCX: data ends early", DecodePcx, Cat(PcxHeader(8, 3, 4, 4, 4), { 0xC5, 0x11 }), PICTURE_TRUNCATED },
        { "PCX: not a ZSoft file", DecodePcx, Patched(PcxHeader(8, 1, 1, 1, 2), 0, 0x0B), PICTURE_BAD_HEADER },
        { "PCX: planes of two bits", DecodePcx, PcxHeader(2, 4, 2, 2, 2), PICTURE_UNSUPPORTED },
        { "PCX: lines narrower than the picture", DecodePcx, PcxHeader(8, 1, 10, 1, 4), PICTURE_BAD_HEADER },
        { "PCX: shorter than its header", DecodePcx, Bytes(40, 0x0A), PICTURE_TRUNCATED },
        // Must end in "truncated", not in a stack overflow.
        { "PCX: a long stream of empty runs", DecodePcx, Cat(PcxHeader(8, 1, 4, 4, 4), Repeat({ 0xC0, 0x00 }, 2000000)),
          PICTURE_TRUNCATED },
        // It once made the decoder read past the end of its data.
        { "PCX: few colours, ending early", DecodePcx, Cat(PcxHeader(2, 1, 4, 4, 1), { 0x1B }), PICTURE_TRUNCATED },
        { "PCX: more lines than the longest runs could give", DecodePcx,
          Cat(PcxHeader(8, 3, 4096, 4096, 4096), Repeat({ 0xFF, 0x00 }, 1000)), PICTURE_TRUNCATED },
        { "PCX: a run past the last line", DecodePcx, Cat(PcxHeader(8, 1, 2, 1, 2), { 0xC3, 0x10 }), PICTURE_DAMAGED },
        { "PPM: fewer bytes than pixels", DecodePpm, Text("P6\n2 2\n255\nabc"), PICTURE_TRUNCATED },
        { "plain PPM: a sample missing", DecodePpm, Text("P3\n1 1\n255\n0 0"), PICTURE_TRUNCATED },
        { "plain PPM: a sample above the maximum", DecodePpm, Text("P3\n1 1\n255\n0 300 0\n"), PICTURE_DAMAGED },
        { "plain PPM: a letter for a sample", DecodePpm, Text("P3\n1 1\n255\n0 x 0\n"), PICTURE_DAMAGED },
        { "PPM: a width past 32 bits", DecodePpm, Text("P6\n99999999999 1\n255\n"), PICTURE_BAD_HEADER },
        { "PPM: wider than the widest picture", DecodePpm, Text("P6\n20000 1\n255\n"), PICTURE_TOO_LARGE },
        { "PPM: too many pixels", DecodePpm, Text("P6\n16384 16384\n255\n"), PICTURE_TOO_LARGE },
        { "PPM: a maximum of 0", DecodePpm, Text("P6\n1 1\n0\n"), PICTURE_BAD_HEADER },
        { "PPM: a maximum past 16 bits", DecodePpm, Text("P6\n1 1\n70000\n"), PICTURE_BAD_HEADER },
        { "PPM: no width", DecodePpm, Text("P6\n0 1\n255\n"), PICTURE_BAD_HEADER },
        { "PPM: the header cut short", DecodePpm, Text("P6\n1 1 255"), PICTURE_TRUNCATED },
        { "PAM", DecodePpm, Text("P7\nWIDTH 1\n"), PICTURE_UNSUPPORTED },
        { "PBM: two bytes a row, three given", DecodePpm, Text("P4\n9 2\n\x80\x80\x80"), PICTURE_TRUNCATED },
        { "plain PBM: a pixel missing", DecodePpm, Text("P1\n2 1\n1"), PICTURE_TRUNCATED },
        { "plain PBM: a 2", DecodePpm, Text("P1\n2 1\n1 2\n"), PICTURE_DAMAGED },
        { "netpbm: an unknown kind", DecodePpm, Text("Px\n1 1\n"), PICTURE_BAD_HEADER },
        { "PPM: the magic alone", DecodePpm, Text("P6"), PICTURE_TRUNCATED },
    };
    for (const auto &c : cases) {
        Decoded decoded;
        EXPECT_EQ(c.expected, c.decode(c.file.data(), (DWORD)c.file.size(), &decoded.picture)) << c.what;
        EXPECT_EQ(nullptr, decoded.picture.pixels) << c.what;
    }
}

// ---- Shared parts --------------------------------------------------------

TEST(Picture, FlattenBlendsOverTheBackground)
{
    Picture picture;
    ASSERT_EQ(PICTURE_OK, AllocatePicture(&picture, 3, 1));
    picture.pixels[0] = 0x80FFFFFF;  // half-transparent white
    picture.pixels[1] = 0x00FF0000;  // fully transparent red
    picture.pixels[2] = 0xFF102030;  // opaque
    FlattenPicture(&picture, PackPixel(0, 0, 0x40, 255));
    EXPECT_EQ(0xFF8080A0u, picture.pixels[0]);
    EXPECT_EQ(0xFF000040u, picture.pixels[1]);
    EXPECT_EQ(0xFF102030u, picture.pixels[2]);
    FreePicture(&picture);
    EXPECT_EQ(nullptr, picture.pixels);
}

TEST(Picture, AllocationIsBounded)
{
    Picture picture;
    EXPECT_EQ(PICTURE_TOO_LARGE, AllocatePicture(&picture, MAX_PICTURE_SIDE + 1, 1));
    EXPECT_EQ(PICTURE_TOO_LARGE, AllocatePicture(&picture, MAX_PICTURE_SIDE, MAX_PICTURE_SIDE));
    EXPECT_EQ(PICTURE_BAD_HEADER, AllocatePicture(&picture, 0, 10));
    EXPECT_EQ(nullptr, picture.pixels);
}

TEST(Picture, EveryErrorHasItsOwnSentence)
{
    for (int i = 1; i < PICTURE_ERROR_COUNT; ++i) {
        for (int j = i + 1; j < PICTURE_ERROR_COUNT; ++j)
            EXPECT_STRNE(PictureErrorText((PictureError)i), PictureErrorText((PictureError)j));
    }
}

// ---- Loading files -----------------------------------------------------

class PictureFiles : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder_ = MakeTempFolder("Velloran picture files ");
        ASSERT_FALSE(folder_.empty());
    }
    void TearDown() override { RemoveTree(folder_); }
    std::string Path(const char *name) const { return folder_ + "\\" + name; }
    std::string folder_;
};

// TGA by its extension in other letters, netpbm under another name by its
// contents; the formats of the imaging component are ToolPictures'.
TEST_F(PictureFiles, EachFormatFindsItsDecoder)
{
    ASSERT_TRUE(WriteBytes(Path("one pixel.TGA"), Cat(TgaHeader(2, 1, 1, 24, 0), Bgr(kBlue))));
    ASSERT_TRUE(WriteBytes(Path("green.img"), Cat(Text("P6 1 1 255\n"), { 0, 255, 0 })));
    const struct {
        const char *name;
        int width, height;
        std::vector<DWORD> pixels;
    } files[] = {
        { "one pixel.TGA", 1, 1, { kBlue } },
        { "green.img", 1, 1, { kGreen } },
    };
    for (const auto &file : files) {
        Decoded decoded;
        ASSERT_EQ(PICTURE_OK, LoadPictureFile(Path(file.name).c_str(), &decoded.picture)) << file.name;
        check_pixels(decoded, file.width, file.height, file.pixels);
    }
}

TEST_F(PictureFiles, UnreadableAndUnknownFilesSayWhy)
{
    Decoded missing, unknown, empty;
    EXPECT_EQ(PICTURE_UNREADABLE, LoadPictureFile(Path("not there.png").c_str(), &missing.picture));
    EXPECT_EQ(PICTURE_UNREADABLE, LoadPictureFile(Path("not there.tga").c_str(), &missing.picture));
    // Quotes escaped as a shell might leave them make a name no file can have.
    std::string badName = "\\\"" + Path("quoted.png") + "\\\"";
    EXPECT_EQ(PICTURE_UNREADABLE, LoadPictureFile(badName.c_str(), &missing.picture));
    ASSERT_TRUE(WriteWholeFile(Path("letter.jpg"), "Dear reader, this is no picture at all."));
    EXPECT_EQ(PICTURE_UNKNOWN_FORMAT, LoadPictureFile(Path("letter.jpg").c_str(), &unknown.picture));
    ASSERT_TRUE(WriteBytes(Path("empty.pcx"), Bytes()));
    EXPECT_EQ(PICTURE_TRUNCATED, LoadPictureFile(Path("empty.pcx").c_str(), &empty.picture));
}

// ---- Pictures written by other programs ---------------------------------
// tests/payload_programs/make_test_pictures.sh writes them with ImageMagick
// and netpbm; each name says what it shows: <variant>.<kind>.<ext>,
// and variants named -large are ten times the size.

enum { TOOL_PICTURES = 62, TOOL_LARGE_SCALE = 10 };

struct Quadrants {
    const char *kind;
    DWORD colours[4];   // top left, top right, bottom left, bottom right
};
const Quadrants kQuadrants[] = {
    { "colour", { kRed, kGreen, kBlue, kYellow } },
    { "grey", { kBlack, 0xFF555555, 0xFFAAAAAA, kWhite } },
    { "mono", { kBlack, kWhite, kWhite, kBlack } },
    { "inverse", { kWhite, kBlack, kBlack, kWhite } },
};

// Each variant shows its quadrants upright. Cut short or with its header
// overwritten, none is shown, and none takes the viewer down.
TEST_F(PictureFiles, EveryToolPictureShowsItsQuadrantsUprightAndNoDamagedCopy)
{
    const std::string folder = ToolPictureFolder();
    const std::vector<std::string> names = FolderEntries(folder);
    ASSERT_EQ((size_t)TOOL_PICTURES, names.size()) << "in " << folder;
    for (const std::string &name : names) {
        const Quadrants *quadrants = NULL;
        for (const Quadrants &q : kQuadrants)
            if (name.find(std::string(".") + q.kind + ".") != std::string::npos)
                quadrants = &q;
        ASSERT_TRUE(quadrants != NULL) << name;
        // JPEG is lossy; everything else must come back exactly.
        int tolerance = name.find(".jpg") != std::string::npos ? 24 : 0;
        Decoded decoded;
        ASSERT_EQ(PICTURE_OK, LoadPictureFile((folder + "\\" + name).c_str(), &decoded.picture)) << name;
        int scale = name.find("-large.") != std::string::npos ? TOOL_LARGE_SCALE : 1;
        int w = TOOL_WIDTH * scale, h = TOOL_HEIGHT * scale;
        ASSERT_EQ(w, decoded.picture.width) << name;
        ASSERT_EQ(h, decoded.picture.height) << name;
        // Each quadrant at its middle and at its outer corner.
        const int points[4][4] = { { w / 4, h / 4, 0, 0 }, { w * 3 / 4, h / 4, w - 1, 0 },
                                   { w / 4, h * 3 / 4, 0, h - 1 }, { w * 3 / 4, h * 3 / 4, w - 1, h - 1 } };
        for (int k = 0; k < 4; ++k)
            for (int p = 0; p < 4; p += 2) {
                DWORD pixel = decoded.At(points[k][p], points[k][p + 1]);
                EXPECT_TRUE(Near(pixel, quadrants->colours[k], tolerance))
                    << name << ": pixel " << points[k][p] << "," << points[k][p + 1] << " is " << std::hex << pixel
                    << ", expected " << quadrants->colours[k];
            }

        Bytes whole;
        ASSERT_TRUE(ReadBytes(folder + "\\" + name, &whole)) << name;
        // An eighth of the file keeps at most its header.
        Bytes cut(whole.begin(), whole.begin() + std::max<size_t>(20, whole.size() / 8));
        Bytes garbled = whole;
        for (size_t i = 8; i < 40 && i < garbled.size(); ++i)
            garbled[i] = (BYTE)(0xA5 ^ i);
        for (const Bytes *damaged : { &cut, &garbled }) {
            std::string path = Path(name.c_str());
            ASSERT_TRUE(WriteBytes(path, *damaged));
            Decoded copy;
            PictureError error = LoadPictureFile(path.c_str(), &copy.picture);
            if (damaged == &cut) {
                EXPECT_NE(PICTURE_OK, error) << name << " cut to " << cut.size() << " bytes";
            }
            if (error != PICTURE_OK)
                EXPECT_EQ(nullptr, copy.picture.pixels) << name;
            else
                EXPECT_TRUE(copy.picture.width > 0 && copy.picture.pixels != nullptr) << name;
        }
    }
}

TEST(FileNameOf, TakesWhatFollowsTheLastSeparator)
{
    EXPECT_STREQ("a b.png", FileNameOf("C:\\My Pictures\\a b.png"));
    EXPECT_STREQ("c.tga", FileNameOf("Z:/x/y\\c.tga"));
    EXPECT_STREQ("d.pcx", FileNameOf("D:d.pcx"));
    EXPECT_STREQ("plain", FileNameOf("plain"));
}

}  // namespace
