// The SZDD packer of the build machine. Every packed file is expanded by two
// expanders that share no code, ours and libmspack, so a fault that our
// expander mirrors cannot hide; the samples by Wine's LZ32 as well.
//
// Run as "szdd_tests --write-samples DIR" it writes the sample files instead:
// each case as NAME.dat and its packed form NAME.da_, which the LZ32 test
// expands under Wine.
#include "file_bytes.h"
#include "szdd.h"
#include <gtest/gtest.h>
#include <mspack.h>
#include <stdio.h>
#include <string.h>
#include <sys/wait.h>
#include <algorithm>
#include <filesystem>
#include <random>
#include <string>

namespace fs = std::filesystem;
typedef std::vector<uint8_t> Bytes;

// ---------------------------------------------------------------- data

static Bytes RandomBytes(uint32_t seed, size_t size)
{
    std::mt19937 rng(seed);
    Bytes bytes(size);
    for (uint8_t &b : bytes)
        b = (uint8_t)(rng() >> 24);
    return bytes;
}

static Bytes FromText(const char *text)
{
    return Bytes(text, text + strlen(text));
}

// Runs of one byte, of every length around the longest match, among them
// spaces, which the ring holds before the first byte.
static Bytes LongRuns()
{
    static const uint8_t RUN_BYTES[] = {' ', 0x00, 0xFF, 'a', ' ', 0x7F};
    Bytes bytes;
    for (int length = 1; length <= 60; length++)
        bytes.insert(bytes.end(), length, RUN_BYTES[length % sizeof RUN_BYTES]);
    bytes.insert(bytes.end(), 10000, ' ');
    bytes.insert(bytes.end(), 5000, 0x00);
    return bytes;
}

// A block of twice the longest match, repeated: after the first block every
// byte is covered by matches of the longest length.
enum { REPEATED_BLOCK = 2 * SZDD_MAX_MATCH, BLOCK_REPEATS = 200 };

static Bytes RepeatedBlock()
{
    Bytes block(REPEATED_BLOCK);
    for (int i = 0; i < REPEATED_BLOCK; i++)
        block[i] = (uint8_t)('A' + i);   // no byte repeats within the block
    Bytes bytes;
    for (int i = 0; i < BLOCK_REPEATS; i++)
        bytes.insert(bytes.end(), block.begin(), block.end());
    return bytes;
}

// Five copies of one ring's worth of random bytes: the only earlier copy of
// anything lies exactly one ring back, and the first such match reads across
// the end of the ring.
static Bytes RingCopies()
{
    Bytes block = RandomBytes(4096, SZDD_RING_SIZE);
    Bytes bytes;
    for (int i = 0; i < 5; i++)
        bytes.insert(bytes.end(), block.begin(), block.end());
    return bytes;
}

// About 20 KB of words from a small vocabulary: matches of every length and
// distance, across the end of the ring many times.
static Bytes WordText()
{
    static const char *const WORDS[] = {
        "velloran", "image", "layer", "brush", "palette", "canvas", "the", "of",
        "setup", "install", "folder", "picture", "colour", "a", "and", "to",
        "window", "filter", "gradient", "selection", "\r\n", ", ", ". "};
    std::mt19937 rng(20);
    Bytes bytes;
    while (bytes.size() < 20000) {
        const char *word = WORDS[rng() % (sizeof WORDS / sizeof WORDS[0])];
        bytes.insert(bytes.end(), word, word + strlen(word));
        bytes.push_back(' ');
    }
    return bytes;
}

