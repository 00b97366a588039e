#include "szdd.h"
#include <string.h>

// The coder sees the input as LZ77 over a virtual stream: the ring's initial
// SZDD_RING_SIZE spaces followed by the data. Virtual index u sits at ring
// position (u - 16) & 0xFFF, because the expander starts writing 16 bytes
// before the end of its ring.

static const uint8_t SZDD_MAGIC[8] = {0x53, 0x5A, 0x44, 0x44, 0x88, 0xF0, 0x27, 0x33};

enum {
    RING_MASK      = SZDD_RING_SIZE - 1,
    RING_START     = SZDD_RING_SIZE - 16,
    LEVEL_COUNT    = SZDD_MAX_MATCH - SZDD_MIN_MATCH + 1,
    HASH_BITS      = 14,   // four buckets per position the ring holds
    LITERAL_BITS   = 9,    // flag bit and one byte
    MATCH_BITS     = 17    // flag bit and two bytes
};

// The match finder keeps one hash chain per match length K, keyed on the
// first K bytes. Whether a match of K bytes or more exists is then one short
// walk of chain K (only hash collisions make it longer), and since that
// answer falls as K grows, a binary search over K finds the longest match in
// about four walks however repetitive the data is.

namespace {

struct MatchFinder {
    std::vector<uint8_t> stream;   // the ring's spaces, then the data
    // By level (K - SZDD_MIN_MATCH) and key hash: the latest virtual index, or -1.
    std::vector<int32_t> head;
    // By level and virtual index & RING_MASK: the index before it in its chain.
    std::vector<int32_t> prev;
};

}  // namespace

// The hashes of the first SZDD_MIN_MATCH..SZDD_MAX_MATCH bytes at key, one
// per level, for the levels whose key fits in available bytes.
static void HashKeys(const uint8_t *key, size_t available, uint32_t *hashes)
{
    uint32_t hash = 2166136261u;
    int length = available < SZDD_MAX_MATCH ? (int)available : SZDD_MAX_MATCH;
    for (int i = 0; i < length; i++) {
        hash = (hash ^ key[i]) * 16777619u;
        if (i + 1 >= SZDD_MIN_MATCH) {
            uint32_t mixed = (hash ^ (hash >> 15)) * 0x2C1B3C6Du;
            hashes[i + 1 - SZDD_MIN_MATCH] = mixed >> (32 - HASH_BITS);
        }
    }
}

static size_t LevelsThatFit(size_t available)
{
    if (available < SZDD_MIN_MATCH)
        return 0;
    return available > SZDD_MAX_MATCH ? (size_t)LEVEL_COUNT : available - SZDD_MIN_MATCH + 1;
}

// Adds virtual index u, whose key hashes are given, to every chain whose key
// fits before the stream's end.
static void InsertPosition(MatchFinder *finder, size_t u, const uint32_t *hashes)
{
    size_t available = finder->stream.size() - u;
    size_t levels = LevelsThatFit(available);
    for (size_t level = 0; level < levels; level++) {
        int32_t *head = &finder->head[(level << HASH_BITS) + hashes[level]];
        finder->prev[level * SZDD_RING_SIZE + (u & RING_MASK)] = *head;
        *head = (int32_t)u;
    }
}

// The longest match for virtual index u, whose key hashes are given, among
// the indices inserted so far that are still in the ring.
static SzddMatch LongestMatchAt(const MatchFinder *finder, size_t u, const uint32_t *hashes)
{
    SzddMatch best = {0, 0};
    const uint8_t *stream = finder->stream.data();
    size_t available = finder->stream.size() - u;
    size_t levels = LevelsThatFit(available);
    if (levels == 0)
        return best;
    int limit = (int)(levels - 1 + SZDD_MIN_MATCH);
    int32_t oldest = (int32_t)(u - SZDD_RING_SIZE);

    // Invariant: no match is longer than highest, and best holds one of
    // found bytes (none while found is below SZDD_MIN_MATCH).
    int found = SZDD_MIN_MATCH - 1;
    int highest = limit;
    while (found < highest) {
        int wanted = (found + highest + 1) / 2;
        size_t level = wanted - SZDD_MIN_MATCH;
        int length = 0;
        int32_t source = finder->head[(level << HASH_BITS) + hashes[level]];
        for (; source >= oldest; source = finder->prev[level * SZDD_RING_SIZE + (source & RING_MASK)]) {
            length = 0;
            while (length < limit && stream[source + length] == stream[u + length])
                length++;
            if (length >= wanted)
                break;   // others in the chain differ only by a hash collision
        }
        if (source >= oldest) {
            found = length;
            best.length = (uint8_t)length;
            best.distance = (uint16_t)(u - source);
        } else {
            highest = wanted - 1;
        }
    }
    return best;
}

