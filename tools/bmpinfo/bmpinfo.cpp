// bmpinfo FILE...            one line per file: what the bitmap reader made of it,
//                             ending in whether Windows 9x shows the file as a
//                             start-up or shut-down screen (" -- screen: yes", or
//                             " -- screen: no, " and why not)
// bmpinfo --ppm OUT.ppm FILE  also writes the converted image as binary PPM
//
// Exit status: 0 when every file loaded and converted, 1 when any did not,
// 2 for wrong usage.
#include <cstdio>
#include <cstring>
#include <vector>

#include "Graphics.h"
#include "Screen.h"

namespace {

// Why the status is not 0; the line of a file with status 0 ends after its
// fields (image=0 tells that a 16- or 32-bit picture was not converted).
const char* Reason(const TBitmapFile& bitmap) {
    switch (bitmap.GetStatus()) {
    case TBitmapFile::StatusOk: return nullptr;
    case TBitmapFile::StatusNoMemory: return "out of memory";
    case TBitmapFile::StatusReadFailure: return "read failure: the file is short or unreadable, or its width is 0";
    case TBitmapFile::StatusBadHeader:
        return bitmap.IsLoaded() ? "a pixel value lies outside the colour table"
                                 : "unsupported or invalid header";
    case TBitmapFile::StatusBadCompression: return "corrupt run-length encoded data";
    case TBitmapFile::StatusImageRefused: return "the image refused the converted pixels";
    }
    return "unknown status";
}

// Rows from the top of the picture down; the image holds the bottom row first.
bool WritePpm(const char* name, TImage& image) {
    std::FILE* out = std::fopen(name, "wb");
    if (!out) return false;
    const std::uint32_t width = image.GetWidth(), height = image.GetHeight();
    std::fprintf(out, "P6\n%lu %lu\n255\n", (unsigned long)width, (unsigned long)height);
    std::vector<unsigned char> row(std::size_t(width) * 3);
    for (std::uint32_t y = height; y-- > 0;) {
        const std::uint32_t* pixels = image.GetPixels() + std::size_t(y) * width;
        for (std::uint32_t x = 0; x < width; ++x) {
            const TRGBColor& c = *image.Palette.At(pixels[x]);
            row[3 * x] = c.Red;
            row[3 * x + 1] = c.Green;
            row[3 * x + 2] = c.Blue;
        }
        std::fwrite(row.data(), 1, row.size(), out);
    }
    const bool ok = !std::ferror(out);
    return std::fclose(out) == 0 && ok;
}

// Ends the file's line with the screen verdict.
void PrintScreenVerdict(const char* name) {
    const TScreenVerdict verdict = CheckScreen(name);
    if (verdict == ScreenValid)
        std::printf(" -- screen: yes\n");
    else
        std::printf(" -- screen: no, %s\n", DescribeScreenVerdict(verdict));
}

// Prints the file's line; true when it loaded and converted (and its PPM, if
// asked for, was written).
bool Describe(const char* name, const char* ppm) {
    TBitmapFile bitmap;
    TImage image;
    bool opened = false, loaded = false, converted = false;
    const char* failure = nullptr;
    try {
        TDataFile file;
        file.Open(name, TDataFile::ModeReadOnly);
        opened = true;
        loaded = bitmap.Load(file);
        converted = loaded && bitmap.ToImage(image);
    } catch (const TExceptionBase&) {  // the palette vector throws when memory runs out
        failure = opened ? "out of memory for the palette" : "cannot open the file";
    }
    if (!opened) {
        std::printf("%s: status=%d loaded=0 (%s)", name, int(TBitmapFile::StatusReadFailure), failure);
        PrintScreenVerdict(name);
        return false;
    }
    std::printf("%s: status=%d loaded=%d", name, int(bitmap.GetStatus()), loaded ? 1 : 0);
    if (loaded)
        std::printf(" format=%d compression=%d width=%lu height=%lu bpp=%u colours_used=%lu image=%d palette=%u",
                    int(bitmap.GetFormat()), int(bitmap.GetCompression()), (unsigned long)bitmap.GetWidth(),
                    (unsigned long)bitmap.GetHeight(), unsigned(bitmap.GetBitsPerPixel()),
                    (unsigned long)bitmap.GetColorsUsed(), converted ? 1 : 0,
                    converted ? image.Palette.GetCount() : 0u);
    if (const char* reason = failure ? failure : Reason(bitmap)) std::printf(" (%s)", reason);
    PrintScreenVerdict(name);
    if (converted && ppm && !WritePpm(ppm, image)) {
        std::fprintf(stderr, "bmpinfo: cannot write %s\n", ppm);
        return false;
    }
    return converted;
}

int Usage() {
    std::fprintf(stderr, "usage: bmpinfo FILE...\n       bmpinfo --ppm OUT.ppm FILE\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    const char* ppm = nullptr;
    int first = 1;
    if (argc > 1 && std::strcmp(argv[1], "--ppm") == 0) {
        if (argc != 4) return Usage();
        ppm = argv[2];
        first = 3;
    }
    if (first >= argc) return Usage();
    for (int i = first; i < argc; ++i)
        if (argv[i][0] == '-' && argv[i][1] != '\0') return Usage();
    bool all = true;
    for (int i = first; i < argc; ++i) all = Describe(argv[i], ppm) && all;
    std::fflush(stdout);
    return all ? 0 : 1;
}
