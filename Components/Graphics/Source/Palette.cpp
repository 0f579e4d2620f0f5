#include "Palette.h"

#include <algorithm>
#include <new>

#include "NewArray.h"

// ---------------------------------------------------------------------------
// A few colours.

bool TFewColours::Add(std::uint32_t colour, std::uint32_t count) {
    const std::uint32_t key = colour | 0x1000000;
    unsigned slot = (colour * 2654435761u) >> 22;   // 10 bits: Slots
    for (;;) {
        if (m_keys[slot] == key) {
            m_counts[slot] += count;
            return true;
        }
        if (m_keys[slot] == 0) {
            if (m_used == m_most) return false;
            m_keys[slot] = key;
            m_counts[slot] = count;
            ++m_used;
            return true;
        }
        slot = (slot + 1) & (Slots - 1);
    }
}

bool TFewColours::AddRow(const std::uint8_t* pixels, std::uint32_t width, bool blueFirst) {
    const int first = blueFirst ? 2 : 0, last = 2 - first;
    std::uint32_t colour = 0, run = 0;
    for (std::uint32_t x = 0; x < width; ++x, pixels += 3) {
        const std::uint32_t next = std::uint32_t(pixels[first]) << 16 | std::uint32_t(pixels[1]) << 8 | pixels[last];
        if (run != 0 && next == colour) {
            ++run;
            continue;
        }
        if (run != 0 && !Add(colour, run)) return false;
        colour = next;
        run = 1;
    }
    return run == 0 || Add(colour, run);
}

unsigned TFewColours::Fill(TPaletteColour* palette) const {
    // Count above, colour below: unique keys. A few hundred of them are
    // sorted by insertion.
    std::uint64_t order[Most];
    unsigned n = 0;
    for (unsigned i = 0; i < Slots; ++i) {
        if (m_keys[i] == 0) continue;
        const std::uint64_t key = std::uint64_t(~m_counts[i]) << 24 | (m_keys[i] & 0xFFFFFF);
        unsigned j = n++;
        for (; j > 0 && order[j - 1] > key; --j) order[j] = order[j - 1];
        order[j] = key;
    }
    for (unsigned i = 0; i < n; ++i)
        palette[i] = TPaletteColour{std::uint8_t(order[i] >> 16), std::uint8_t(order[i] >> 8), std::uint8_t(order[i])};
    return n;
}

// ---------------------------------------------------------------------------
// Median cut.

namespace {

unsigned Component(unsigned cell, int axis) { return cell >> (10 - 5 * axis) & 31; }

TPaletteColour Average(std::uint64_t red, std::uint64_t green, std::uint64_t blue, std::uint64_t count) {
    const std::uint64_t half = count / 2;
    return TPaletteColour{std::uint8_t((red + half) / count), std::uint8_t((green + half) / count),
                          std::uint8_t((blue + half) / count)};
}

}  // namespace

// Cells order[Begin] to order[End - 1].
struct TMedianCut::TBox {
    unsigned Begin, End;
    std::uint64_t Pixels;
    unsigned Side;   // length of the longest side, in cells
    int Axis;        // 0 red, 1 green, 2 blue
};

TMedianCut::TMedianCut() = default;
TMedianCut::~TMedianCut() = default;

bool TMedianCut::Allocate() {
    m_cells.reset(NewArray<TCell>(Cells, true));
    return m_cells != nullptr;
}

TMedianCut::TBox TMedianCut::Measure(const std::uint16_t* order, unsigned begin, unsigned end) const {
    TBox box = {begin, end, 0, 0, 0};
    unsigned low[3] = {31, 31, 31}, high[3] = {0, 0, 0};
    for (unsigned i = begin; i < end; ++i) {
        box.Pixels += m_cells[order[i]].Count;
        for (int axis = 0; axis < 3; ++axis) {
            const unsigned c = Component(order[i], axis);
            low[axis] = std::min(low[axis], c);
            high[axis] = std::max(high[axis], c);
        }
    }
    for (int axis = 0; axis < 3; ++axis) {
        if (high[axis] - low[axis] + 1 > box.Side) {
            box.Side = high[axis] - low[axis] + 1;
            box.Axis = axis;
        }
    }
    return box;
}

