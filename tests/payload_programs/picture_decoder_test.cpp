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

void PutText(Bytes &bytes, const char *text)
{
    bytes.insert(bytes.end(), text, text + lstrlenA(text));
}

// ---- TGA ---------------------------------------------------------------

Bytes TgaHeader(BYTE imageType, WORD width, WORD height, BYTE bits, BYTE descriptor, BYTE idLength = 0,
                BYTE mapType = 0, WORD mapLength = 0, BYTE mapBits = 0)
{
    Bytes bytes;
    bytes.push_back(idLength);
    bytes.push_back(mapType);
    bytes.push_back(imageType);
    PutWord(bytes, 0);
    PutWord(bytes, mapLength);
    bytes.push_back(mapBits);
    PutWord(bytes, 0);
    PutWord(bytes, 0);
    PutWord(bytes, width);
    PutWord(bytes, height);
    bytes.push_back(bits);
    bytes.push_back(descriptor);
    return bytes;
}

void PutBgr(Bytes &bytes, DWORD pixel)
{
    bytes.push_back((BYTE)pixel);
    bytes.push_back((BYTE)(pixel >> 8));
    bytes.push_back((BYTE)(pixel >> 16));
}

void PutBgra(Bytes &bytes, DWORD pixel)
{
    PutBgr(bytes, pixel);
    bytes.push_back((BYTE)(pixel >> 24));
}

TEST(TgaDecoder, RleThirtyTwoBitKeepsAlphaAndLetsRunsCrossRows)
{
    const DWORD halfRed = 0x80FF0000;
    Bytes file = TgaHeader(10, 4, 2, 32, 0x28);  // top-left origin, 8 alpha bits
    file.push_back(0x80 | 5);                     // six pixels of one colour: crosses the row end
    PutBgra(file, halfRed);
    file.push_back(1);                            // two pixels as they are
    PutBgra(file, kGreen);
    PutBgra(file, kBlue);
    Decoded decoded;
    ASSERT_EQ(PICTURE_OK, DecodeTga(file.data(), (DWORD)file.size(), &decoded.picture));
    check_pixels(decoded, 4, 2, { halfRed, halfRed, halfRed, halfRed, halfRed, halfRed, kGreen, kBlue });
}

TEST(TgaDecoder, ThirtyTwoBitWithoutAlphaBitsIsOpaque)
{
    Bytes file = TgaHeader(2, 1, 1, 32, 0x20);
    PutBgra(file, 0x00123456);
    Decoded decoded;
    ASSERT_EQ(PICTURE_OK, DecodeTga(file.data(), (DWORD)file.size(), &decoded.picture));
    check_pixels(decoded, 1, 1, { 0xFF123456 });
}

TEST(TgaDecoder, RightToLeftRowsAreMirrored)
{
    Bytes file = TgaHeader(2, 2, 1, 24, 0x30);
    PutBgr(file, kRed);
    PutBgr(file, kBlue);
    Decoded decoded;
    ASSERT_EQ(PICTURE_OK, DecodeTga(file.data(), (DWORD)file.size(), &decoded.picture));
    check_pixels(decoded, 2, 1, { kBlue, kRed });
}