// Literals from alphabets of every size, copies of earlier bytes (overlapping
// ones too), runs and spaces, in random order.
static Bytes MixedBytes(uint32_t seed, size_t size)
{
    std::mt19937 rng(seed);
    Bytes bytes;
    while (bytes.size() < size) {
        unsigned kind = rng() % 4;
        if (kind == 1 && !bytes.empty()) {
            size_t distance = 1 + rng() % std::min<size_t>(bytes.size(), 5000);
            size_t length = 1 + rng() % 40;
            for (size_t i = 0; i < length; i++)
                bytes.push_back(bytes[bytes.size() - distance]);
        } else if (kind == 2) {
            bytes.insert(bytes.end(), 1 + rng() % 100, (uint8_t)rng());
        } else if (kind == 3) {
            bytes.insert(bytes.end(), 1 + rng() % 30, ' ');
        } else {
            unsigned alphabet = 1 + rng() % 256;
            for (unsigned n = 1 + rng() % 30; n > 0; n--)
                bytes.push_back((uint8_t)(rng() % alphabet));
        }
    }
    bytes.resize(size);
    return bytes;
}

static Bytes ThirtyTwoBytes() { return FromText("Velloran Velloran Velloran 12345"); }

// Spaces first: the first match copies the spaces the ring starts with.
static Bytes LeadingSpaces()
{
    Bytes bytes(100, ' ');
    Bytes text = FromText("Velloran");
    bytes.insert(bytes.end(), text.begin(), text.end());
    bytes.insert(bytes.end(), 20, ' ');
    return bytes;
}

// Each case is packed with its own replaced character.
static const struct SampleCase {
    const char *name;
    Bytes (*make)();
    char replaced;
} SAMPLE_CASES[] = {
    {"empty", [] { return Bytes(); }, 't'},
    {"one_byte", [] { return Bytes(1, 'V'); }, 'e'},
    {"one_space", [] { return Bytes(1, ' '); }, 'e'},
    {"thirty_two", ThirtyTwoBytes, 'l'},
    {"random", [] { return RandomBytes(7, 65536); }, 'n'},
    {"runs", LongRuns, 'x'},
    {"leading_spaces", LeadingSpaces, 's'},
    {"longest_matches", RepeatedBlock, 'D'},
    {"ring_copies", RingCopies, 'B'},
    {"word_text", WordText, 'T'},
};

// ---------------------------------------------------------------- files

static std::string Quoted(const fs::path &path)
{
    return "'" + path.string() + "'";
}

// A private folder under the system's temporary folder, removed afterwards.
class SzddFiles : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = (fs::temp_directory_path() / "szdd_test.XXXXXX").string();
        ASSERT_NE(mkdtemp(&pattern[0]), nullptr);
        dir_ = pattern;
    }

    void TearDown() override
    {
        std::error_code ignored;
        fs::remove_all(dir_, ignored);
    }

    // Also checks libmspack's reading of the header against the input.
    Bytes ExpandWithLibmspack(const Bytes &packed, size_t expectedLength, char expectedChar)
    {
        fs::path in = dir_ / "mspack.in", out = dir_ / "mspack.out";
        Bytes expanded;
        EXPECT_TRUE(WriteWholeFile(in.c_str(), packed));
        msszdd_decompressor *decompressor = mspack_create_szdd_decompressor(nullptr);
        if (!decompressor) {
            ADD_FAILURE() << "no libmspack SZDD decompressor";
            return expanded;
        }
        msszddd_header *header = decompressor->open(decompressor, in.c_str());
        if (header) {
            EXPECT_EQ(header->format, MSSZDD_FMT_NORMAL);
            EXPECT_EQ((size_t)header->length, expectedLength);
            EXPECT_EQ(header->missing_char, expectedChar);
            EXPECT_EQ(decompressor->extract(decompressor, header, out.c_str()), MSPACK_ERR_OK);
            decompressor->close(decompressor, header);
            EXPECT_TRUE(ReadWholeFile(out.c_str(), &expanded));
        } else {
            ADD_FAILURE() << "libmspack refused the header, error "
                          << decompressor->last_error(decompressor);
        }
        mspack_destroy_szdd_decompressor(decompressor);
        return expanded;
    }

    // Packs data and checks that each expander gives it back; no packed
    // file is larger than the bytes written as literals.
    void ExpectRoundTrip(const Bytes &data, char replacedChar)
    {
        Bytes packed = PackSzdd(data.data(), data.size(), replacedChar);
        EXPECT_LE(packed.size(), SZDD_HEADER_SIZE + data.size() + (data.size() + 7) / 8);

        Bytes ours;
        char ourChar = 0;
        EXPECT_TRUE(ExpandSzdd(packed.data(), packed.size(), &ours, &ourChar));
        EXPECT_EQ(ourChar, replacedChar);
        EXPECT_TRUE(ours == data) << "our expander differs";

        EXPECT_TRUE(ExpandWithLibmspack(packed, data.size(), replacedChar) == data)
            << "libmspack differs";
    }

    fs::path dir_;
};

