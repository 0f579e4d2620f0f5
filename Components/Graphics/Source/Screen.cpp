#include "Screen.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

#include <fcntl.h>
#include <sys/stat.h>
#ifdef _WIN32
#include <direct.h>
#include <io.h>
#else
#include <unistd.h>
#endif

#include "NewArray.h"
#include "Palette.h"
#include "ScalePicture.h"

namespace {

std::uint16_t U16(const std::uint8_t* p) { return std::uint16_t(p[0] | p[1] << 8); }
std::uint32_t U32(const std::uint8_t* p) {
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 | std::uint32_t(p[3]) << 24;
}
void Put16(std::uint8_t* p, std::uint32_t v) {
    p[0] = std::uint8_t(v);
    p[1] = std::uint8_t(v >> 8);
}
void Put32(std::uint8_t* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = std::uint8_t(v >> (8 * i));
}

const std::size_t FileHeaderSize = 14;
const std::size_t InfoHeaderSize = 40;
const std::size_t HeadersSize = FileHeaderSize + InfoHeaderSize;
const std::uint32_t PixelCount = ScreenWidth * ScreenHeight;
const std::uint32_t BI_RGB_ = 0, BI_RLE8_ = 1;
// A screen file's RLE8 data is a few hundred kilobytes at most; a file whose
// data runs on beyond this is not one.
const std::size_t MaxScreenFileRead = std::size_t(16) << 20;

// Walks RLE8 data of a 320 x 400 picture: true when it ends with its end of
// bitmap mark, or fills every pixel, without writing outside the picture and
// without running past the data.
bool Rle8Complete(const std::uint8_t* s, std::size_t length) {
    std::uint32_t x = 0, y = 0;
    std::size_t i = 0;
    while (i + 1 < length) {
        const unsigned count = s[i], second = s[i + 1];
        i += 2;
        if (count != 0) {
            if (y >= ScreenHeight || x + count > ScreenWidth) return false;
            x += count;
        } else if (second == 0) {  // end of line
            x = 0;
            ++y;
        } else if (second == 1) {  // end of bitmap
            return true;
        } else if (second == 2) {  // delta
            if (i + 2 > length) return false;
            x += s[i];
            y += s[i + 1];
            i += 2;
            if (x > ScreenWidth || y > ScreenHeight) return false;
        } else {  // absolute run, padded to an even length
            if (y >= ScreenHeight || x + second > ScreenWidth || i + second > length) return false;
            x += second;
            i += second + (second & 1);
        }
        if (y == ScreenHeight - 1 && x == ScreenWidth) return true;   // every pixel written
    }
    return false;
}

}  // namespace

TScreenVerdict CheckScreen(const std::uint8_t* data, std::size_t size) {
    if (size < 2 || data[0] != 'B' || data[1] != 'M') return ScreenNotBitmap;
    if (size < FileHeaderSize + 4) return ScreenPixelsMissing;
    if (U32(data + 14) != InfoHeaderSize) return ScreenWrongHeader;
    if (size < HeadersSize) return ScreenPixelsMissing;
    const std::int32_t width = std::int32_t(U32(data + 18));
    const std::int32_t height = std::int32_t(U32(data + 22));
    if (width == std::int32_t(ScreenWidth) && height == -std::int32_t(ScreenHeight)) return ScreenTopDown;
    if (width != std::int32_t(ScreenWidth) || height != std::int32_t(ScreenHeight)) return ScreenWrongSize;
    if (U16(data + 26) != 1 || U16(data + 28) != 8) return ScreenWrongDepth;
    const std::uint32_t compression = U32(data + 30);
    if (compression != BI_RGB_ && compression != BI_RLE8_) return ScreenWrongCompression;
    const std::uint32_t used = U32(data + 46);
    if (used > 256) return ScreenTooManyColours;
    const std::uint64_t entries = used == 0 ? 256 : used;
    const std::uint64_t offset = U32(data + 10);
    const std::uint64_t tableEnd = HeadersSize + 4 * entries;
    if (tableEnd > size || offset < tableEnd || offset > size) return ScreenPixelsMissing;
    if (compression == BI_RGB_)
        return offset + PixelCount <= size ? ScreenValid : ScreenPixelsMissing;
    return Rle8Complete(data + offset, std::size_t(size - offset)) ? ScreenValid : ScreenPixelsMissing;
}

