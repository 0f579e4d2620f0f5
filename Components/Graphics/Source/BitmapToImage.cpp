// Conversion of a loaded bitmap file into an indexed TImage.
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

// Sorts the entries by bits 32 to 55 (a 24-bit key above a 32-bit payload),
// stably, eight bits at a time. `scratch` holds as many entries.
void SortByKey(std::unique_ptr<std::uint64_t[]>& entries, std::unique_ptr<std::uint64_t[]>& scratch,
               std::uint32_t count) {
    for (unsigned shift = 32; shift < 56; shift += 8) {
        std::uint32_t start[257] = {};
        for (std::uint32_t i = 0; i < count; ++i) ++start[(entries[i] >> shift & 0xFF) + 1];
        for (unsigned d = 0; d < 256; ++d) start[d + 1] += start[d];
        for (std::uint32_t i = 0; i < count; ++i) scratch[start[entries[i] >> shift & 0xFF]++] = entries[i];
        entries.swap(scratch);
    }
}

// Calls f(node) for the tree's nodes in ascending key order: an in-order walk
// along the node links, which visits node r where ItemAt(r) would find it
// but costs constant time per node instead of a walk from the root.
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
// Instead of one ordered-set insertion and one rank lookup per pixel, the
// pixels are sorted by key first (a linear radix sort): walking them in key
// order meets every distinct key once, in ascending order, and the number of
// distinct keys met so far is the rank. Only the distinct keys enter the
// sorted tree, in ascending order, which keeps its working path in the cache;
// the palette is read from the tree in key order.
bool TBitmapFile::ConvertTrueColor(TImage& image) {
    const std::uint32_t count = Content.PixelCount;
    const std::uint8_t* s = Content.Stream.get();
    std::unique_ptr<std::uint32_t[]> indices(NewIndexArray(count));
    std::unique_ptr<std::uint64_t[]> sorted(NewArray<std::uint64_t>(count));
    std::unique_ptr<std::uint64_t[]> scratch(NewArray<std::uint64_t>(count));
    if (!indices || !sorted || !scratch) {
        Status = StatusNoMemory;
        return false;
    }
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::uint8_t* p = s + 3 * std::uint64_t(i);
        sorted[i] = std::uint64_t(p[0] | p[1] << 8 | p[2] << 16) << 32 | i;
    }
    SortByKey(sorted, scratch, count);
    scratch.reset();

    TSortedTreeNodePool<> nodes;  // outlives the tree that links them
    TSortedTree tree;
    std::uint32_t n = 0;
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::uint32_t key = std::uint32_t(sorted[i] >> 32);
        if (i == 0 || key != std::uint32_t(sorted[i - 1] >> 32)) {
            TSortedTreeNode* node = nodes.Allocate();
            if (!node) {
                Status = StatusNoMemory;
                return false;
            }
            node->Key = key;
            if (!tree.Insert(node)) {
                Status = StatusNoMemory;
                return false;
            }
            ++n;
        }
        indices[std::uint32_t(sorted[i])] = n - 1;
    }
    sorted.reset();

    TPalette palette(n, 0, NoLimit);
    ForEachInOrder(tree, [&](const TSortedTreeNode& node) {
        Append(palette, TRGBColor(std::uint8_t(node.Key >> 16), std::uint8_t(node.Key >> 8), std::uint8_t(node.Key)));
    });
    if (!Adopt(indices, image)) return false;
    image.Palette = palette;
    return true;
}
