// The preview picture of a category page: an owner-drawn push button that
// shows one picture file (a bitmap, JPEG, PNG or GIF) stretched over its
// whole client area.
//
// SetImageFile loads synchronously: it writes "[Loading]" over the current
// picture, shows a small information window (template 146) owned by the page,
// reads the file, builds a 24-bit display bitmap and a logical palette,
// removes the information window and repaints. A bitmap file ("BM") is read
// with TBitmapFile and converted with ToImage; any other file goes to the
// picture decoder (DecodePicture), transparent pixels composited onto the
// desktop colour. Painting only stretches the prepared bitmap (on a
// true-colour display the stretched picture is kept, so repaints only copy
// it). A file that cannot be shown, for whatever reason, out of memory
// included, leaves the control empty: it paints "N/A"; SetImageFile itself
// never throws. Only files on disk are read: a device name never is.
//
// The logical palette of a bitmap holds one entry per colour of the picture.
// A bitmap with more colours than a palette can count (65,535), and a decoded
// picture with more than 256 colours, get 256 representative colours instead
// (median cut, the most used first), which a 256-colour display realises; a
// decoded picture of at most 256 colours gets exactly those, the most used
// first. A true-colour display ignores the palette.
#pragma once
#include <cstdint>
#include "Framework.h"
#include "CharString.h"

class TImage;
class TPicture;

class CImagePreview : public CButton {
public:
    CImagePreview();
    ~CImagePreview() override;

    // Loads and shows the file, or (path null) clears the preview. The same
    // path as the current one (compared as TCharString equality) only
    // repaints. The current path is the last one asked for, also when its
    // load failed.
    void SetImageFile(const TCharString* path);
    // The path last asked for (empty when none), also when its load failed:
    // the page opens this file in the editor.
    const TCharString& GetCurrentPath() const { return m_currentPath; }

    void DrawItem(LPDRAWITEMSTRUCT lpDrawItemStruct) override;

    // What the last load prepared, for inspection: the display bits (null
    // when the preview is empty), their header and the logical palette.
    const std::uint8_t* GetDisplayBits() const { return m_displayBits; }
    const BITMAPINFOHEADER& GetDisplayHeader() const { return m_bitmapInfo.bmiHeader; }
    HPALETTE GetPalette() const { return m_palette; }

protected:
    void OnActivate(UINT nState, CWnd* pWndOther, BOOL bMinimized) override;
    // Builds the display bits and the palette from the image; false when
    // memory runs out (the preview is then empty). A pixel value outside the
    // palette throws the palette vector's exception.
    std::int16_t BuildDisplayBitmap(const TImage& image);
    // The same from a decoded picture; false when memory runs out.
    std::int16_t BuildDisplayBitmap(const TPicture& picture);

private:
    // Frees the display bits and deletes the palette (both become null).
    void FreeDisplayBitmap();
    // Steps from the information window to the display bitmap for the
    // current path; any failure leaves the preview empty.
    void LoadCurrentPath();
    // The two ways of reading the current path (see the file comment).
    void LoadBitmapFile();
    void LoadPicture();
    // Describes display bits of this size in the bitmap header.
    void SetDisplayHeader(std::uint32_t width, std::uint32_t height);
    // Invalidates the whole control and paints it at once.
    void Repaint();
    // Paints from m_stretched, stretching the display bitmap into it first
    // when it is missing or of another size; false when that cannot be done.
    bool PaintStretched(HDC hdc, const RECT& client);
    void FreeStretched();

    TCharString m_currentPath;
    HPALETTE m_palette;
    struct {
        BITMAPINFOHEADER bmiHeader;
        RGBQUAD bmiColors[1];
    } m_bitmapInfo;
    std::uint8_t* m_displayBits;
    std::uint32_t m_imageWidth;
    std::uint32_t m_imageHeight;
    // The picture as last stretched to the control, in the display's format
    // (true-colour displays only), and its size.
    HBITMAP m_stretched;
    int m_stretchedWidth;
    int m_stretchedHeight;
};
