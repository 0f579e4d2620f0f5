// Conversion of a loaded bitmap file into an indexed TImage.
#include <algorithm>
#include <memory>

#include "BitmapFile.h"
#include "NewArray.h"
#include "SortedTree.h"

namespace {

const unsigned NoLimit = TPalette::Unlimited;

// The image's index array: 4 bytes per pixel, refused when that size does not
// fit in 32 bits.
std::uint32_t* NewIndexArray(std::uint32_t pixelCount) {
    return pixelCount <= 0xFFFFFFFFu / 4 ? NewArray<std::uint32_t>(pixelCount) : nullptr;
}

void Append(TPalette& palette, const TRGBColor& color) { palette.InsertAt(color, palette.GetCount(), 1); }

// Key of the 24-bit pixel i: its bytes in stream order are blue, green and
// red, so keys order colours by red, then green, then blue.
std::uint32_t KeyAt(const std::uint8_t* stream, std::uint32_t i) {
    const std::uint8_t* p = stream + 3 * std::uint64_t(i);
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16;
}

// The number of set bits, by adding neighbouring bit fields in parallel (a
// library call for each word would cost more than the counting).
unsigned BitCount(std::uint64_t x) {
    x -= (x >> 1) & 0x5555555555555555u;
    x = (x & 0x3333333333333333u) + ((x >> 2) & 0x3333333333333333u);
    x = (x + (x >> 4)) & 0x0F0F0F0F0F0F0F0Fu;
    return unsigned((x * 0x0101010101010101u) >> 56);
}

// Calls f(node) for the tree's nodes in ascending key order: an in-order walk
// along the node links, which visits node r where ItemAt(r) would find it but
// costs constant time per node instead of a walk from the root.
template <class F>
void ForEachInOrder(const TSortedTree& tree, F f) {
    const TSortedTreeNode* node = tree.GetRoot();
    while (node && node->Left) node = node->Left;
    while (node) {
        f(*node);
        if (node->Right) {
            node = node->Right;
            while (node->Left) node = node->Left;
        } else {
            const TSortedTreeNode* child;
            do {
                child = node;
                node = node->Parent;
            } while (node && node->Right == child);
        }
    }
}

// The distinct colour keys of a picture, held in a sorted tree.
//
// One tree insertion and one rank lookup per pixel would cost two walks from
// the root for every pixel. Instead the distinct keys are found first and
// inserted into the tree once each, in ascending order (which keeps the tree's
// working path in the cache), and the rank of a key - the number of smaller
// keys, which is its palette index - is answered without a tree walk.
//
// Large pictures: a bit per possible 24-bit key (2 MiB) marks the keys that
// occur in one sequential pass over the pixels. A first scan of the bits counts
// them, which sizes the array of tree nodes (one node per distinct colour, no
// spare), and records for every 64-bit word how many keys lie in the words
// before it (1 MiB). A second scan meets every distinct key in ascending order.
// The rank of a key is its word's count plus the set bits below it in the word.
//
// Small pictures: clearing and scanning 3 MiB would cost more than the picture
// itself, so their keys are sorted, duplicates dropped, and a rank is a binary
// search in that array.
class TColourSet {
public:
    // False when the working data or the nodes cannot be allocated, or the
    // tree refuses a key.
    bool Collect(const std::uint8_t* stream, std::uint32_t count) {
        Small = count <= SmallPicture;
        std::uint32_t n = 0;
        if (!(Small ? FindSmall(stream, count, n) : FindLarge(stream, count, n))) return false;
        if (n == 0) return true;
        Nodes.reset(NewArray<TSortedTreeNode>(n));
        if (!Nodes) return false;
        TSortedTreeNode* node = Nodes.get();
        if (Small) {
            for (std::uint32_t k = 0; k < n; ++k, ++node) {
                node->Key = Sorted[k];
                if (!Tree.Insert(node)) return false;
            }
            return true;
        }
        for (std::uint32_t w = 0; w < Words; ++w) {
            for (std::uint64_t bits = Seen[w]; bits; bits &= bits - 1, ++node) {
                node->Key = w << 6 | unsigned(__builtin_ctzll(bits));
                if (!Tree.Insert(node)) return false;
            }
        }
        return true;
    }

    // The number of keys in the set smaller than `key`, which must be in it.
    std::uint32_t RankOf(std::uint32_t key) const {
        if (Small) {
            const std::uint32_t* first = Sorted.get();
            return std::uint32_t(std::lower_bound(first, SortedEnd, key) - first);
        }
        const std::uint64_t below = (std::uint64_t(1) << (key & 63)) - 1;
        return Before[key >> 6] + BitCount(Seen[key >> 6] & below);
    }

    TSortedTree Tree;

private:
    static const std::uint32_t Words = (1u << 24) / 64;
    static const std::uint32_t SmallPicture = 16384;

