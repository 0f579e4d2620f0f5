#include "ImagePreview.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <memory>
#include <new>

#include "Graphics.h"
#include "Palette.h"
#include "Picture.h"
#include "resource.h"

namespace {

// Open mode of the picture file: read and write access, binary, random
// access (no mode bit set). A read-only file therefore cannot be previewed.
const int kOpenReadWriteBinary = 8;

// The most entries a logical palette can count.
const unsigned kMaxPaletteEntries = 0xFFFF;

// Pictures with more distinct colours than a logical palette can count get a
// palette of this many representative colours instead (a median cut).
const unsigned kRepresentativeEntries = 256;

// The empty path; assigning it shares its buffer and cannot fail.
const TCharString& EmptyPath() {
    static const TCharString empty;
    return empty;
}

void DrawCentredText(HDC hdc, RECT rect, const char* text, int length) {
    ::DrawTextA(hdc, text, length, &rect, DT_SINGLELINE | DT_VCENTER | DT_CENTER);
}

// Copies palette colours into logical palette entries that are never
// collapsed onto the system colours.
void CopyEntries(const TPaletteColour* colours, unsigned count, PALETTEENTRY* entries) {
    for (unsigned i = 0; i < count; ++i) {
        entries[i].peRed = colours[i].Red;
        entries[i].peGreen = colours[i].Green;
        entries[i].peBlue = colours[i].Blue;
        entries[i].peFlags = PC_NOCOLLAPSE;
    }
}

// Representative colours (TMedianCut, the most used first) of display bits:
// rows of `stride` bytes, three bytes a pixel, blue first. A picture with
// more pixels than the median cut can sum gives every second row, or every
// third, and so on. Returns how many were written, 0 when memory runs out.
unsigned ChooseRepresentative(const std::uint8_t* bits, std::uint64_t stride, std::uint32_t width,
                              std::uint32_t height, TPaletteColour* colours) {
    TMedianCut medianCut;
    if (!medianCut.Allocate())
        return 0;
    const std::uint64_t pixels = std::uint64_t(width) * height;
    const std::uint32_t rowStep = std::uint32_t((pixels + TMedianCut::MostPixels - 1) / TMedianCut::MostPixels);
    for (std::uint32_t y = 0; y < height; y += rowStep) {
        const std::uint8_t* pixel = bits + stride * y;
        for (std::uint32_t x = 0; x < width; ++x, pixel += 3)
            medianCut.Add(pixel[2], pixel[1], pixel[0]);
    }
    return medianCut.Choose(colours, kRepresentativeEntries, true, 0);
}

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
    LOGPALETTE* logPalette = reinterpret_cast<LOGPALETTE*>(logBuffer.get());
    logPalette->palVersion = 0x300;
    if (representative) {
        // From the display bits: they are read in order, the palette is not.
        TPaletteColour colours[kRepresentativeEntries];
        const unsigned chosen = ChooseRepresentative(bits.get(), stride, width, height, colours);
        if (chosen == 0)
            return 0;
        CopyEntries(colours, chosen, logPalette->palPalEntry);
        logPalette->palNumEntries = static_cast<WORD>(chosen);
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
    // The picture's own colours while it has at most 256 of them (runs of
    // one colour counted at once), else representative ones.
    bool fewColours = true;
    for (std::uint32_t y = 0; y < height && fewColours; ++y)
        fewColours = few->AddRow(bits.get() + stride * y, width, true);
    TPaletteColour colours[TFewColours::Most];
    unsigned chosen;
    if (fewColours) {
        chosen = few->Fill(colours);
    } else {
        few.reset();
        chosen = ChooseRepresentative(bits.get(), stride, width, height, colours);
        if (chosen == 0)
            return 0;
    }
    CopyEntries(colours, chosen, logPalette->palPalEntry);
    logPalette->palNumEntries = static_cast<WORD>(chosen);
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