std::vector<SzddMatch> FindLongestMatches(const uint8_t *data, size_t size)
{
    MatchFinder finder;
    finder.stream.assign(SZDD_RING_SIZE, ' ');
    finder.stream.insert(finder.stream.end(), data, data + size);
    finder.head.assign((size_t)LEVEL_COUNT << HASH_BITS, -1);
    finder.prev.assign((size_t)LEVEL_COUNT * SZDD_RING_SIZE, -1);
    size_t end = finder.stream.size();
    uint32_t hashes[LEVEL_COUNT];
    for (size_t u = 0; u < SZDD_RING_SIZE; u++) {
        HashKeys(&finder.stream[u], end - u, hashes);
        InsertPosition(&finder, u, hashes);
    }

    std::vector<SzddMatch> matches(size);
    for (size_t i = 0; i < size; i++) {
        size_t u = SZDD_RING_SIZE + i;
        HashKeys(&finder.stream[u], end - u, hashes);
        matches[i] = LongestMatchAt(&finder, u, hashes);
        InsertPosition(&finder, u, hashes);
    }
    return matches;
}

// Chooses, for each position, the item that starts the cheapest encoding of
// the rest: 0 for a literal, else a match length. Every item costs whole
// bits (its flag bit and its bytes), and a match of length L at a position
// also offers every shorter length down to SZDD_MIN_MATCH.
static std::vector<uint8_t> ChooseItems(const std::vector<SzddMatch> &matches)
{
    size_t size = matches.size();
    std::vector<uint64_t> cost(size + 1);
    std::vector<uint8_t> choice(size);
    cost[size] = 0;
    for (size_t i = size; i-- > 0;) {
        uint64_t best = cost[i + 1] + LITERAL_BITS;
        uint8_t bestChoice = 0;
        for (int length = SZDD_MIN_MATCH; length <= matches[i].length; length++) {
            uint64_t candidate = cost[i + length] + MATCH_BITS;
            if (candidate < best) {
                best = candidate;
                bestChoice = (uint8_t)length;
            }
        }
        cost[i] = best;
        choice[i] = bestChoice;
    }
    return choice;
}

// Appends the items to out, one flag byte ahead of each group of eight.
static void EmitItems(const uint8_t *data, size_t size,
                      const std::vector<SzddMatch> &matches,
                      const std::vector<uint8_t> &choice, std::vector<uint8_t> *out)
{
    size_t flagIndex = 0;
    int flagBit = 8;
    for (size_t i = 0; i < size;) {
        if (flagBit == 8) {
            flagIndex = out->size();
            out->push_back(0);
            flagBit = 0;
        }
        if (choice[i] == 0) {
            (*out)[flagIndex] |= (uint8_t)(1u << flagBit);
            out->push_back(data[i]);
            i++;
        } else {
            size_t source = SZDD_RING_SIZE + i - matches[i].distance;
            unsigned ringPos = (unsigned)((source - 16) & RING_MASK);
            out->push_back((uint8_t)(ringPos & 0xFF));
            out->push_back((uint8_t)(((ringPos >> 4) & 0xF0) | (choice[i] - SZDD_MIN_MATCH)));
            i += choice[i];
        }
        flagBit++;
    }
}

std::vector<uint8_t> PackSzdd(const uint8_t *data, size_t size, char replacedChar)
{
    std::vector<uint8_t> out(SZDD_MAGIC, SZDD_MAGIC + sizeof SZDD_MAGIC);
    out.push_back('A');
    out.push_back((uint8_t)replacedChar);
    for (int shift = 0; shift < 32; shift += 8)
        out.push_back((uint8_t)((uint64_t)size >> shift));

    std::vector<SzddMatch> matches = FindLongestMatches(data, size);
    std::vector<uint8_t> choice = ChooseItems(matches);
    EmitItems(data, size, matches, choice, &out);
    return out;
}

bool ExpandSzdd(const uint8_t *file, size_t size, std::vector<uint8_t> *expanded,
                char *replacedChar)
{
    if (size < SZDD_HEADER_SIZE || memcmp(file, SZDD_MAGIC, sizeof SZDD_MAGIC) != 0 ||
        file[8] != 'A')
        return false;
    *replacedChar = (char)file[9];
    uint32_t length = file[10] | (file[11] << 8) | (file[12] << 16) | ((uint32_t)file[13] << 24);

    uint8_t ring[SZDD_RING_SIZE];
    memset(ring, ' ', sizeof ring);
    unsigned ringPos = RING_START;
    size_t in = SZDD_HEADER_SIZE;
    expanded->clear();

    while (expanded->size() < length) {
        if (in >= size)
            return false;
        uint8_t flags = file[in++];
        for (int bit = 0; bit < 8 && expanded->size() < length; bit++) {
            if (flags & (1u << bit)) {
                if (in >= size)
                    return false;
                uint8_t c = file[in++];
                expanded->push_back(c);
                ring[ringPos] = c;
                ringPos = (ringPos + 1) & RING_MASK;
                continue;
            }
            if (in + 2 > size)
                return false;
            unsigned matchPos = file[in] | ((file[in + 1] & 0xF0) << 4);
            unsigned matchLength = (file[in + 1] & 0x0F) + SZDD_MIN_MATCH;
            in += 2;
            // A copy past the announced length is a fault of the packer.
            if (expanded->size() + matchLength > length)
                return false;
            for (unsigned k = 0; k < matchLength; k++) {
                uint8_t c = ring[(matchPos + k) & RING_MASK];
                expanded->push_back(c);
                ring[ringPos] = c;
                ringPos = (ringPos + 1) & RING_MASK;
            }
        }
    }
    // Bytes after the last item mean the packer wrote more than it counted.
    return in == size;
}
