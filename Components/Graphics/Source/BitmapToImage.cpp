// Conversion of a loaded bitmap file into an indexed TImage.
#include <memory>
#include <new>

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

// The distinct colour keys of a picture. The tree only links the nodes; this
// set allocates them and frees them all when it goes.
class TColourSet {
public:
    TColourSet() = default;
    TColourSet(const TColourSet&) = delete;
    TColourSet& operator=(const TColourSet&) = delete;
    ~TColourSet() {
        // Leaves first, so that no node is visited after it was freed.
        TSortedTreeNode* node = Tree.GetRoot();
        while (node) {
            if (node->Left) {
                node = node->Left;
            } else if (node->Right) {
                node = node->Right;
            } else {
                TSortedTreeNode* parent = node->Parent;
                if (parent) (parent->Left == node ? parent->Left : parent->Right) = nullptr;
                delete node;
                node = parent;
            }
        }
        delete Spare;
    }

    // False when a node cannot be allocated or the tree fails for another
    // reason than already holding the key. A key that is already present
    // leaves its node spare for the next one, so the set costs one node per
    // distinct colour.
    bool Add(std::uint32_t key) {
        if (!Spare) Spare = new (std::nothrow) TSortedTreeNode;
        if (!Spare) return false;
        Spare->Key = key;
        if (Tree.Insert(Spare)) {
            Spare = nullptr;
            return true;
        }
        return Tree.GetLastError() == TSortedTree::ErrKeyPresent;
    }

    TSortedTree Tree;

private:
    TSortedTreeNode* Spare = nullptr;
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
// key, and every pixel the rank of its key among them (the number of smaller
// keys), which the subtree sizes of the sorted tree give in one walk.
bool TBitmapFile::ConvertTrueColor(std::unique_ptr<std::uint32_t[]>& indices, TImage& image) {
    const std::uint32_t count = Content.PixelCount;
    const std::uint8_t* s = Content.Stream.get();
    TColourSet colours;
    for (std::uint32_t i = 0; i < count; ++i) {
        if (!colours.Add(KeyAt(s, i))) {
            Status = StatusNoMemory;
            return false;
        }
    }
    const std::uint32_t n = colours.Tree.GetCount();
    TPalette palette(n, 0, NoLimit);
    for (std::uint32_t r = 0; r < n; ++r) {
        const std::uint32_t key = colours.Tree.ItemAt(r)->Key;
        Append(palette, TRGBColor(std::uint8_t(key >> 16), std::uint8_t(key >> 8), std::uint8_t(key)));
    }
    for (std::uint32_t i = 0; i < count; ++i) {
        std::uint32_t rank = 0;
        indices[i] = colours.Tree.FindKey(KeyAt(s, i), &rank) ? rank : 0;
    }
    if (!Adopt(indices, image)) return false;
    image.Palette = palette;
    return true;
}