TScreenVerdict CheckScreen(const char* path) {
    std::FILE* file = std::fopen(path, "rb");
    if (!file) return ScreenCannotOpen;
    // The header decides most verdicts; only a plausible screen is read whole.
    std::uint8_t header[HeadersSize];
    const std::size_t got = std::fread(header, 1, HeadersSize, file);
    TScreenVerdict verdict = std::ferror(file) ? ScreenCannotOpen : CheckScreen(header, got);
    if (verdict == ScreenPixelsMissing && got == HeadersSize && std::fseek(file, 0, SEEK_END) == 0) {
        const long end = std::ftell(file);
        const std::size_t size = end < 0 ? 0 : std::min<std::size_t>(std::size_t(end), MaxScreenFileRead);
        std::unique_ptr<std::uint8_t[]> data(NewArray<std::uint8_t>(size));
        if (!data) {
            verdict = ScreenCannotOpen;
        } else if (std::fseek(file, 0, SEEK_SET) == 0) {
            const std::size_t read = std::fread(data.get(), 1, size, file);
            verdict = std::ferror(file) ? ScreenCannotOpen : CheckScreen(data.get(), read);
        }
    }
    std::fclose(file);
    return verdict;
}

const char* DescribeScreenVerdict(TScreenVerdict verdict) {
    switch (verdict) {
    case ScreenValid: return "a screen Windows shows";
    case ScreenCannotOpen: return "the file cannot be read";
    case ScreenNotBitmap: return "not a bitmap file";
    case ScreenWrongHeader: return "a bitmap with another header than the 40-byte one";
    case ScreenTopDown: return "a bitmap stored top row first";
    case ScreenWrongSize: return "a bitmap of another size than 320 x 400";
    case ScreenWrongDepth: return "a bitmap with another depth than 256 colours";
    case ScreenWrongCompression: return "a bitmap neither uncompressed nor RLE8";
    case ScreenTooManyColours: return "a bitmap with more than 256 colour table entries";
    case ScreenPixelsMissing: return "a bitmap whose colour table or pixels are incomplete";
    }
    return "unknown verdict";
}

// ---------------------------------------------------------------------------
// Making a screen.

