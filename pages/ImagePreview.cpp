#include "ImagePreview.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <memory>
#include <new>

#include "Graphics.h"
#include "Picture.h"
#include "resource.h"

namespace {

// Open mode of the picture file: read and write access, binary, random
// access (no mode bit set). A read-only file therefore cannot be previewed.
const int kOpenReadWriteBinary = 8;

// The most entries a logical palette can count.
const unsigned kMaxPaletteEntries = 0xFFFF;

// Pictures with more distinct colours than a logical palette can count get a
// palette of this many representative colours instead (see TMedianCut).
const unsigned kRepresentativeEntries = 256;

// The empty path; assigning it shares its buffer and cannot fail.
const TCharString& EmptyPath() {
    static const TCharString empty;
    return empty;
}

void DrawCentredText(HDC hdc, RECT rect, const char* text, int length) {
    ::DrawTextA(hdc, text, length, &rect, DT_SINGLELINE | DT_VCENTER | DT_CENTER);
}

// For a picture with more colours than a logical palette can count: a
// palette of representative colours (median cut). The colour cube is cut into
// cells of 5 bits per channel and every pixel counts towards its cell; the
// occupied cells are split into boxes, each time the box with the most
// pixels times the length of its longest side, at the pixel median of that
// side, until there are as many boxes as entries (or no box can be split).
// Each entry is the pixel-weighted average of the centres of a box's cells,
// the fullest box first (a 256-colour display realises as many entries as it
// has free slots, in entry order, and maps the rest of the picture to the
// nearest realised colour). A true-colour display ignores the palette.
class TMedianCut {
public:
    static const unsigned Cells = 1u << 15;

    bool Allocate() {
        m_counts.reset(new (std::nothrow) std::uint32_t[Cells]());
        return m_counts != nullptr;
    }
    static unsigned CellOf(std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
        return (red >> 3) << 10 | (green >> 3) << 5 | blue >> 3;
    }
    void Add(unsigned cell) { ++m_counts[cell]; }
    // Writes up to `capacity` entries; returns how many (0 when memory runs out).
    unsigned Fill(PALETTEENTRY* entries, unsigned capacity) {
        std::unique_ptr<std::uint16_t[]> order(new (std::nothrow) std::uint16_t[Cells]);
        std::unique_ptr<Box[]> boxes(new (std::nothrow) Box[capacity]);
        if (!order || !boxes || capacity == 0)
            return 0;
        unsigned used = 0;
        for (unsigned i = 0; i < Cells; ++i)
            if (m_counts[i] != 0)
                order[used++] = static_cast<std::uint16_t>(i);
        if (used == 0)
            return 0;
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
            if (pick == capacity)
                break;
            const Box box = boxes[pick];
            const std::uint32_t* counts = m_counts.get();
            const int axis = box.Axis;
            std::sort(order.get() + box.Begin, order.get() + box.End, [axis](std::uint16_t a, std::uint16_t b) {
                return Component(a, axis) < Component(b, axis);
            });
            // The first cell at which half of the box's pixels lie before it;
            // both halves keep at least one cell.
            std::uint64_t below = 0;
            unsigned split = box.Begin + 1;
            for (unsigned i = box.Begin; i + 1 < box.End; ++i) {
                below += counts[order[i]];
                split = i + 1;
                if (2 * below >= box.Pixels)
                    break;
            }
            boxes[pick] = Measure(order.get(), box.Begin, split);
            boxes[n++] = Measure(order.get(), split, box.End);
        }
        std::sort(boxes.get(), boxes.get() + n, [](const Box& a, const Box& b) {
            return a.Pixels != b.Pixels ? a.Pixels > b.Pixels : a.Begin < b.Begin;
        });
        for (unsigned i = 0; i < n; ++i) {
            std::uint64_t red = 0, green = 0, blue = 0;
            for (unsigned j = boxes[i].Begin; j < boxes[i].End; ++j) {
                const std::uint64_t count = m_counts[order[j]];
                red += count * (Component(order[j], 0) * 8 + 4);
                green += count * (Component(order[j], 1) * 8 + 4);
                blue += count * (Component(order[j], 2) * 8 + 4);
            }
            const std::uint64_t count = boxes[i].Pixels, half = count / 2;
            entries[i].peRed = static_cast<BYTE>((red + half) / count);
            entries[i].peGreen = static_cast<BYTE>((green + half) / count);
            entries[i].peBlue = static_cast<BYTE>((blue + half) / count);
            entries[i].peFlags = PC_NOCOLLAPSE;
        }
        return n;
    }

private:
    // Cells order[Begin] to order[End - 1].
    struct Box {
        unsigned Begin, End;
        std::uint64_t Pixels;
        unsigned Side;   // length of the longest side, in cells
        int Axis;        // 0 red, 1 green, 2 blue
    };

