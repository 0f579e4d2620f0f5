// Palettes for pictures: the colours of an 8-bit screen file, the logical
// palette of the preview on a 256-colour display.
//
// TFewColours collects the distinct colours of a picture while there are at
// most a given number of them, with their pixel counts: a picture of few
// colours keeps exactly those.
//
// TMedianCut chooses representative colours for a picture with more colours
// than a palette holds. The colour cube is cut into cells of 5 bits per
// channel; every pixel counts towards its cell, which also sums the pixels'
// own colours. The occupied cells are split into boxes, each time the box
// with the most pixels times the length of its longest side, at the pixel
// median of that side, until there are as many boxes as entries (or no box
// can be split). Each entry is the exact average of its box's pixels. On
// request the entries come the most used first (a 256-colour display
// realises as many as it has free slots, in entry order), and nearest-colour
// passes then move each entry to the average of the cells nearest to it.
//
// TNearestColour finds the entry of a palette nearest to a colour.
//
// Nothing here throws: what needs memory tells by its result when it runs out.
#pragma once

#include <cstdint>
#include <memory>

struct TPaletteColour {
    std::uint8_t Red, Green, Blue;
};

class TFewColours {
public:
    static const unsigned Most = 256;

    // Collects at most `most` colours (no more than Most).
    explicit TFewColours(unsigned most = Most) : m_most(most < Most ? most : Most) {}

    // Counts `count` pixels of colour 0x00RRGGBB; false once the picture has
    // more than the most colours.
    bool Add(std::uint32_t colour, std::uint32_t count);
    // Counts a row of `width` pixels of three bytes each, red first or (with
    // `blueFirst`) blue first, runs of one colour at once; false as Add.
    bool AddRow(const std::uint8_t* pixels, std::uint32_t width, bool blueFirst);
    // Writes the colours, the most used first (equal counts in colour order);
    // returns how many.
    unsigned Fill(TPaletteColour* palette) const;

private:
    static const unsigned Slots = 1024;   // a power of two, at most a quarter used
    std::uint32_t m_keys[Slots] = {};     // colour | 0x1000000; 0 marks a free slot
    std::uint32_t m_counts[Slots] = {};
    unsigned m_used = 0;
    unsigned m_most;
};

class TMedianCut {
public:
    static const unsigned Cells = 1u << 15;
    // The most pixels that may be added: a cell's colour sums must not
    // overflow (a caller with more adds a sample of them).
    static const std::uint32_t MostPixels = 0xFFFFFFFFu / 255;

    TMedianCut();
    ~TMedianCut();
    TMedianCut(const TMedianCut&) = delete;
    TMedianCut& operator=(const TMedianCut&) = delete;

    // The cells; false when memory runs out.
    bool Allocate();
    void Add(std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
        TCell& c = m_cells[(red >> 3) << 10 | (green >> 3) << 5 | blue >> 3];
        ++c.Count;
        c.Red += red;
        c.Green += green;
        c.Blue += blue;
    }
    // Writes up to `capacity` entries, in the order the boxes were made or
    // (with `mostUsedFirst`) the box with the most pixels first (ties in a
    // fixed order), then moved by `refinements` nearest-colour passes.
    // Returns how many; 0 when memory runs out or no pixel was added.
    unsigned Choose(TPaletteColour* palette, unsigned capacity, bool mostUsedFirst, unsigned refinements);

private:
    struct TCell {
        std::uint32_t Count, Red, Green, Blue;
    };
    struct TBox;
    TBox Measure(const std::uint16_t* order, unsigned begin, unsigned end) const;
    void Refine(const std::uint16_t* order, unsigned used, TPaletteColour* palette, unsigned count,
                unsigned passes) const;

    std::unique_ptr<TCell[]> m_cells;
};

// Nearest palette entry by distance in RGB, found among the entries sorted
// by red: searching outwards from the given red, a side ends where its red
// difference alone is no nearer than the best found. Exact (of equally near
// entries it finds one), and on photos a few dozen distances instead of 256.
class TNearestColour {
public:
    // At most 256 entries.
    TNearestColour(const TPaletteColour* palette, unsigned count);
    // The index of the entry nearest to the colour (components 0-255).
    unsigned Find(int red, int green, int blue) const;

private:
    struct TEntry {
        int Red, Green, Blue;
    };
    unsigned m_count;
    std::uint8_t m_order[256];
    TEntry m_sorted[256];
    std::uint16_t m_start[256];
};
