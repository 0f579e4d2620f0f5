// Pictures of every format the program shows: bitmap files, JPEG, PNG and GIF.
//
// DecodePicture turns a file into one 24-bit picture: width x height pixels,
// rows from the top of the picture down, each row from left to right, three
// bytes a pixel in the order red, green, blue, rows packed without gaps.
// Wallpapers and start-up screens are rendered from it; the preview shows it.
//
// ReadPictureInfo looks at a file's header only: format, size and colour
// depth, without decoding pixels. Both refuse a picture of more than
// MaxPicturePixels pixels before its pixels are decoded.
//
// Nothing here throws: problems with a file end in a status.
#pragma once

#include <cstddef>
#include <cstdint>

enum class TPictureFormat : std::int32_t {
    Unknown = 0,
    Bitmap = 1,  // "BM" device-independent bitmap (the program's own reader)
    Jpeg = 2,
    Png = 3,
    Gif = 4,
};

enum TPictureStatus : std::int32_t {
    PictureOk = 0,
    PictureCannotOpen = 1,     // the file cannot be opened or read
    PictureUnknownFormat = 2,  // not a format the program reads
    PictureUnsupported = 3,    // a known format in a variant that is not read
                               // (arithmetic-coded or 12-bit JPEG, ...)
    PictureTooLarge = 4,       // more than MaxPicturePixels pixels
    PictureCorrupt = 5,        // truncated or invalid data
    PictureNoMemory = 6,
};

// The most pixels a picture may have (checked from its header, before any
// pixel is decoded).
extern const std::uint32_t MaxPicturePixels;

struct TPictureInfo {
    TPictureFormat Format = TPictureFormat::Unknown;
    std::uint32_t Width = 0;
    std::uint32_t Height = 0;
    // Bits per pixel of the stored picture as its header gives it: 1, 4 or 8
    // for palette pictures (GIF is 8 at most), 16, 24 or 32 for true colour
    // (a PNG with 16-bit channels reports the 8-bit equivalent: 24 or 32).
    std::uint32_t BitsPerPixel = 0;
    // Palette entries the picture can use (0 for true colour).
    std::uint32_t PaletteSize = 0;
};

class TPicture {
public:
    TPicture();
    ~TPicture();
    TPicture(const TPicture&) = delete;
    TPicture& operator=(const TPicture&) = delete;
    TPicture(TPicture&& other) noexcept;
    TPicture& operator=(TPicture&& other) noexcept;

    std::uint32_t GetWidth() const { return Width; }
    std::uint32_t GetHeight() const { return Height; }
    // Width * Height * 3 bytes (see the file comment); null when empty.
    const std::uint8_t* GetPixels() const { return Pixels; }
    std::uint8_t* GetPixels() { return Pixels; }
    bool IsEmpty() const { return Pixels == nullptr; }
    // Gives the picture width x height new pixels (contents undefined); false,
    // and the picture unchanged, when the size is 0, overflows or memory runs
    // out.
    bool Create(std::uint32_t width, std::uint32_t height);
    void Clear();

private:
    friend class TPictureDecoder;
    std::uint32_t Width = 0;
    std::uint32_t Height = 0;
    std::uint8_t* Pixels = nullptr;
    void (*Release)(void*) = nullptr;  // frees Pixels
};

// Header only. On failure `info` is left unchanged.
TPictureStatus ReadPictureInfo(const char* path, TPictureInfo& info);
TPictureStatus ReadPictureInfo(const std::uint8_t* data, std::size_t size, TPictureInfo& info);

// Decodes the whole picture (a GIF's first frame). Transparent pixels are
// composited onto `background` (0x00RRGGBB, the desktop colour). On failure
// `picture` is left unchanged; `info`, when given, receives the header's facts
// whenever they could be read.
TPictureStatus DecodePicture(const char* path, std::uint32_t background, TPicture& picture,
                             TPictureInfo* info = nullptr);
TPictureStatus DecodePicture(const std::uint8_t* data, std::size_t size, std::uint32_t background,
                             TPicture& picture, TPictureInfo* info = nullptr);
