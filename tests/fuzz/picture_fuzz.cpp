// libFuzzer target: any bytes as a picture, through ReadPictureInfo and
// DecodePicture from memory, and a GIF also through the decoder's animation
// loader, whose disposal of earlier frames the program does not use yet.
//
// Besides crashes and sanitizer reports it checks what the decoder promises:
// a decoded picture has the size the header facts give, within the pixel
// limit, and a failed decode leaves the picture untouched.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "Picture.h"
#include "StbImage.h"

namespace {

void Check(bool condition) {
    if (!condition) std::abort();
}

// Pictures whose header states more pixels than this are only looked at, not
// decoded: allocating and clearing megabytes for every such input would only
// slow the run down. The unit tests cover refusal above the pixel limit.
const std::uint64_t MaxFuzzedPixels = 1u << 20;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    TPictureInfo info;
    info.Width = 12345;
    const TPictureStatus infoStatus = ReadPictureInfo(data, size, info);
    if (infoStatus != PictureOk) Check(info.Width == 12345);  // untouched
    if (infoStatus == PictureOk && std::uint64_t(info.Width) * info.Height > MaxFuzzedPixels) return -1;

    TPicture picture;
    TPictureInfo decodedInfo;
    const std::uint32_t background = size ? data[size - 1] * 0x010101u : 0;
    const TPictureStatus status = DecodePicture(data, size, background, picture, &decodedInfo);
    if (status == PictureOk) {
        Check(infoStatus == PictureOk);
        Check(!picture.IsEmpty());
        Check(picture.GetWidth() == info.Width && picture.GetHeight() == info.Height);
        Check(decodedInfo.Width == info.Width && decodedInfo.Format == info.Format);
        Check(std::uint64_t(picture.GetWidth()) * picture.GetHeight() <= MaxPicturePixels);
        // Every byte is readable (AddressSanitizer checks the whole block).
        unsigned sum = 0;
        const std::size_t bytes = std::size_t(picture.GetWidth()) * picture.GetHeight() * 3;
        for (std::size_t i = 0; i < bytes; i += 61) sum += picture.GetPixels()[i];
        sum += picture.GetPixels()[bytes - 1];
        (void)sum;
    } else {
        Check(picture.IsEmpty());
    }

    // The animation loader grows its block of all frames by one frame at a
    // time (quadratic copying), so only small GIFs and 256 KB of frames.
    if (infoStatus == PictureOk && info.Format == TPictureFormat::Gif &&
        std::uint64_t(info.Width) * info.Height <= 256) {
        int* delays = nullptr;
        int w = 0, h = 0, frames = 0, n = 0;
        PictureDecoderLimit = 256u << 10;
        stbi_uc* all = stbi_load_gif_from_memory(data, int(size), &delays, &w, &h, &frames, &n, 4);
        PictureDecoderLimit = std::size_t(-1);
        if (all) {
            Check(frames >= 1 && std::uint32_t(w) == info.Width && std::uint32_t(h) == info.Height);
            const std::size_t last = std::size_t(frames) * w * h * 4 - 1;
            Check(all[last] == 0 || all[last] != 0);  // readable
            stbi_image_free(all);
        }
        stbi_image_free(delays);
    }
    return 0;
}