// ---------------------------------------------------------------- header

// The magic, the mode and the replaced character are read back by every
// round trip below, and the length by libmspack; only a length of four
// bytes needs a file of 16 MB: a run of zeros, which packs fast and small.
TEST(SzddHeader, TheLengthTakesAllFourBytesLittleEndian)
{
    static const uint8_t LENGTH[] = {0x03, 0x02, 0x00, 0x01};
    Bytes data(0x01000203, 0);
    Bytes packed = PackSzdd(data.data(), data.size(), 'x');
    ASSERT_GE(packed.size(), (size_t)SZDD_HEADER_SIZE);
    EXPECT_TRUE(std::equal(LENGTH, LENGTH + 4, packed.begin() + 10));
}

// ---------------------------------------------------------------- round trips

// Every sample, then many generated inputs, the same ones on every run, with
// every byte value as the replaced character.
TEST_F(SzddFiles, SamplesAndGeneratedInputsRoundTrip)
{
    for (const SampleCase &sample : SAMPLE_CASES) {
        SCOPED_TRACE(sample.name);
        ExpectRoundTrip(sample.make(), sample.replaced);
    }
    std::mt19937 rng(2024);
    for (int n = 0; n < 300; n++) {
        size_t size = n < 8 ? (size_t)n : rng() % 7000;
        uint32_t seed = rng();
        SCOPED_TRACE("input " + std::to_string(n) + ", seed " + std::to_string(seed));
        Bytes data = MixedBytes(seed, size);
        ExpectRoundTrip(data, (char)n);
        if (HasFailure())
            return;   // one failing input tells enough
    }
}

// ---------------------------------------------------------------- ratio

// The ring's spaces followed by data: position i of data is SZDD_RING_SIZE + i.
static Bytes AfterTheRing(const Bytes &data)
{
    Bytes stream(SZDD_RING_SIZE + data.size(), ' ');
    std::copy(data.begin(), data.end(), stream.begin() + SZDD_RING_SIZE);
    return stream;
}

// The longest match at each position, by trying every distance.
static std::vector<SzddMatch> BruteForceMatches(const Bytes &data)
{
    Bytes stream = AfterTheRing(data);
    std::vector<SzddMatch> matches(data.size());
    for (size_t i = 0; i < data.size(); i++) {
        size_t u = SZDD_RING_SIZE + i;
        size_t limit = std::min<size_t>(SZDD_MAX_MATCH, stream.size() - u);
        SzddMatch best = {0, 0};
        for (size_t distance = 1; distance <= SZDD_RING_SIZE; distance++) {
            size_t length = 0;
            while (length < limit && stream[u - distance + length] == stream[u + length])
                length++;
            if (length >= SZDD_MIN_MATCH && length > best.length) {
                best.length = (uint8_t)length;
                best.distance = (uint16_t)distance;
            }
        }
        matches[i] = best;
    }
    return matches;
}

// The fewest bits of any parse of data, from the longest match at every
// position without any shortcut of the packer's: any shorter prefix of a
// match is a match too.
static size_t FewestBits(const Bytes &data)
{
    std::vector<SzddMatch> longest = BruteForceMatches(data);
    std::vector<size_t> bits(data.size() + 1, 0);
    for (size_t i = data.size(); i-- > 0;) {
        bits[i] = bits[i + 1] + 9;
        for (size_t length = SZDD_MIN_MATCH; length <= longest[i].length; length++)
            bits[i] = std::min(bits[i], bits[i + length] + 17);
    }
    return bits[0];
}

