// Start-up and shut-down screens of Windows 9x.
//
// Windows shows a start-up screen (Logo.sys) or a shut-down screen (Logow.sys,
// Logos.sys) only when the file is a device-independent bitmap of 320 x 400
// pixels at 8 bits per pixel: "BM", the 40-byte information header, bottom-up,
// uncompressed or RLE8, at most 256 colour table entries, and every pixel
// present. It shows those pixels on a 4:3 screen, so each is drawn about twice
// as wide as it is tall. Any other file it ignores without a word.
//
// CheckScreen gives the verdict on a file. MakeScreen renders any picture into
// such a file: fitted into 640 x 480 with its proportions kept and black
// margins, scaled to 320 x 400, a palette chosen from the picture (median cut,
// refined by nearest-colour passes) and Floyd-Steinberg error diffusion onto
// it. Windows cycles palette entries 236-255 of a start-up screen to animate
// the bar of its own screen, so a start-up screen uses entries 0-235 only
// (the last 20 are black and used by no pixel, so the cycling shows nothing);
// a shut-down screen may use all 256.
//
// MakeScreenFile decodes a picture file and writes its screen into a folder,
// under the picture's name with ".sys", never over an existing file.
//
// Nothing here throws, but for the texts of a make (TScreenMakeResult::Path,
// DescribeScreenMakeFailure): a TCharString throws TCharStringException when
// not even its few bytes can be had.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "CharString.h"
#include "Picture.h"

const std::uint32_t ScreenWidth = 320;
const std::uint32_t ScreenHeight = 400;
// A start-up screen's picture uses palette entries below this one.
const unsigned StartupScreenColours = 236;

enum TScreenVerdict : std::int32_t {
    ScreenValid = 0,
    ScreenCannotOpen = 1,          // the file cannot be opened or read
    ScreenNotBitmap = 2,           // no "BM" signature (or too short for one)
    ScreenWrongHeader = 3,         // an information header other than the 40-byte one
    ScreenTopDown = 4,             // rows stored top first (negative height)
    ScreenWrongSize = 5,           // not 320 x 400
    ScreenWrongDepth = 6,          // not 8 bits per pixel in one plane
    ScreenWrongCompression = 7,    // neither uncompressed nor RLE8
    ScreenTooManyColours = 8,      // more than 256 colour table entries
    ScreenPixelsMissing = 9,       // the colour table or pixel data ends early, or the RLE8 data is broken
};

// The verdict on a file's bytes, or on the file at `path`.
TScreenVerdict CheckScreen(const std::uint8_t* data, std::size_t size);
TScreenVerdict CheckScreen(const char* path);
// A short description of a verdict ("a screen Windows shows", ...).
const char* DescribeScreenVerdict(TScreenVerdict verdict);

enum class TScreenKind : std::int32_t {
    Startup = 0,    // Logo.sys: entries 0-235 only
    Shutdown = 1,   // Logow.sys, Logos.sys: all 256 entries
};

// The screen file (bytes of an uncompressed 8-bit bitmap, 129,078 of them)
// for `picture`. False when memory runs out or the picture is empty; `file`
// is then left unchanged.
bool MakeScreen(const TPicture& picture, TScreenKind kind, std::vector<std::uint8_t>& file);

enum TScreenMakeStatus : std::int32_t {
    ScreenMade = 0,
    ScreenNotDecoded = 1,       // the picture could not be decoded (see the picture status)
    ScreenNoMemory = 2,
    ScreenFolderFailed = 3,     // the folder is missing and cannot be created
    ScreenWriteFailed = 4,      // no new file could be created, or writing it failed (disk full, ...)
};

struct TScreenMakeResult {
    TScreenMakeStatus Status = ScreenNoMemory;
    TPictureStatus PictureStatus = PictureOk;   // of the decoding
    int Error = 0;                              // errno of a failed folder or file operation
    TCharString Path;                           // the file made (folder + name)
};

// Decodes `picturePath` and writes its screen into `folder` (created when
// missing, its parent must exist): "<picture's name without extension>.sys",
// or "<name> (2).sys", "<name> (3).sys", ... when that name is taken. An
// existing file is never opened for writing; a file that cannot be written
// completely is removed again.
TScreenMakeResult MakeScreenFile(const char* picturePath, TScreenKind kind, const char* folder);
// Why making failed, in a few words ("the disk is full", ...); empty for ScreenMade.
TCharString DescribeScreenMakeFailure(const TScreenMakeResult& result);