    static unsigned Component(unsigned cell, int axis) { return cell >> (10 - 5 * axis) & 31; }

    Box Measure(const std::uint16_t* order, unsigned begin, unsigned end) const {
        Box box = {begin, end, 0, 0, 0};
        unsigned low[3] = {31, 31, 31}, high[3] = {0, 0, 0};
        for (unsigned i = begin; i < end; ++i) {
            box.Pixels += m_counts[order[i]];
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

    std::unique_ptr<std::uint32_t[]> m_counts;   // pixels per cell
};

// The distinct colours of a picture while there are at most `Most` of them,
// with their pixel counts.
class TFewColours {
public:
    static const unsigned Most = 256;

    // Counts `count` pixels of colour 0x00RRGGBB; false once the picture
    // has more than Most colours.
    bool Add(std::uint32_t colour, std::uint32_t count) {
        const std::uint32_t key = colour | 0x1000000;   // 0 marks a free slot
        unsigned slot = (colour * 2654435761u) >> 22;   // 10 bits: Slots
        for (;;) {
            if (m_keys[slot] == key) {
                m_counts[slot] += count;
                return true;
            }
            if (m_keys[slot] == 0) {
                if (m_used == Most)
                    return false;
                m_keys[slot] = key;
                m_counts[slot] = count;
                ++m_used;
                return true;
            }
            slot = (slot + 1) & (Slots - 1);
        }
    }
    // Writes the colours, the most used first (equal counts in colour
    // order); returns how many.
    unsigned Fill(PALETTEENTRY* entries) const {
        std::uint64_t order[Most];   // count above, colour below
        unsigned n = 0;
        for (unsigned i = 0; i < Slots; ++i)
            if (m_keys[i] != 0)
                order[n++] = std::uint64_t(~m_counts[i]) << 24 | (m_keys[i] & 0xFFFFFF);
        std::sort(order, order + n);
        for (unsigned i = 0; i < n; ++i) {
            entries[i].peRed = static_cast<BYTE>(order[i] >> 16);
            entries[i].peGreen = static_cast<BYTE>(order[i] >> 8);
            entries[i].peBlue = static_cast<BYTE>(order[i]);
            entries[i].peFlags = PC_NOCOLLAPSE;
        }
        return n;
    }

private:
    static const unsigned Slots = 1024;   // a power of two, at most a quarter used
    std::uint32_t m_keys[Slots] = {};
    std::uint32_t m_counts[Slots] = {};
    unsigned m_used = 0;
};

// What the first bytes of a file say.
enum class TFileKind { Unreadable, Bitmap, Other };

// Opens the file for reading only and looks at its first two bytes. Only a
// file on disk is read: a device (CON, a serial port, a pipe) could make a
// read wait for ever.
TFileKind SniffFile(const char* path) {
    HANDLE file = ::CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return TFileKind::Unreadable;
    TFileKind kind = TFileKind::Unreadable;
    char magic[2];
    DWORD read = 0;
    if (::GetFileType(file) == FILE_TYPE_DISK && ::ReadFile(file, magic, sizeof magic, &read, NULL))
        kind = read == 2 && magic[0] == 'B' && magic[1] == 'M' ? TFileKind::Bitmap : TFileKind::Other;
    ::CloseHandle(file);
    return kind;
}

// The desktop colour as 0x00RRGGBB, what transparent pixels are shown on.
std::uint32_t DesktopColour() {
    const COLORREF colour = ::GetSysColor(COLOR_BACKGROUND);
    return std::uint32_t(GetRValue(colour)) << 16 | std::uint32_t(GetGValue(colour)) << 8 | GetBValue(colour);
}

// Rows of the display bitmap: three bytes a pixel, filled to four bytes.
std::uint64_t DisplayStride(std::uint32_t width) {
    return (3ull * width + 3) / 4 * 4;
}

// Whether StretchDIBits can take a display bitmap of this size (it takes
// signed sizes); a picture it cannot take is refused like one that does not
// fit into memory.
bool DisplayableSize(std::uint32_t width, std::uint32_t height) {
    return width != 0 && height != 0 && width <= INT_MAX && height <= INT_MAX &&
           DisplayStride(width) * height <= 0x7FFFFFFFull;
}

}  // namespace

CImagePreview::CImagePreview()
    : m_currentPath(EmptyPath()), m_palette(NULL), m_displayBits(NULL), m_imageWidth(0), m_imageHeight(0),
      m_stretched(NULL), m_stretchedWidth(0), m_stretchedHeight(0) {
    std::memset(&m_bitmapInfo, 0, sizeof m_bitmapInfo);
}

CImagePreview::~CImagePreview() {
    FreeDisplayBitmap();
}

void CImagePreview::FreeDisplayBitmap() {
    FreeStretched();
    delete[] m_displayBits;
    m_displayBits = NULL;
    if (m_palette != NULL) {
        ::DeleteObject(m_palette);
        m_palette = NULL;
    }
}

void CImagePreview::SetImageFile(const TCharString* path) {
    // The given string decides how letters compare (always exactly here).
    if (path != NULL && m_currentPath == *path) {
        Repaint();
        return;
    }
    FreeDisplayBitmap();
    if (path == NULL) {
        m_currentPath = EmptyPath();
        Repaint();
        return;
    }

    if (m_hWnd != NULL) {
        // A repaint still pending would paint "N/A" over the text: let it
        // run first.
        ::UpdateWindow(m_hWnd);
        HDC hdc = ::GetDC(m_hWnd);
        if (hdc != NULL) {
            RECT client;
            ::GetClientRect(m_hWnd, &client);
            HFONT font = reinterpret_cast<HFONT>(SendMessage(WM_GETFONT));
            HGDIOBJ previousFont = font != NULL ? ::SelectObject(hdc, font) : NULL;
            DrawCentredText(hdc, client, "[Loading]", 9);
            if (previousFont != NULL)
                ::SelectObject(hdc, previousFont);
            ::ReleaseDC(m_hWnd, hdc);
        }
    }
    m_currentPath = *path;   // shares the text; never fails
    LoadCurrentPath();
    Repaint();
}

void CImagePreview::LoadCurrentPath() {
    // Whatever goes wrong below, out of memory included, the preview ends
    // empty: nothing half-built stays, and nothing is thrown at the caller,
    // which may be running inside a window procedure.
    CDialog information;
    try {
        CWnd* parent = m_hWnd != NULL ? CWnd::FromHandle(::GetParent(m_hWnd)) : NULL;
        if (information.Create(IDD_INFORMATION, parent))
            information.UpdateWindow();   // nothing dispatches messages during the load
        switch (SniffFile(m_currentPath.GetText())) {
        case TFileKind::Bitmap:
            LoadBitmapFile();
            break;
        case TFileKind::Other:
            LoadPicture();
            break;
        case TFileKind::Unreadable:
            break;
        }
    } catch (...) {
        FreeDisplayBitmap();
    }
    information.DestroyWindow();
}

void CImagePreview::LoadBitmapFile() {
    TImage image;
    TBitmapFile bitmap;
    TDataFile file(false);
    bool ok = true;
    try {
        file.Open(m_currentPath.GetText(), kOpenReadWriteBinary);
    } catch (...) {
        ok = false;
    }
    if (ok) {
        try {
            ok = bitmap.Load(file);
        } catch (...) {
            ok = false;
        }
    }
    if (ok) {
        try {
            ok = bitmap.ToImage(image);
        } catch (...) {
            ok = false;
        }
    }
    // The file and the read pixels are done with: freeing them now keeps
    // the memory needed at once lower.
    bitmap.Clear();
    file.Close();
    if (ok && !BuildDisplayBitmap(image))
        FreeDisplayBitmap();
}

void CImagePreview::LoadPicture() {
    TPicture picture;
    if (DecodePicture(m_currentPath.GetText(), DesktopColour(), picture) == PictureOk && !BuildDisplayBitmap(picture))
        FreeDisplayBitmap();
}

void CImagePreview::Repaint() {
    if (m_hWnd == NULL)
        return;
    ::InvalidateRect(m_hWnd, NULL, TRUE);
    ::UpdateWindow(m_hWnd);
}

std::int16_t CImagePreview::BuildDisplayBitmap(const TImage& image) {
    FreeDisplayBitmap();
    const std::uint32_t width = image.GetWidth();
    const std::uint32_t height = image.GetHeight();
    const std::uint64_t stride = DisplayStride(width);
    const std::uint64_t size = stride * height;
    if (!DisplayableSize(width, height) || image.GetPixelCount() != width * height)
        return 0;
    std::unique_ptr<std::uint8_t[]> bits(new (std::nothrow) std::uint8_t[static_cast<std::size_t>(size)]);
    if (!bits)
        return 0;

    const TPalette& palette = image.Palette;
    const unsigned colours = palette.GetCount();
    const bool representative = colours > kMaxPaletteEntries;
    const unsigned entries = representative ? kRepresentativeEntries : colours;
    std::unique_ptr<std::uint8_t[]> logBuffer(
        new (std::nothrow) std::uint8_t[sizeof(LOGPALETTE) + sizeof(PALETTEENTRY) * (entries ? entries : 1)]);
    if (!logBuffer)
        return 0;
    TMedianCut medianCut;
    if (representative && !medianCut.Allocate())
        return 0;

    // Rows bottom first in both; three bytes per pixel (blue, green, red),
    // each row filled with zeros to a multiple of four bytes.
    const TRGBColor* table = colours != 0 ? palette.At(0) : NULL;   // the vector's items are contiguous
    const std::uint32_t* pixel = image.GetPixels();
    for (std::uint32_t y = 0; y < height; ++y) {
        std::uint8_t* out = bits.get() + stride * y;
        for (std::uint32_t x = 0; x < width; ++x, ++pixel) {
            const std::uint32_t index = *pixel;
            // An index outside the palette throws the vector's own exception.
            const TRGBColor& c = index < colours ? table[index] : *palette.At(index);
            out[0] = c.Blue;
            out[1] = c.Green;
            out[2] = c.Red;
            out += 3;
        }
        for (std::uint64_t fill = 3ull * width; fill < stride; ++fill)
            *out++ = 0;
    }
    if (representative) {
        // From the display bits: they are read in order, the palette is not.
        for (std::uint32_t y = 0; y < height; ++y) {
            const std::uint8_t* in = bits.get() + stride * y;
            for (std::uint32_t x = 0; x < width; ++x, in += 3)
                medianCut.Add(TMedianCut::CellOf(in[2], in[1], in[0]));
        }
    }

    LOGPALETTE* logPalette = reinterpret_cast<LOGPALETTE*>(logBuffer.get());
    logPalette->palVersion = 0x300;
    if (representative) {
        logPalette->palNumEntries = static_cast<WORD>(medianCut.Fill(logPalette->palPalEntry, entries));
        if (logPalette->palNumEntries == 0)
            return 0;
    } else {
        logPalette->palNumEntries = static_cast<WORD>(entries);
        for (unsigned i = 0; i < entries; ++i) {
            logPalette->palPalEntry[i].peRed = table[i].Red;
            logPalette->palPalEntry[i].peGreen = table[i].Green;
            logPalette->palPalEntry[i].peBlue = table[i].Blue;
            logPalette->palPalEntry[i].peFlags = PC_NOCOLLAPSE;
        }
    }
    // A palette that cannot be made stays null: the picture is drawn without.
    m_palette = logPalette->palNumEntries != 0 ? ::CreatePalette(logPalette) : NULL;

    SetDisplayHeader(width, height);
    m_displayBits = bits.release();
    return 1;
}

std::int16_t CImagePreview::BuildDisplayBitmap(const TPicture& picture) {
    FreeDisplayBitmap();
    const std::uint32_t width = picture.GetWidth();
    const std::uint32_t height = picture.GetHeight();
    if (picture.IsEmpty() || !DisplayableSize(width, height))
        return 0;
    const std::uint64_t stride = DisplayStride(width);
    std::unique_ptr<std::uint8_t[]> bits(new (std::nothrow) std::uint8_t[static_cast<std::size_t>(stride * height)]);
    if (!bits)
        return 0;
    // The picture's rows run from the top, red first; the display bitmap's
    // from the bottom, blue first.
    const std::uint8_t* in = picture.GetPixels();
    for (std::uint32_t y = 0; y < height; ++y) {
        std::uint8_t* out = bits.get() + stride * (height - 1 - y);
        for (std::uint32_t x = 0; x < width; ++x, in += 3, out += 3) {
            out[0] = in[2];
            out[1] = in[1];
            out[2] = in[0];
        }
        for (std::uint64_t fill = 3ull * width; fill < stride; ++fill)
            *out++ = 0;
    }

    std::unique_ptr<std::uint8_t[]> logBuffer(
        new (std::nothrow) std::uint8_t[sizeof(LOGPALETTE) + sizeof(PALETTEENTRY) * TFewColours::Most]);
    std::unique_ptr<TFewColours> few(new (std::nothrow) TFewColours);
    if (!logBuffer || !few)
        return 0;
    LOGPALETTE* logPalette = reinterpret_cast<LOGPALETTE*>(logBuffer.get());
    logPalette->palVersion = 0x300;
    // Runs of one colour are counted at once.
    bool fewColours = true;
    for (std::uint32_t y = 0; y < height && fewColours; ++y) {
        const std::uint8_t* pixel = bits.get() + stride * y;
        std::uint32_t colour = 0, run = 0;
        for (std::uint32_t x = 0; x < width && fewColours; ++x, pixel += 3) {
            const std::uint32_t next = std::uint32_t(pixel[2]) << 16 | std::uint32_t(pixel[1]) << 8 | pixel[0];
            if (run != 0 && next == colour) {
                ++run;
                continue;
            }
            fewColours = run == 0 || few->Add(colour, run);
            colour = next;
            run = 1;
        }
        fewColours = fewColours && few->Add(colour, run);
    }
    if (fewColours) {
        logPalette->palNumEntries = static_cast<WORD>(few->Fill(logPalette->palPalEntry));
    } else {
        few.reset();
        TMedianCut medianCut;
        if (!medianCut.Allocate())
            return 0;
        for (std::uint32_t y = 0; y < height; ++y) {
            const std::uint8_t* pixel = bits.get() + stride * y;
            for (std::uint32_t x = 0; x < width; ++x, pixel += 3)
                medianCut.Add(TMedianCut::CellOf(pixel[2], pixel[1], pixel[0]));
        }
        logPalette->palNumEntries = static_cast<WORD>(medianCut.Fill(logPalette->palPalEntry, TFewColours::Most));
        if (logPalette->palNumEntries == 0)
            return 0;
    }
    // A palette that cannot be made stays null: the picture is drawn without.
    m_palette = ::CreatePalette(logPalette);
    SetDisplayHeader(width, height);
    m_displayBits = bits.release();
    return 1;
}

void CImagePreview::SetDisplayHeader(std::uint32_t width, std::uint32_t height) {
    BITMAPINFOHEADER& header = m_bitmapInfo.bmiHeader;
    std::memset(&m_bitmapInfo, 0, sizeof m_bitmapInfo);
    header.biSize = sizeof(BITMAPINFOHEADER);
    header.biWidth = static_cast<LONG>(width);
    header.biHeight = static_cast<LONG>(height);
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biCompression = BI_RGB;
    m_imageWidth = width;
    m_imageHeight = height;
}

void CImagePreview::DrawItem(LPDRAWITEMSTRUCT lpDrawItemStruct) {
    HDC hdc = lpDrawItemStruct->hDC;
    RECT client;
    ::GetClientRect(m_hWnd, &client);
    if (m_displayBits == NULL) {
        DrawCentredText(hdc, client, "N/A", 3);
        return;
    }
    // A true-colour display ignores the palette: the stretched picture is
    // kept and later paints only copy it.
    if (!(::GetDeviceCaps(hdc, RASTERCAPS) & RC_PALETTE) && PaintStretched(hdc, client))
        return;
    HPALETTE previous = NULL;
    if (m_palette != NULL) {
        previous = ::SelectPalette(hdc, m_palette, FALSE);
        ::RealizePalette(hdc);
    }
    ::SetStretchBltMode(hdc, COLORONCOLOR);
    int lines = ::StretchDIBits(hdc, client.left, client.top, client.right - client.left,
                                client.bottom - client.top, 0, 0, static_cast<int>(m_imageWidth),
                                static_cast<int>(m_imageHeight), m_displayBits,
                                reinterpret_cast<const BITMAPINFO*>(&m_bitmapInfo), DIB_RGB_COLORS, SRCCOPY);
    if (m_palette != NULL) {
        ::SelectPalette(hdc, previous, FALSE);
        if (lines == 0)
            ::RealizePalette(hdc);
    }
    if (lines == 0)
        DrawCentredText(hdc, client, "N/A", 3);
}

bool CImagePreview::PaintStretched(HDC hdc, const RECT& client) {
    const int width = client.right - client.left;
    const int height = client.bottom - client.top;
    if (width <= 0 || height <= 0)
        return false;
    HDC memory = ::CreateCompatibleDC(hdc);
    if (memory == NULL)
        return false;
    bool fresh = false;
    if (m_stretched == NULL || m_stretchedWidth != width || m_stretchedHeight != height) {
        FreeStretched();
        m_stretched = ::CreateCompatibleBitmap(hdc, width, height);
        if (m_stretched == NULL) {
            ::DeleteDC(memory);
            return false;
        }
        m_stretchedWidth = width;
        m_stretchedHeight = height;
        fresh = true;
    }
    HGDIOBJ previous = ::SelectObject(memory, m_stretched);
    bool ok = true;
    if (fresh) {
        ::SetStretchBltMode(memory, COLORONCOLOR);
        ok = ::StretchDIBits(memory, 0, 0, width, height, 0, 0, static_cast<int>(m_imageWidth),
                             static_cast<int>(m_imageHeight), m_displayBits,
                             reinterpret_cast<const BITMAPINFO*>(&m_bitmapInfo), DIB_RGB_COLORS, SRCCOPY) != 0;
    }
    ok = ok && ::BitBlt(hdc, client.left, client.top, width, height, memory, 0, 0, SRCCOPY);
    ::SelectObject(memory, previous);
    ::DeleteDC(memory);
    if (!ok)
        FreeStretched();
    return ok;
}

void CImagePreview::FreeStretched() {
    if (m_stretched != NULL) {
        ::DeleteObject(m_stretched);
        m_stretched = NULL;
    }
}

void CImagePreview::OnActivate(UINT nState, CWnd*, BOOL bMinimized) {
    if (bMinimized || m_hWnd == NULL || m_palette == NULL)
        return;
    HDC hdc = ::GetDC(m_hWnd);
    if (hdc == NULL)
        return;
    HPALETTE previous = ::SelectPalette(hdc, m_palette, nState == WA_INACTIVE);
    if (nState != WA_INACTIVE)
        ::RealizePalette(hdc);
    // Put the old one back: a palette still selected into a device context
    // could not be deleted later.
    ::SelectPalette(hdc, previous, TRUE);
    ::ReleaseDC(m_hWnd, hdc);
}