namespace {

int Clamp(int v) { return v < 0 ? 0 : v > 255 ? 255 : v; }

// Floyd-Steinberg error diffusion of `rgb` (top row first) onto the palette,
// rows alternating in direction; `out` receives the indices, top row first.
bool Diffuse(const std::uint8_t* rgb, const TPaletteColour* palette, unsigned count, std::uint8_t* out) {
    const int W = int(ScreenWidth);
    // Errors (in sixteenths) of this row and the next, one pixel of margin on
    // either side.
    std::unique_ptr<int[]> errors(NewArray<int>(std::uint64_t(2) * 3 * (W + 2), true));
    if (!errors) return false;
    int* current = errors.get();
    int* next = current + 3 * (W + 2);
    const TNearestColour nearest(palette, count);
    for (int y = 0; y < int(ScreenHeight); ++y) {
        const bool leftToRight = y % 2 == 0;
        const int step = leftToRight ? 1 : -1;
        std::fill(next, next + 3 * (W + 2), 0);
        for (int i = 0, x = leftToRight ? 0 : W - 1; i < W; ++i, x += step) {
            const std::uint8_t* p = rgb + 3 * (std::size_t(y) * W + x);
            int* e = current + 3 * (x + 1);
            const int r = Clamp(p[0] + (e[0] + 8) / 16), g = Clamp(p[1] + (e[1] + 8) / 16),
                      b = Clamp(p[2] + (e[2] + 8) / 16);
            const unsigned index = nearest.Find(r, g, b);
            out[std::size_t(y) * W + x] = std::uint8_t(index);
            const int d[3] = {r - palette[index].Red, g - palette[index].Green, b - palette[index].Blue};
            for (int c = 0; c < 3; ++c) {
                e[3 * step + c] += 7 * d[c];
                next[3 * (x + 1 - step) + c] += 3 * d[c];
                next[3 * (x + 1) + c] += 5 * d[c];
                next[3 * (x + 1 + step) + c] += d[c];
            }
        }
        std::swap(current, next);
    }
    return true;
}

// The picture fitted into 640 x 480 (proportions kept, black margins), then
// scaled to 320 x 400.
bool Render(const TPicture& source, TPicture& screen) {
    const std::uint32_t FitWidth = 640, FitHeight = 480;
    const std::uint64_t w = source.GetWidth(), h = source.GetHeight();
    std::uint64_t fw, fh;
    if (w * FitHeight >= h * FitWidth) {
        fw = FitWidth;
        fh = std::max<std::uint64_t>(1, (h * FitWidth + w / 2) / w);
    } else {
        fh = FitHeight;
        fw = std::max<std::uint64_t>(1, (w * FitHeight + h / 2) / h);
    }
    TPicture fitted, canvas;
    if (!ScalePicture(source, std::uint32_t(fw), std::uint32_t(fh), fitted)) return false;
    if (!canvas.Create(FitWidth, FitHeight)) return false;
    std::memset(canvas.GetPixels(), 0, std::size_t(FitWidth) * FitHeight * 3);
    const std::uint64_t left = (FitWidth - fw) / 2, top = (FitHeight - fh) / 2;
    for (std::uint64_t y = 0; y < fh; ++y)
        std::memcpy(canvas.GetPixels() + 3 * ((top + y) * FitWidth + left), fitted.GetPixels() + 3 * y * fw,
                    std::size_t(3 * fw));
    fitted.Clear();
    return ScalePicture(canvas, ScreenWidth, ScreenHeight, screen);
}

}  // namespace