// The bits of the items in a packed stream: nine per literal, seventeen per match.
static size_t StreamBits(const Bytes &packed)
{
    size_t length = packed[10] | (packed[11] << 8) | (packed[12] << 16) | ((size_t)packed[13] << 24);
    size_t in = SZDD_HEADER_SIZE, out = 0, bits = 0;
    while (out < length && in < packed.size()) {
        uint8_t flags = packed[in++];
        for (int bit = 0; bit < 8 && out < length && in < packed.size(); bit++) {
            if (flags & (1u << bit)) {
                in += 1;
                out += 1;
                bits += 9;
            } else {
                out += (packed[in + 1] & 0x0F) + SZDD_MIN_MATCH;
                in += 2;
                bits += 17;
            }
        }
    }
    return bits;
}

// Among the inputs: spaces, which the ring holds before the first byte, and
// one where taking the longest match "PQR" first would cost a byte, as one
// literal 'P' buys a match of 17 instead of two matches.
TEST(SzddRatio, ParseHasTheFewestBitsOfAnyParse)
{
    Bytes repeats = RepeatedBlock();
    repeats.resize(400);
    std::vector<Bytes> inputs = {ThirtyTwoBytes(), Bytes(SZDD_MAX_MATCH, ' '),
                                 FromText("PQR!QRSTUVWXYZ0123456PQRSTUVWXYZ0123456"), repeats};
    std::mt19937 rng(77);
    for (int n = 0; n < 30; n++) {
        // Small alphabets give many overlapping matches of every length.
        Bytes data(200 + rng() % 1500);
        unsigned alphabet = 2 + rng() % 6;
        for (uint8_t &b : data)
            b = (uint8_t)('a' + rng() % alphabet);
        inputs.push_back(data);
    }
    for (uint32_t seed = 1; seed <= 10; seed++)
        inputs.push_back(MixedBytes(seed, 1500));
    for (size_t n = 0; n < inputs.size(); n++) {
        SCOPED_TRACE("input " + std::to_string(n));
        const Bytes &data = inputs[n];
        EXPECT_EQ(StreamBits(PackSzdd(data.data(), data.size(), 'x')), FewestBits(data));
    }
}

// ---------------------------------------------------------------- match finder

TEST(SzddMatchFinder, FindsTheLongestMatchWithinTheRingEverywhere)
{
    std::vector<Bytes> inputs = {LongRuns(), WordText(), MixedBytes(99, 12000), RingCopies()};
    inputs[0].resize(6000);
    for (size_t n = 0; n < inputs.size(); n++) {
        SCOPED_TRACE("input " + std::to_string(n));
        const Bytes &data = inputs[n];
        std::vector<SzddMatch> found = FindLongestMatches(data.data(), data.size());
        std::vector<SzddMatch> expected = BruteForceMatches(data);
        Bytes stream = AfterTheRing(data);
        for (size_t i = 0; i < data.size(); i++) {
            ASSERT_EQ(found[i].length, expected[i].length) << "at " << i;
            if (found[i].length == 0)
                continue;
            // Ties may pick another distance; it must still be in the ring and match.
            size_t u = SZDD_RING_SIZE + i, source = u - found[i].distance;
            ASSERT_TRUE(found[i].distance >= 1 && found[i].distance <= SZDD_RING_SIZE &&
                        std::equal(stream.begin() + source,
                                   stream.begin() + source + found[i].length, stream.begin() + u))
                << "at " << i << ": distance " << found[i].distance << " does not match";
        }
    }
}

// ---------------------------------------------------------------- our expander