unsigned TMedianCut::Choose(TPaletteColour* palette, unsigned capacity, bool mostUsedFirst, unsigned refinements) {
    if (!m_cells || capacity == 0) return 0;
    std::unique_ptr<std::uint16_t[]> order(NewArray<std::uint16_t>(Cells));
    std::unique_ptr<TBox[]> boxes(NewArray<TBox>(capacity));
    if (!order || !boxes) return 0;
    unsigned used = 0;
    for (unsigned i = 0; i < Cells; ++i)
        if (m_cells[i].Count != 0) order[used++] = std::uint16_t(i);
    if (used == 0) return 0;
    unsigned n = 1;
    boxes[0] = Measure(order.get(), 0, used);
    while (n < capacity) {
        unsigned pick = capacity;
        std::uint64_t best = 0;
        for (unsigned i = 0; i < n; ++i) {
            const std::uint64_t priority = boxes[i].Pixels * boxes[i].Side;
            if (boxes[i].End - boxes[i].Begin > 1 && priority > best) {
                best = priority;
                pick = i;
            }
        }
        if (pick == capacity) break;
        const TBox box = boxes[pick];
        const int axis = box.Axis;
        std::sort(order.get() + box.Begin, order.get() + box.End,
                  [axis](std::uint16_t a, std::uint16_t b) { return Component(a, axis) < Component(b, axis); });
        // The first cell at which half of the box's pixels lie before it;
        // both halves keep at least one cell.
        std::uint64_t below = 0;
        unsigned split = box.Begin + 1;
        for (unsigned i = box.Begin; i + 1 < box.End; ++i) {
            below += m_cells[order[i]].Count;
            split = i + 1;
            if (2 * below >= box.Pixels) break;
        }
        boxes[pick] = Measure(order.get(), box.Begin, split);
        boxes[n++] = Measure(order.get(), split, box.End);
    }
    if (mostUsedFirst) {
        // By insertion; of boxes with equal pixels, the one whose cells come
        // first in `order` goes first.
        for (unsigned i = 1; i < n; ++i) {
            const TBox box = boxes[i];
            unsigned j = i;
            for (; j > 0 && (boxes[j - 1].Pixels < box.Pixels ||
                             (boxes[j - 1].Pixels == box.Pixels && boxes[j - 1].Begin > box.Begin));
                 --j)
                boxes[j] = boxes[j - 1];
            boxes[j] = box;
        }
    }
    for (unsigned i = 0; i < n; ++i) {
        std::uint64_t red = 0, green = 0, blue = 0;
        for (unsigned j = boxes[i].Begin; j < boxes[i].End; ++j) {
            const TCell& c = m_cells[order[j]];
            red += c.Red;
            green += c.Green;
            blue += c.Blue;
        }
        palette[i] = Average(red, green, blue, boxes[i].Pixels);
    }
    if (refinements != 0) Refine(order.get(), used, palette, n, refinements);
    return n;
}

// Nearest-colour passes over the occupied cells (each at its own average),
// weighted by their pixels.
void TMedianCut::Refine(const std::uint16_t* order, unsigned used, TPaletteColour* palette, unsigned count,
                        unsigned passes) const {
    struct TSum {
        std::uint64_t Count, Red, Green, Blue;
    };
    std::unique_ptr<TSum[]> sums(NewArray<TSum>(count));
    if (!sums) return;
    for (unsigned pass = 0; pass < passes; ++pass) {
        std::fill(sums.get(), sums.get() + count, TSum{0, 0, 0, 0});
        const TNearestColour nearest(palette, count);
        for (unsigned j = 0; j < used; ++j) {
            const TCell& c = m_cells[order[j]];
            const TPaletteColour mean = Average(c.Red, c.Green, c.Blue, c.Count);
            TSum& s = sums[nearest.Find(mean.Red, mean.Green, mean.Blue)];
            s.Count += c.Count;
            s.Red += c.Red;
            s.Green += c.Green;
            s.Blue += c.Blue;
        }
        for (unsigned i = 0; i < count; ++i)
            if (sums[i].Count != 0) palette[i] = Average(sums[i].Red, sums[i].Green, sums[i].Blue, sums[i].Count);
    }
}

// ---------------------------------------------------------------------------
// Nearest colour.

TNearestColour::TNearestColour(const TPaletteColour* palette, unsigned count) : m_count(count < 256 ? count : 256) {
    for (unsigned i = 0; i < m_count; ++i) m_order[i] = std::uint8_t(i);
    std::sort(m_order, m_order + m_count,
              [palette](std::uint8_t a, std::uint8_t b) { return palette[a].Red < palette[b].Red; });
    for (unsigned i = 0; i < m_count; ++i) {
        const TPaletteColour& c = palette[m_order[i]];
        m_sorted[i] = TEntry{c.Red, c.Green, c.Blue};
    }
    // The first sorted entry whose red is at least r, for every r.
    unsigned k = 0;
    for (int r = 0; r < 256; ++r) {
        while (k < m_count && m_sorted[k].Red < r) ++k;
        m_start[r] = std::uint16_t(k);
    }
}

unsigned TNearestColour::Find(int red, int green, int blue) const {
    const int count = int(m_count);
    int best = 0, bestDistance = 1 << 30;
    int up = m_start[red], down = up - 1;
    auto distance = [red, green, blue](const TEntry& e) {
        const int dr = e.Red - red, dg = e.Green - green, db = e.Blue - blue;
        return dr * dr + dg * dg + db * db;
    };
    while (up < count || down >= 0) {
        if (up < count) {
            const int dr = m_sorted[up].Red - red;
            if (dr * dr >= bestDistance) {
                up = count;
            } else {
                const int d = distance(m_sorted[up]);
                if (d < bestDistance) {
                    bestDistance = d;
                    best = up;
                }
                ++up;
            }
        }
        if (down >= 0) {
            const int dr = red - m_sorted[down].Red;
            if (dr * dr >= bestDistance) {
                down = -1;
            } else {
                const int d = distance(m_sorted[down]);
                if (d < bestDistance) {
                    bestDistance = d;
                    best = down;
                }
                --down;
            }
        }
    }
    return m_order[best];
}