bool MakeScreen(const TPicture& picture, TScreenKind kind, std::vector<std::uint8_t>& file) {
    if (picture.IsEmpty()) return false;
    try {
        TPicture screen;
        if (!Render(picture, screen)) return false;
        const std::uint8_t* rgb = screen.GetPixels();
        const unsigned capacity = kind == TScreenKind::Startup ? StartupScreenColours : 256;

        // The picture's own colours when it has at most `capacity` of them,
        // else a median cut refined by four nearest-colour passes.
        TPaletteColour palette[256] = {};
        unsigned count = 0;
        std::unique_ptr<std::uint8_t[]> indices(NewArray<std::uint8_t>(PixelCount));
        std::unique_ptr<TFewColours> few(new (std::nothrow) TFewColours(capacity));
        if (!indices || !few) return false;
        bool fewColours = true;
        for (std::uint32_t y = 0; y < ScreenHeight && fewColours; ++y)
            fewColours = few->AddRow(rgb + std::size_t(3) * ScreenWidth * y, ScreenWidth, false);
        if (fewColours) {
            count = few->Fill(palette);
        } else {
            few.reset();
            TMedianCut medianCut;
            if (!medianCut.Allocate()) return false;
            for (std::uint32_t p = 0; p < PixelCount; ++p) {
                const std::uint8_t* pixel = rgb + std::size_t(3) * p;
                medianCut.Add(pixel[0], pixel[1], pixel[2]);
            }
            count = medianCut.Choose(palette, capacity, false, 4);
            if (count == 0) return false;
        }
        if (!Diffuse(rgb, palette, count, indices.get())) return false;

        const std::size_t tableSize = 256 * 4;
        const std::size_t offset = HeadersSize + tableSize;
        std::vector<std::uint8_t> bytes(offset + PixelCount, 0);
        std::uint8_t* h = bytes.data();
        h[0] = 'B';
        h[1] = 'M';
        Put32(h + 2, std::uint32_t(bytes.size()));
        Put32(h + 10, std::uint32_t(offset));
        Put32(h + 14, InfoHeaderSize);
        Put32(h + 18, ScreenWidth);
        Put32(h + 22, ScreenHeight);
        Put16(h + 26, 1);
        Put16(h + 28, 8);
        Put32(h + 30, BI_RGB_);
        Put32(h + 34, PixelCount);
        Put32(h + 46, 256);
        for (unsigned i = 0; i < count; ++i) {
            std::uint8_t* entry = h + HeadersSize + 4 * i;
            entry[0] = palette[i].Blue;
            entry[1] = palette[i].Green;
            entry[2] = palette[i].Red;
        }
        // Rows bottom first; 320 bytes a row need no padding.
        for (std::uint32_t y = 0; y < ScreenHeight; ++y)
            std::memcpy(h + offset + std::size_t(y) * ScreenWidth,
                        indices.get() + std::size_t(ScreenHeight - 1 - y) * ScreenWidth, ScreenWidth);
        file.swap(bytes);
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

// ---------------------------------------------------------------------------
// Writing a screen file.

namespace {

#ifdef _WIN32
const char Separator = '\\';
int OsMakeFolder(const char* path) { return _mkdir(path); }
int OsCreateNew(const char* path) {
    return _open(path, _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY, _S_IREAD | _S_IWRITE);
}
long OsWrite(int handle, const void* data, unsigned size) { return _write(handle, data, size); }
int OsClose(int handle) { return _close(handle); }
void OsRemove(const char* path) { _unlink(path); }
#else
const char Separator = '/';
int OsMakeFolder(const char* path) { return mkdir(path, 0777); }
int OsCreateNew(const char* path) { return open(path, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666); }
long OsWrite(int handle, const void* data, unsigned size) {
    ssize_t n;
    do n = write(handle, data, size);
    while (n < 0 && errno == EINTR);
    return long(n);
}
int OsClose(int handle) { return close(handle); }
void OsRemove(const char* path) { unlink(path); }
#endif

bool IsSeparator(char c) { return c == '\\' || c == '/' || c == ':'; }

// The picture's file name without its extension ("Screen" when that leaves
// nothing), at most 100 characters.
TCharString BaseName(const char* path) {
    const char* name = path;
    for (const char* p = path; *p; ++p)
        if (IsSeparator(*p)) name = p + 1;
    const char* dot = std::strrchr(name, '.');
    std::size_t length = dot != nullptr ? std::size_t(dot - name) : std::strlen(name);
    if (length > 100) length = 100;
    return length == 0 ? TCharString("Screen") : TCharString(name, 0, unsigned(length));
}

// `value` in decimal ("-12"), in `text`.
const char* Decimal(long value, char (&text)[24]) {
    char* at = text + sizeof text;
    *--at = '\0';
    unsigned long magnitude = static_cast<unsigned long>(value);
    if (value < 0) magnitude = 0ul - magnitude;
    do *--at = char('0' + magnitude % 10);
    while ((magnitude /= 10) != 0);
    if (value < 0) *--at = '-';
    return at;
}

// Writes all bytes to a new file at `path`; -1 when the name is taken, 0 when
// written, else the errno of the failure (the file is then removed).
int WriteNewFile(const char* path, const std::vector<std::uint8_t>& bytes) {
    const int handle = OsCreateNew(path);
    if (handle < 0) return errno == EEXIST ? -1 : (errno ? errno : EIO);
    std::size_t done = 0;
    int error = 0;
    while (done < bytes.size()) {
        const unsigned chunk = unsigned(std::min<std::size_t>(bytes.size() - done, 65536));
        const long n = OsWrite(handle, bytes.data() + done, chunk);
        if (n <= 0) {
            error = n < 0 && errno ? errno : ENOSPC;   // a write that takes nothing: no room
            break;
        }
        done += std::size_t(n);
    }
    if (OsClose(handle) != 0 && error == 0) error = errno ? errno : EIO;
    if (error != 0) OsRemove(path);
    return error;
}

}  // namespace

TScreenMakeResult MakeScreenFile(const char* picturePath, TScreenKind kind, const char* folder) {
    TScreenMakeResult result;
    std::vector<std::uint8_t> bytes;
    {
        TPicture picture;
        result.PictureStatus = DecodePicture(picturePath, 0x000000, picture);
        if (result.PictureStatus != PictureOk) {
            result.Status = ScreenNotDecoded;
            return result;
        }
        if (!MakeScreen(picture, kind, bytes)) {
            result.Status = ScreenNoMemory;
            return result;
        }
    }
    try {
        TCharString directory(folder);
        unsigned length = directory.GetLength();
        const char* text = directory.GetText();
        while (length > 1 && IsSeparator(text[length - 1]) && text[length - 2] != ':') --length;
        if (length < directory.GetLength()) directory = TCharString(text, 0, length);
        // A folder that exists already is fine; a file of its name makes the
        // files below fail.
        if (OsMakeFolder(directory.GetText()) != 0 && errno != EEXIST) {
            result.Status = ScreenFolderFailed;
            result.Error = errno;
            return result;
        }
        if (length != 0 && !IsSeparator(directory.GetText()[length - 1])) directory = directory + Separator;
        const TCharString base = directory + BaseName(picturePath).GetText();
        result.Status = ScreenWriteFailed;
        result.Error = EEXIST;
        for (unsigned n = 1; n <= 9999; ++n) {
            char number[24];
            const TCharString path = n == 1 ? base + ".sys" : base + " (" + Decimal(long(n), number) + ").sys";
            const int written = WriteNewFile(path.GetText(), bytes);
            if (written == -1) continue;
            if (written != 0) {
                result.Error = written;
                return result;
            }
            result.Status = ScreenMade;
            result.Error = 0;
            result.Path = path;
            return result;
        }
        return result;
    } catch (const TCharStringException&) {
        result.Status = ScreenNoMemory;
        return result;
    }
}

namespace {
const char* DescribePictureStatus(TPictureStatus status) {
    switch (status) {
    case PictureOk: return "it was read";
    case PictureCannotOpen: return "the picture cannot be opened";
    case PictureUnknownFormat: return "the file is not a picture the program reads";
    case PictureUnsupported: return "the picture is stored in a variant the program does not read";
    case PictureTooLarge: return "the picture is too large";
    case PictureCorrupt: return "the picture is damaged or incomplete";
    case PictureNoMemory: return "there is not enough memory to read the picture";
    }
    return "the picture cannot be read";
}
}  // namespace

TCharString DescribeScreenMakeFailure(const TScreenMakeResult& result) {
    switch (result.Status) {
    case ScreenMade: return TCharString();
    case ScreenNotDecoded: return TCharString(DescribePictureStatus(result.PictureStatus));
    case ScreenNoMemory: return TCharString("there is not enough memory");
    case ScreenFolderFailed:
    case ScreenWriteFailed: break;
    }
    const TCharString what(result.Status == ScreenFolderFailed ? "the folder for screens cannot be created"
                                                               : "the screen file cannot be written");
    switch (result.Error) {
    case ENOSPC: return what + ": the disk is full";
    case EACCES:
    case EPERM: return what + ": access is denied (the disk or folder may be write-protected)";
    case EROFS: return what + ": the disk is write-protected";
    case EEXIST: return what + ": every name for it is taken";
    case ENOENT:
    case ENOTDIR: return what + ": its folder does not exist";
    }
    char number[24];
    return what + " (error " + Decimal(result.Error, number) + ")";
}