TEST(TgaDecoder, IdFieldAndColourMapAreSkipped)
{
    Bytes file = TgaHeader(2, 1, 1, 24, 0x20, 3, 1, 2, 24);
    PutText(file, "abc");
    PutBgr(file, kWhite);   // two colour map entries that must not be taken as pixels
    PutBgr(file, kWhite);
    PutBgr(file, kGreen);
    Decoded decoded;
    ASSERT_EQ(PICTURE_OK, DecodeTga(file.data(), (DWORD)file.size(), &decoded.picture));
    check_pixels(decoded, 1, 1, { kGreen });
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
                PutBgr(file, kFour[k]);
            else
                PutBgra(file, kFour[k]);
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

TEST(TgaDecoder, ShortDataIsReportedAsTruncated)
{
    Bytes plain = TgaHeader(2, 2, 2, 24, 0);
    PutBgr(plain, kRed);
    Decoded first;
    EXPECT_EQ(PICTURE_TRUNCATED, DecodeTga(plain.data(), (DWORD)plain.size(), &first.picture));
    EXPECT_EQ(nullptr, first.picture.pixels);

    // A run that would go past the picture's last pixel is damage; runs too
    // short leave pixels wanting, and a header that promises more pixels than
    // the longest runs could give is refused before anything is allocated.
    Bytes rle = TgaHeader(10, 8, 8, 24, 0);
    rle.push_back(0x80 | 127);
    PutBgr(rle, kRed);
    Bytes shortRle = TgaHeader(10, 8, 9, 24, 0);
    shortRle.push_back(0x80 | 3);
    PutBgr(shortRle, kRed);
    shortRle.push_back(0x80 | 3);
    PutBgr(shortRle, kRed);
    Bytes promising = TgaHeader(10, 4096, 4096, 24, 0);
    for (int i = 0; i < 1000; ++i) {
        promising.push_back(0x80 | 127);
        PutBgr(promising, kRed);
    }
    Decoded second, third, fifth;
    EXPECT_EQ(PICTURE_DAMAGED, DecodeTga(rle.data(), (DWORD)rle.size(), &second.picture));
    EXPECT_EQ(PICTURE_TRUNCATED, DecodeTga(shortRle.data(), (DWORD)shortRle.size(), &third.picture));
    EXPECT_EQ(PICTURE_TRUNCATED, DecodeTga(promising.data(), (DWORD)promising.size(), &fifth.picture));

    Decoded fourth;
    EXPECT_EQ(PICTURE_TRUNCATED, DecodeTga(plain.data(), 10, &fourth.picture));
}

TEST(TgaDecoder, UnusableHeadersAreRefused)
{
    Decoded a, b, c, d, e;
    Bytes mapped = TgaHeader(1, 1, 1, 8, 0, 0, 1, 1, 12);
    EXPECT_EQ(PICTURE_UNSUPPORTED, DecodeTga(mapped.data(), (DWORD)mapped.size(), &a.picture));
    Bytes noImage = TgaHeader(0, 1, 1, 24, 0);
    EXPECT_EQ(PICTURE_BAD_HEADER, DecodeTga(noImage.data(), (DWORD)noImage.size(), &b.picture));
    Bytes empty = TgaHeader(2, 0, 5, 24, 0);
    EXPECT_EQ(PICTURE_BAD_HEADER, DecodeTga(empty.data(), (DWORD)empty.size(), &c.picture));
    Bytes twelveBit = TgaHeader(2, 1, 1, 12, 0);
    EXPECT_EQ(PICTURE_UNSUPPORTED, DecodeTga(twelveBit.data(), (DWORD)twelveBit.size(), &d.picture));
    // An index outside the colour map, plain and in a run.
    Decoded f, g;
    Bytes outside = TgaHeader(1, 1, 1, 8, 0, 0, 1, 2, 24);
    PutBgr(outside, kRed);
    PutBgr(outside, kBlue);
    outside.push_back(2);
    EXPECT_EQ(PICTURE_DAMAGED, DecodeTga(outside.data(), (DWORD)outside.size(), &f.picture));
    Bytes outsideRun = TgaHeader(9, 2, 1, 8, 0, 0, 1, 1, 24);
    PutBgr(outsideRun, kRed);
    outsideRun.push_back(0x81);
    outsideRun.push_back(7);
    EXPECT_EQ(PICTURE_DAMAGED, DecodeTga(outsideRun.data(), (DWORD)outsideRun.size(), &g.picture));
    // 65535 x 65535 would need 16 GB: refused before anything is allocated.
    Bytes huge = TgaHeader(10, 65535, 65535, 32, 0);
    EXPECT_EQ(PICTURE_TOO_LARGE, DecodeTga(huge.data(), (DWORD)huge.size(), &e.picture));
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

void PutPalette(Bytes &bytes, const std::vector<DWORD> &colours)
{
    bytes.push_back(0x0C);
    for (int i = 0; i < 256; ++i) {
        DWORD colour = i < (int)colours.size() ? colours[i] : 0;
        bytes.push_back((BYTE)(colour >> 16));
        bytes.push_back((BYTE)(colour >> 8));
        bytes.push_back((BYTE)colour);
    }
}

TEST(PcxDecoder, EightBitPaletteWithRuns)
{
    Bytes file = PcxHeader(8, 1, 3, 2, 4);
    // Row 0: index 1 three times and a padding byte; row 1: 2, 3, 1 and padding.
    for (BYTE b : { 0xC3, 1, 0, 2, 3, 1, 0 })
        file.push_back(b);
    PutPalette(file, { kBlack, kRed, kGreen, kBlue });
    Decoded decoded;
    ASSERT_EQ(PICTURE_OK, DecodePcx(file.data(), (DWORD)file.size(), &decoded.picture));
    check_pixels(decoded, 3, 2, { kRed, kRed, kRed, kGreen, kBlue, kRed });
}

TEST(PcxDecoder, IndexWithTopBitsSetIsWrittenAsARunOfOne)
{
    std::vector<DWORD> palette(256, kBlack);
    palette[200] = kYellow;
    Bytes file = PcxHeader(8, 1, 2, 1, 2);
    for (BYTE b : { 0xC1, 200, 0 })
        file.push_back(b);
    PutPalette(file, palette);
    Decoded decoded;
    ASSERT_EQ(PICTURE_OK, DecodePcx(file.data(), (DWORD)file.size(), &decoded.picture));
    check_pixels(decoded, 2, 1, { kYellow, kBlack });
}

TEST(PcxDecoder, RunMayCrossTheEndOfALine)
{
    Bytes file = PcxHeader(8, 3, 1, 2, 1);
    // Six bytes: one run of four 0xFF (red, green, blue of row 0, red of row 1), then green, blue.
    for (BYTE b : { 0xC4, 0xFF, 0x00, 0x00 })
        file.push_back(b);
    Decoded decoded;
    ASSERT_EQ(PICTURE_OK, DecodePcx(file.data(), (DWORD)file.size(), &decoded.picture));
    check_pixels(decoded, 1, 2, { kWhite, kRed });
}

TEST(PcxDecoder, EightBitWithoutPaletteIsGrey)
{
    Bytes file = PcxHeader(8, 1, 2, 1, 2, 0);
    file.push_back(0x10);
    file.push_back(0xF0);
    Decoded decoded;
    ASSERT_EQ(PICTURE_OK, DecodePcx(file.data(), (DWORD)file.size(), &decoded.picture));
    check_pixels(decoded, 2, 1, { 0xFF101010, 0xFFF0F0F0 });
}

TEST(PcxDecoder, OneBitBlackAndWhite)
{
    Bytes file = PcxHeader(1, 1, 10, 1, 2);
    file.push_back(0xA0);  // 1010 0000: white, black, white, then black
    file.push_back(0x40);  // 0100 0000: pixel 9 white
    Decoded decoded;
    ASSERT_EQ(PICTURE_OK, DecodePcx(file.data(), (DWORD)file.size(), &decoded.picture));
    check_pixels(decoded, 10, 1, { kWhite, kBlack, kWhite, kBlack, kBlack, kBlack, kBlack, kBlack, kBlack, kWhite });
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
            PutPalette(file, { kWhite, kWhite, kWhite, kWhite });
        Decoded decoded;
        ASSERT_EQ(PICTURE_OK, DecodePcx(file.data(), (DWORD)file.size(), &decoded.picture)) << (int)layout.bits;
        check_pixels(decoded, WIDTH, HEIGHT, expected);
    }
}

TEST(PcxDecoder, DamagedFilesAreRefused)
{
    Decoded a, b, c, d, e, f;
    Bytes truncated = PcxHeader(8, 3, 4, 4, 4);
    truncated.push_back(0xC5);
    truncated.push_back(0x11);
    EXPECT_EQ(PICTURE_TRUNCATED, DecodePcx(truncated.data(), (DWORD)truncated.size(), &a.picture));
    EXPECT_EQ(nullptr, a.picture.pixels);

    Bytes wrongMaker = PcxHeader(8, 1, 1, 1, 2);
    wrongMaker[0] = 0x0B;
    EXPECT_EQ(PICTURE_BAD_HEADER, DecodePcx(wrongMaker.data(), (DWORD)wrongMaker.size(), &b.picture));
    Bytes twoBitPlanes = PcxHeader(2, 4, 2, 2, 2);
    EXPECT_EQ(PICTURE_UNSUPPORTED, DecodePcx(twoBitPlanes.data(), (DWORD)twoBitPlanes.size(), &c.picture));
    Bytes narrowLines = PcxHeader(8, 1, 10, 1, 4);
    EXPECT_EQ(PICTURE_BAD_HEADER, DecodePcx(narrowLines.data(), (DWORD)narrowLines.size(), &d.picture));
    Bytes tooShort(40, 0x0A);
    EXPECT_EQ(PICTURE_TRUNCATED, DecodePcx(tooShort.data(), (DWORD)tooShort.size(), &e.picture));

    // A long stream of empty runs must end in "truncated", not in a stack overflow.
    Bytes emptyRuns = PcxHeader(8, 1, 4, 4, 4);
    for (int i = 0; i < 2000000; ++i) {
        emptyRuns.push_back(0xC0);
        emptyRuns.push_back(0x00);
    }
    EXPECT_EQ(PICTURE_TRUNCATED, DecodePcx(emptyRuns.data(), (DWORD)emptyRuns.size(), &f.picture));

    // A short file of few colours ends early (it once made the decoder read
    // before its data ended, past the block); a header that promises more
    // lines than the longest runs could give; a run past the last line.
    Decoded g, h, i;
    Bytes shortPacked = PcxHeader(2, 1, 4, 4, 1);
    shortPacked.push_back(0x1B);
    EXPECT_EQ(PICTURE_TRUNCATED, DecodePcx(shortPacked.data(), (DWORD)shortPacked.size(), &g.picture));
    Bytes promising = PcxHeader(8, 3, 4096, 4096, 4096);
    for (int k = 0; k < 1000; ++k) {
        promising.push_back(0xFF);
        promising.push_back(0x00);
    }
    EXPECT_EQ(PICTURE_TRUNCATED, DecodePcx(promising.data(), (DWORD)promising.size(), &h.picture));
    Bytes overlong = PcxHeader(8, 1, 2, 1, 2);
    overlong.push_back(0xC3);
    overlong.push_back(0x10);
    EXPECT_EQ(PICTURE_DAMAGED, DecodePcx(overlong.data(), (DWORD)overlong.size(), &i.picture));
    EXPECT_EQ(nullptr, i.picture.pixels);
}

// ---- PPM / PGM ---------------------------------------------------------

Bytes Text(const char *text)
{
    Bytes bytes;
    PutText(bytes, text);
    return bytes;
}

TEST(PpmDecoder, PlainColourWithCommentsAndSmallMaximum)
{
    Bytes file = Text("P3 # a comment right after the magic\n# and one on its own line\n 2\t2 15\n"
                      "15 0 0   0 15 0\n 0 0 15\n15 15 15\n");
    Decoded decoded;
    ASSERT_EQ(PICTURE_OK, DecodePpm(file.data(), (DWORD)file.size(), &decoded.picture));
    check_pixels(decoded, 2, 2, { kRed, kGreen, kBlue, kWhite });
}

TEST(PpmDecoder, DamagedFilesAreRefused)
{
    struct Case {
        const char  *text;
        PictureError expected;
    };
    const Case cases[] = {
        { "P6\n2 2\n255\nabc", PICTURE_TRUNCATED },
        { "P3\n1 1\n255\n0 0", PICTURE_TRUNCATED },
        { "P3\n1 1\n255\n0 300 0\n", PICTURE_DAMAGED },
        { "P3\n1 1\n255\n0 x 0\n", PICTURE_DAMAGED },
        { "P6\n99999999999 1\n255\n", PICTURE_BAD_HEADER },
        { "P6\n20000 1\n255\n", PICTURE_TOO_LARGE },
        { "P6\n16384 16384\n255\n", PICTURE_TOO_LARGE },
        { "P6\n1 1\n0\n", PICTURE_BAD_HEADER },
        { "P6\n1 1\n70000\n", PICTURE_BAD_HEADER },
        { "P6\n0 1\n255\n", PICTURE_BAD_HEADER },
        { "P6\n1 1 255", PICTURE_TRUNCATED },
        { "P7\nWIDTH 1\n", PICTURE_UNSUPPORTED },
        { "P4\n9 2\n\x80\x80\x80", PICTURE_TRUNCATED },
        { "P1\n2 1\n1", PICTURE_TRUNCATED },
        { "P1\n2 1\n1 2\n", PICTURE_DAMAGED },
        { "Px\n1 1\n", PICTURE_BAD_HEADER },
        { "P6", PICTURE_TRUNCATED },
    };
    for (const Case &c : cases) {
        Bytes file = Text(c.text);
        Decoded decoded;
        EXPECT_EQ(c.expected, DecodePpm(file.data(), (DWORD)file.size(), &decoded.picture)) << c.text;
        EXPECT_EQ(nullptr, decoded.picture.pixels) << c.text;
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
        folder_ = MakeTestFolder("Velloran picture files");
        ASSERT_FALSE(folder_.empty());
    }
    void TearDown() override { RemoveTree(folder_); }
    std::string Path(const char *name) const { return folder_ + "\\" + name; }
    std::string folder_;
};

TEST_F(PictureFiles, TgaIsChosenByItsExtension)
{
    Bytes file = TgaHeader(2, 1, 1, 24, 0);
    PutBgr(file, kBlue);
    ASSERT_TRUE(WriteBytes(Path("one pixel.TGA"), file));
    Decoded decoded;
    ASSERT_EQ(PICTURE_OK, LoadPictureFile(Path("one pixel.TGA").c_str(), &decoded.picture));
    check_pixels(decoded, 1, 1, { kBlue });
}

TEST_F(PictureFiles, NetpbmUnderAnotherNameIsRecognisedByItsContents)
{
    Bytes file = Text("P6 1 1 255\n");
    for (BYTE b : { 0, 255, 0 })
        file.push_back(b);
    ASSERT_TRUE(WriteBytes(Path("green.img"), file));
    Decoded decoded;
    ASSERT_EQ(PICTURE_OK, LoadPictureFile(Path("green.img").c_str(), &decoded.picture));
    check_pixels(decoded, 1, 1, { kGreen });
}

TEST_F(PictureFiles, PngAndBmpGoThroughTheImagingComponent)
{
    std::vector<DWORD> pixels = { 0xFF0000, 0x00FF00, 0x0000FF, 0x123456 };
    ASSERT_TRUE(WritePng(Path("four.png"), 2, 2, pixels));
    ASSERT_TRUE(WriteBmp(Path("four.bmp"), 2, 2, pixels));
    for (const char *name : { "four.png", "four.bmp" }) {
        Decoded decoded;
        ASSERT_EQ(PICTURE_OK, LoadPictureFile(Path(name).c_str(), &decoded.picture)) << name;
        check_pixels(decoded, 2, 2, { 0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFF123456 });
    }
}

TEST_F(PictureFiles, UnreadableAndUnknownFilesSayWhy)
{
    Decoded missing, unknown, damaged, empty;
    EXPECT_EQ(PICTURE_UNREADABLE, LoadPictureFile(Path("not there.png").c_str(), &missing.picture));
    EXPECT_EQ(PICTURE_UNREADABLE, LoadPictureFile(Path("not there.tga").c_str(), &missing.picture));
    // Quotes escaped as a shell might leave them make a name no file can have.
    std::string badName = "\\\"" + Path("quoted.png") + "\\\"";
    EXPECT_EQ(PICTURE_UNREADABLE, LoadPictureFile(badName.c_str(), &missing.picture));
    ASSERT_TRUE(WriteText(Path("letter.jpg"), "Dear reader, this is no picture at all."));
    EXPECT_EQ(PICTURE_UNKNOWN_FORMAT, LoadPictureFile(Path("letter.jpg").c_str(), &unknown.picture));
    Bytes png = { 0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0, 0, 13, 'I', 'H', 'D', 'R', 1, 2, 3 };
    ASSERT_TRUE(WriteBytes(Path("broken.png"), png));
    PictureError error = LoadPictureFile(Path("broken.png").c_str(), &damaged.picture);
    EXPECT_NE(PICTURE_OK, error);
    EXPECT_EQ(nullptr, damaged.picture.pixels);
    ASSERT_TRUE(WriteBytes(Path("empty.pcx"), Bytes()));
    EXPECT_EQ(PICTURE_TRUNCATED, LoadPictureFile(Path("empty.pcx").c_str(), &empty.picture));
}

// ---- Pictures written by other programs ---------------------------------
// tests/payload_programs/make_test_pictures.sh writes them with ImageMagick
// and netpbm; each name says what it shows: <variant>.<kind>.<ext>,
// and variants named -large are ten times the size.

enum { TOOL_PICTURES = 62, TOOL_WIDTH = 32, TOOL_HEIGHT = 24, TOOL_LARGE_SCALE = 10 };

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

std::vector<std::string> ToolPictures(std::string *folder)
{
    char unixFolder[MAX_PATH] = "";
    GetEnvironmentVariableA("VELLORAN_TEST_PICTURES", unixFolder, MAX_PATH);
    *folder = ToWindowsPath(unixFolder);
    return FolderEntries(*folder);
}

bool Near(DWORD actual, DWORD expected, int tolerance)
{
    for (int shift = 0; shift < 32; shift += 8)
        if (abs((int)((actual >> shift) & 0xFF) - (int)((expected >> shift) & 0xFF)) > tolerance)
            return false;
    return true;
}

TEST(ToolPictures, EveryVariantShowsItsQuadrantsUpright)
{
    std::string folder;
    std::vector<std::string> names = ToolPictures(&folder);
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
    }
}

