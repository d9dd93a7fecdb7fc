// The node bitmap of a block and the free runs of its words: the search for
// the lowest node at which k free nodes start, as a search of the MAT from
// its start would find it, without reading the MAT.
#include "index.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <iterator>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace memidx {
namespace {

constexpr int kWords = MEM_BLOCK_NODES / 64;
constexpr std::uint64_t kAll = ~std::uint64_t{0};

void SetBits(std::uint64_t* map, int first, int count, bool used) {
    if (first % 64 + count < 64) { // the common case: inside one word
        const std::uint64_t mask = ((std::uint64_t{1} << count) - 1) << (first % 64);
        std::uint64_t& word = map[first / 64];
        word = used ? (word | mask) : (word & ~mask);
        return;
    }
    while (count > 0) {
        const int w = first / 64;
        const int bit = first % 64;
        const int n = std::min(count, 64 - bit);
        const std::uint64_t mask = (n == 64 ? kAll : ((std::uint64_t{1} << n) - 1)) << bit;
        map[w] = used ? (map[w] | mask) : (map[w] & ~mask);
        first += n;
        count -= n;
    }
}

// The longest run of set bits of x: the run masks are doubled while they
// hold a bit, then the rest is found by halving steps.
int LongestOnes(std::uint64_t x) {
    if (x == 0)
        return 0;
    if (x == kAll)
        return 64;
    int len = 1; // x: the bits at which runs of at least len start
    while (len < 64) {
        const std::uint64_t longer = x & (x >> len);
        if (!longer)
            break;
        x = longer;
        len *= 2;
    }
    for (int step = len / 2; step >= 1; step /= 2) {
        const std::uint64_t longer = x & (x >> step);
        if (longer) {
            x = longer;
            len += step;
        }
    }
    return len;
}

void ComputeWords(MemBlock* b, int firstWord, int lastWord) {
    for (int w = firstWord; w <= lastWord; ++w) {
        const std::uint64_t free = ~b->FreeMap[w];
        b->WordHead[w] = static_cast<std::uint8_t>(std::countr_one(free));
        b->WordTail[w] = static_cast<std::uint8_t>(std::countl_one(free));
        b->WordMax[w] = static_cast<std::uint8_t>(LongestOnes(free));
    }
}

void Mark(MemBlock* b, int first, int count, bool used) {
    SetBits(b->FreeMap, first, count, used);
    ComputeWords(b, first / 64, (first + count - 1) / 64);
}

// The lowest bit at which k set bits start in x, k at most 64; x must hold one.
int FirstRunInWord(std::uint64_t x, int k) {
    int len = 1;
    while (len * 2 <= k) {
        x &= x >> len;
        len *= 2;
    }
    if (len < k)
        x &= x >> (k - len);
    return std::countr_zero(x);
}

// Bit w of the result is set when a[w] + b[w] >= k, for the 32 words; b may
// be null. Values are at most 128, so the sums fit in a byte.
std::uint32_t AtLeast(const std::uint8_t* a, const std::uint8_t* b, int k) {
#if defined(__SSE2__)
    const __m128i kv = _mm_set1_epi8(static_cast<char>(k));
    std::uint32_t mask = 0;
    for (int half = 0; half < 2; ++half) {
        __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a + 16 * half));
        if (b)
            v = _mm_add_epi8(v, _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + 16 * half)));
        const __m128i ge = _mm_cmpeq_epi8(_mm_max_epu8(v, kv), v);
        mask |= static_cast<std::uint32_t>(_mm_movemask_epi8(ge)) << (16 * half);
    }
    return mask;
#else
    std::uint32_t mask = 0;
    for (int w = 0; w < kWords; ++w)
        if (a[w] + (b ? b[w] : 0) >= k)
            mask |= std::uint32_t{1} << w;
    return mask;
#endif
}

// First node at or after pos whose bit equals `used`, or MEM_BLOCK_NODES.
int NextWithState(const std::uint64_t* map, int pos, bool used) {
    if (pos >= MEM_BLOCK_NODES)
        return MEM_BLOCK_NODES;
    int w = pos / 64;
    std::uint64_t bits = (used ? map[w] : ~map[w]) & (kAll << (pos % 64));
    while (!bits) {
        if (++w == kWords)
            return MEM_BLOCK_NODES;
        bits = used ? map[w] : ~map[w];
    }
    return w * 64 + std::countr_zero(bits);
}

// Last used node before pos, or -1.
int PrevUsed(const std::uint64_t* map, int pos) {
    if (pos <= 0)
        return -1;
    int w = (pos - 1) / 64;
    const int bit = (pos - 1) % 64;
    std::uint64_t bits = map[w] & (bit == 63 ? kAll : ((std::uint64_t{1} << (bit + 1)) - 1));
    while (!bits) {
        if (--w < 0)
            return -1;
        bits = map[w];
    }
    return w * 64 + 63 - std::countl_zero(bits);
}

} // namespace

void InitRuns(MemBlock* b) {
    std::fill(std::begin(b->FreeMap), std::end(b->FreeMap), 0);
    std::fill(std::begin(b->WordHead), std::end(b->WordHead), 0);
    std::fill(std::begin(b->WordTail), std::end(b->WordTail), 0);
    std::fill(std::begin(b->WordMax), std::end(b->WordMax), 0);
    ComputeWords(b, 0, kWords - 1);
    b->MaxRun = MEM_BLOCK_NODES;
}

void MarkUsed(MemBlock* b, int first, int count) {
    Mark(b, first, count, true);
}
void MarkFree(MemBlock* b, int first, int count) {
    Mark(b, first, count, false);
}

int FindFreeRun(const MemBlock* b, int k) {
    if (k > 64) {
        // Long runs: walk the free runs from the start.
        int pos = 0;
        while (pos < MEM_BLOCK_NODES) {
            const int start = NextWithState(b->FreeMap, pos, false);
            if (start >= MEM_BLOCK_NODES)
                break;
            const int end = NextWithState(b->FreeMap, start, true);
            if (end - start >= k)
                return start;
            pos = end;
        }
        return -1;
    }
    // A run of k starts either inside a word (that word's longest run is long
    // enough) or at the free end of a word and goes on into the next one.
    const std::uint32_t inside = AtLeast(b->WordMax, nullptr, k);
    const std::uint32_t across = AtLeast(b->WordTail, b->WordHead + 1, k);
    const int w1 = inside ? std::countr_zero(inside) : kWords;
    const int w2 = across ? std::countr_zero(across) : kWords;
    if (w2 < w1)
        return 64 * w2 + 64 - b->WordTail[w2];
    if (w1 < kWords)
        return 64 * w1 + FirstRunInWord(~b->FreeMap[w1], k);
    return -1;
}

int FreeRunAround(const MemBlock* b, int i) {
    return NextWithState(b->FreeMap, i, true) - (PrevUsed(b->FreeMap, i) + 1);
}

} // namespace memidx