    bool FindSmall(const std::uint8_t* stream, std::uint32_t count, std::uint32_t& n) {
        Sorted.reset(NewArray<std::uint32_t>(count));
        if (!Sorted) return false;
        for (std::uint32_t i = 0; i < count; ++i) Sorted[i] = KeyAt(stream, i);
        std::sort(Sorted.get(), Sorted.get() + count);
        SortedEnd = std::unique(Sorted.get(), Sorted.get() + count);
        n = std::uint32_t(SortedEnd - Sorted.get());
        return true;
    }

    bool FindLarge(const std::uint8_t* stream, std::uint32_t count, std::uint32_t& n) {
        Seen.reset(NewArray<std::uint64_t>(Words, true));
        Before.reset(NewArray<std::uint32_t>(Words));
        if (!Seen || !Before) return false;
        std::uint32_t previous = ~std::uint32_t(0);
        for (std::uint32_t i = 0; i < count; ++i) {
            const std::uint32_t key = KeyAt(stream, i);
            if (key == previous) continue;  // neighbouring pixels often share a colour
            Seen[key >> 6] |= std::uint64_t(1) << (key & 63);
            previous = key;
        }
        for (std::uint32_t w = 0; w < Words; ++w) {
            Before[w] = n;
            if (Seen[w]) n += BitCount(Seen[w]);  // many words are empty
        }
        return true;
    }

    bool Small = false;
    std::unique_ptr<std::uint32_t[]> Sorted;  // small: the distinct keys, ascending
    const std::uint32_t* SortedEnd = nullptr;
    std::unique_ptr<std::uint64_t[]> Seen;    // large: bit k set when key k occurs
    std::unique_ptr<std::uint32_t[]> Before;  // large: keys in the words before word w
    std::unique_ptr<TSortedTreeNode[]> Nodes;
};

}  // namespace

bool TBitmapFile::ToImage(TImage& image) {
    if (!Loaded) return false;
    const std::uint16_t depth = Content.BitsPerPixel;
    if (depth != 1 && depth != 4 && depth != 8 && depth != 24) return false;  // 16 and 32 bits are not converted
    std::unique_ptr<std::uint32_t[]> indices(NewIndexArray(Content.PixelCount));
    if (!indices) {
        Status = StatusNoMemory;
        return false;
    }
    return depth == 24 ? ConvertTrueColor(indices, image) : ConvertIndexed(indices, image);
}

bool TBitmapFile::Adopt(std::unique_ptr<std::uint32_t[]>& indices, TImage& image) {
    if (!image.SetPixels(indices.get(), Content.Width, Content.Height, true)) {
        Status = StatusImageRefused;
        return false;
    }
    indices.release();
    return true;
}

bool TBitmapFile::ConvertIndexed(std::unique_ptr<std::uint32_t[]>& indices, TImage& image) {
    const std::uint32_t count = Content.PixelCount;
    const std::uint32_t colors = Content.ColorsUsed;
    const std::uint8_t* s = Content.Stream.get();
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
    // Deeper files always copy their table: colours used is 0 without one.
    const bool blackAndWhite = Content.BitsPerPixel == 1 && !(Content.ColorTable && colors >= 2);
    TPalette palette(blackAndWhite ? 2 : colors, 1, NoLimit);
    if (blackAndWhite) {
        Append(palette, TRGBColor(0, 0, 0));
        Append(palette, TRGBColor(255, 255, 255));
    } else {
        const std::uint8_t* t = Content.ColorTable.get();
        for (std::uint32_t k = 0; k < colors; ++k, t += 4) Append(palette, TRGBColor(t[2], t[1], t[0]));
    }
    image.Palette = palette;
    return true;
}

// Every distinct colour becomes a palette entry, in ascending order of its
// key, and every pixel the rank of its key among them (see TColourSet).
bool TBitmapFile::ConvertTrueColor(std::unique_ptr<std::uint32_t[]>& indices, TImage& image) {
    const std::uint32_t count = Content.PixelCount;
    const std::uint8_t* s = Content.Stream.get();
    TColourSet colours;
    if (!colours.Collect(s, count)) {
        Status = StatusNoMemory;
        return false;
    }
    TPalette palette(colours.Tree.GetCount(), 0, NoLimit);
    ForEachInOrder(colours.Tree, [&](const TSortedTreeNode& node) {
        Append(palette, TRGBColor(std::uint8_t(node.Key >> 16), std::uint8_t(node.Key >> 8), std::uint8_t(node.Key)));
    });
    std::uint32_t previous = ~std::uint32_t(0), rank = 0;
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::uint32_t key = KeyAt(s, i);
        if (key != previous) {
            rank = colours.RankOf(key);
            previous = key;
        }
        indices[i] = rank;
    }
    if (!Adopt(indices, image)) return false;
    image.Palette = palette;
    return true;
}
