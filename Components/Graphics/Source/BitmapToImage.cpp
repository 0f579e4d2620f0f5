// Conversion of a loaded bitmap file into an indexed TImage.
#include <cstring>

#include "BitmapFile.h"
#include "NewArray.h"
#include "SortedTree.h"

namespace {

const unsigned NoLimit = 0xFFFFFFFFu;

// The image's index array: 4 bytes per pixel, refused when that size does not
// fit in 32 bits.
std::uint32_t* NewIndexArray(std::uint32_t pixelCount) {
    return pixelCount <= 0xFFFFFFFFu / 4 ? NewArray<std::uint32_t>(pixelCount) : nullptr;
}

void Append(TPalette& palette, const TRGBColor& color) { palette.InsertAt(color, palette.GetCount(), 1); }

// The set of 24-bit colour keys present in a picture, as one bit per possible
// key, with the number of keys before every 64-bit word. It answers "is this
// colour new" and "how many smaller colours are there" in constant time; the
// sorted tree holds the same keys as an ordered set.
class TColorKeySet {
public:
    static const std::uint32_t Words = (1u << 24) / 64;

    bool Allocate() {
        Bits.reset(NewArray<std::uint64_t>(Words, true));
        Before.reset(NewArray<std::uint32_t>(Words));
        return Bits && Before;
    }
    void Add(std::uint32_t key) { Bits[key / 64] |= std::uint64_t(1) << (key % 64); }
    // Fixes the ranks; answers the number of keys.
    std::uint32_t Count() {
        std::uint32_t n = 0;
        for (std::uint32_t w = 0; w < Words; ++w) {
            Before[w] = n;
            n += std::uint32_t(__builtin_popcountll(Bits[w]));
        }
        return n;
    }
    // The number of smaller keys in the set (after Count).
    std::uint32_t Rank(std::uint32_t key) const {
        const std::uint64_t below = (std::uint64_t(1) << (key % 64)) - 1;
        return Before[key / 64] + std::uint32_t(__builtin_popcountll(Bits[key / 64] & below));
    }
    // Calls f(key) for every key in ascending order.
    template <class F>
    void ForEach(F f) const {
        for (std::uint32_t w = 0; w < Words; ++w)
            for (std::uint64_t word = Bits[w]; word; word &= word - 1)
                f(w * 64 + std::uint32_t(__builtin_ctzll(word)));
    }

private:
    std::unique_ptr<std::uint64_t[]> Bits;
    std::unique_ptr<std::uint32_t[]> Before;
};

std::uint32_t KeyAt(const std::uint8_t* p) { return p[0] | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16; }

}  // namespace

bool TBitmapFile::ToImage(TImage& image) {
    if (!Loaded) return false;
    switch (Content.BitsPerPixel) {
    case 1:
    case 4:
    case 8: return ConvertIndexed(image);
    case 24: return ConvertTrueColor(image);
    default: return false;  // 16 and 32 bits are not converted
    }
}

bool TBitmapFile::Adopt(std::unique_ptr<std::uint32_t[]>& indices, TImage& image) {
    if (!image.SetPixels(indices.get(), Content.Width, Content.Height, true)) {
        Status = StatusImageRefused;
        return false;
    }
    indices.release();
    return true;
}

bool TBitmapFile::ConvertIndexed(TImage& image) {
    const std::uint32_t count = Content.PixelCount;
    const std::uint32_t colors = Content.ColorsUsed;
    const std::uint8_t* s = Content.Stream.get();
    std::unique_ptr<std::uint32_t[]> indices(NewIndexArray(count));
    if (!indices) {
        Status = StatusNoMemory;
        return false;
    }
    std::uint32_t* out = indices.get();
    switch (Content.BitsPerPixel) {
    case 1:
        for (std::uint32_t i = 0; i < count; ++i) out[i] = (s[i / 8] >> (7 - i % 8)) & 1;
        break;
    case 4:
        for (std::uint32_t i = 0; i < count; ++i) out[i] = i % 2 ? s[i / 2] & 0x0F : s[i / 2] >> 4;
        break;
    default:
        for (std::uint32_t i = 0; i < count; ++i) out[i] = s[i];
        break;
    }
    if (Content.BitsPerPixel != 1) {
        for (std::uint32_t i = 0; i < count; ++i) {
            if (out[i] >= colors) {
                Status = StatusBadHeader;
                return false;
            }
        }
    }
    if (!Adopt(indices, image)) return false;

    // A 1-bit file without at least two table entries is black and white.
    const bool table = Content.ColorTable && (Content.BitsPerPixel != 1 || colors >= 2);
    TPalette palette(table ? colors : 2, 1, NoLimit);
    if (table) {
        const std::uint8_t* t = Content.ColorTable.get();
        for (std::uint32_t k = 0; k < colors; ++k, t += 4) Append(palette, TRGBColor(t[2], t[1], t[0]));
    } else if (Content.BitsPerPixel == 1) {
        Append(palette, TRGBColor(0, 0, 0));
        Append(palette, TRGBColor(255, 255, 255));
    }
    image.Palette = palette;
    return true;
}

// Every distinct colour becomes a palette entry, in ascending order of its key
// red * 65536 + green * 256 + blue, and every pixel the rank of its key.
//
// A picture has far more pixels than colours, so the key set filters the
// pixels first: only the distinct keys reach the sorted tree, inserted in
// ascending order, which keeps the tree's working path hot in the cache. The
// palette is read from the tree by rank; a pixel's rank comes from the key set,
// which holds exactly the tree's keys, and so is the rank the tree would give.
bool TBitmapFile::ConvertTrueColor(TImage& image) {
    const std::uint32_t count = Content.PixelCount;
    const std::uint8_t* s = Content.Stream.get();
    std::unique_ptr<std::uint32_t[]> indices(NewIndexArray(count));
    TColorKeySet keys;
    if (!indices || !keys.Allocate()) {
        Status = StatusNoMemory;
        return false;
    }
    for (std::uint32_t i = 0; i < count; ++i) keys.Add(KeyAt(s + 3 * std::uint64_t(i)));
    const std::uint32_t n = keys.Count();

    std::unique_ptr<TSortedTreeNode[]> nodes(NewArray<TSortedTreeNode>(n));
    if (!nodes) {
        Status = StatusNoMemory;
        return false;
    }
    TSortedTree tree;
    bool inserted = true;
    std::uint32_t next = 0;
    keys.ForEach([&](std::uint32_t key) {
        TSortedTreeNode& node = nodes[next++];
        node.Key = key;
        inserted = tree.Insert(&node) && inserted;
    });
    if (!inserted) {
        Status = StatusNoMemory;
        return false;
    }

    TPalette palette(n, 0, NoLimit);
    for (std::uint32_t r = 0; r < n; ++r) {
        const std::uint32_t key = tree.ItemAt(r)->Key;
        Append(palette, TRGBColor(std::uint8_t(key >> 16), std::uint8_t(key >> 8), std::uint8_t(key)));
    }

    std::uint32_t* out = indices.get();
    for (std::uint32_t i = 0; i < count; ++i) out[i] = keys.Rank(KeyAt(s + 3 * std::uint64_t(i)));
    if (!Adopt(indices, image)) return false;
    image.Palette = palette;
    return true;
}