// Cut short or with its header overwritten, no variant is shown, and none
// takes the viewer down.
TEST(ToolPictures, TruncatedAndDamagedVariantsAreRefused)
{
    std::string folder;
    std::vector<std::string> names = ToolPictures(&folder);
    ASSERT_EQ((size_t)TOOL_PICTURES, names.size()) << "in " << folder;
    std::string scratch = MakeTestFolder("Velloran damaged pictures");
    ASSERT_FALSE(scratch.empty());
    for (const std::string &name : names) {
        std::string bytes;
        HANDLE file = CreateFileA((folder + "\\" + name).c_str(), GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING,
                                  0, NULL);
        ASSERT_NE(INVALID_HANDLE_VALUE, file) << name;
        Bytes whole(GetFileSize(file, NULL));
        DWORD done = 0;
        ReadFile(file, whole.data(), (DWORD)whole.size(), &done, NULL);
        CloseHandle(file);
        // An eighth of the file keeps at most its header.
        Bytes cut(whole.begin(), whole.begin() + std::max<size_t>(20, whole.size() / 8));
        Bytes garbled = whole;
        for (size_t i = 8; i < 40 && i < garbled.size(); ++i)
            garbled[i] = (BYTE)(0xA5 ^ i);
        for (const Bytes *damaged : { &cut, &garbled }) {
            std::string path = scratch + "\\" + name;
            ASSERT_TRUE(WriteBytes(path, *damaged));
            Decoded decoded;
            PictureError error = LoadPictureFile(path.c_str(), &decoded.picture);
            if (damaged == &cut) {
                EXPECT_NE(PICTURE_OK, error) << name << " cut to " << cut.size() << " bytes";
            }
            if (error != PICTURE_OK)
                EXPECT_EQ(nullptr, decoded.picture.pixels) << name;
            else
                EXPECT_TRUE(decoded.picture.width > 0 && decoded.picture.pixels != nullptr) << name;
        }
    }
    RemoveTree(scratch);
}

TEST(FileNameOf, TakesWhatFollowsTheLastSeparator)
{
    EXPECT_STREQ("a b.png", FileNameOf("C:\\My Pictures\\a b.png"));
    EXPECT_STREQ("c.tga", FileNameOf("Z:/x/y\\c.tga"));
    EXPECT_STREQ("d.pcx", FileNameOf("D:d.pcx"));
    EXPECT_STREQ("plain", FileNameOf("plain"));
}

}  // namespace