TEST(SzddExpander, RefusesForeignOrTruncatedFiles)
{
    Bytes data = WordText();
    Bytes packed = PackSzdd(data.data(), data.size(), 't');
    Bytes expanded;
    char replaced = 0;
    ASSERT_TRUE(ExpandSzdd(packed.data(), packed.size(), &expanded, &replaced));

    Bytes badMagic = packed;
    badMagic[3] = 'Q';
    EXPECT_FALSE(ExpandSzdd(badMagic.data(), badMagic.size(), &expanded, &replaced));
    Bytes otherMode = packed;
    otherMode[8] = 'B';
    EXPECT_FALSE(ExpandSzdd(otherMode.data(), otherMode.size(), &expanded, &replaced));
    EXPECT_FALSE(ExpandSzdd(packed.data(), SZDD_HEADER_SIZE - 1, &expanded, &replaced));
    EXPECT_FALSE(ExpandSzdd(packed.data(), packed.size() - 1, &expanded, &replaced));
    Bytes trailing = packed;
    trailing.push_back(0);
    EXPECT_FALSE(ExpandSzdd(trailing.data(), trailing.size(), &expanded, &replaced));
}

// ---------------------------------------------------------------- command line

// SZDD_PACK_PATH, the packer program, comes from the build.
static int RunPacker(const std::string &arguments)
{
    std::string command = std::string("'") + SZDD_PACK_PATH + "' " + arguments + " 2>/dev/null";
    int status = system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// It packs a file as the library does, and fails on bad arguments without
// writing anything.
TEST_F(SzddFiles, CommandLinePacksAFileAsTheLibraryDoesOrFailsOnBadArguments)
{
    Bytes data = WordText();
    fs::path in = dir_ / "readme.txt", out = dir_ / "readme.tx_", bad = dir_ / "bad.tx_";
    ASSERT_TRUE(WriteWholeFile(in.c_str(), data));
    ASSERT_EQ(RunPacker(Quoted(in) + " " + Quoted(out) + " t"), 0);
    Bytes packed;
    ASSERT_TRUE(ReadWholeFile(out.c_str(), &packed));
    EXPECT_TRUE(packed == PackSzdd(data.data(), data.size(), 't'));

    const std::string inAndBad = Quoted(in) + " " + Quoted(bad);
    const std::string BAD[] = {inAndBad, inAndBad + " tx", inAndBad + " ''",
                               Quoted(dir_ / "missing.txt") + " " + Quoted(bad) + " t",
                               Quoted(in) + " " + Quoted(dir_ / "no" / "such.tx_") + " t"};
    for (const std::string &arguments : BAD)
        EXPECT_NE(RunPacker(arguments), 0) << arguments;
    EXPECT_FALSE(fs::exists(bad));
}

// ---------------------------------------------------------------- samples

// The cases of SAMPLE_CASES plus some generated inputs, as NAME.dat and
// NAME.da_ (replaced character 't').
static int WriteSamples(const char *folder)
{
    fs::path dir = folder;
    std::error_code error;
    fs::create_directories(dir, error);
    std::vector<std::pair<std::string, Bytes>> samples;
    for (const SampleCase &sample : SAMPLE_CASES)
        samples.emplace_back(sample.name, sample.make());
    for (uint32_t n = 0; n < 8; n++)
        samples.emplace_back("mixed_" + std::to_string(n), MixedBytes(100 + n, 3000 + 4000 * n));
    for (const auto &sample : samples) {
        const Bytes &data = sample.second;
        if (!WriteWholeFile((dir / (sample.first + ".dat")).c_str(), data) ||
            !WriteWholeFile((dir / (sample.first + ".da_")).c_str(),
                            PackSzdd(data.data(), data.size(), 't'))) {
            fprintf(stderr, "szdd_tests: cannot write the samples to %s\n", folder);
            return 1;
        }
    }
    return 0;
}

int main(int argc, char **argv)
{
    if (argc == 3 && strcmp(argv[1], "--write-samples") == 0)
        return WriteSamples(argv[2]);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
