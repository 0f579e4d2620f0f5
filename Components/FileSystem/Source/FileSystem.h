// Umbrella header of the FileSystem component, and TDataFile.
//
// TDataFile is a thin binary stream around one low-level file handle: it opens
// an existing file, reads, writes, seeks and resizes it, and turns every
// failure into a TDataFileException that names the failing method. Nothing is
// buffered. In insert mode a write in the middle of the file moves the rest of
// the file up instead of overwriting it.
#pragma once

#include <cstddef>
#include <cstdint>

#include "ExceptionBase.h"

// Error codes of TDataFileException.
enum TDataFileError {
    DataFileNoMemory = 0,
    DataFileOpenFailed = 2,
    DataFileSeekFailed = 4,
    DataFileReadFailed = 5,
    DataFileWriteFailed = 6,
    DataFileResizeFailed = 7,
};

class TDataFile {
public:
    // Open mode bits. Mode 8 (no bit of these set) is read and write access,
    // binary, random access.
    enum {
        ModeReadOnly = 1,    // clear: read and write
        ModeText = 2,        // clear: binary (text translation exists on Windows only)
        ModeSequential = 4,  // clear: random-access hint
    };
    // Seek origins.
    enum { FromStart = 0, FromCurrent = 1, FromEnd = 2 };
    // Write modes.
    enum { WriteOverwrite = 0, WriteInsert = 1 };
    // The most bytes MoveContents holds in memory at once.
    static constexpr std::size_t MoveBufferSize = 32768;

    explicit TDataFile(bool swapBytes = false);
    virtual ~TDataFile();
    TDataFile(const TDataFile&) = delete;
    TDataFile& operator=(const TDataFile&) = delete;

    // True when the file can be opened for reading.
    static bool Exists(const char* name);

    // Opens an existing file (never creates or truncates it). On failure the
    // file that was open before stays open.
    void Open(const char* name, int mode);
    void Close();
    bool IsOpen() const { return Handle != NoHandle; }
    int GetOpenMode() const { return OpenMode; }

    // -1 when no file is open.
    virtual std::int32_t GetFileSize();
    // Extends (with zero bytes) or truncates the file; nothing happens when the
    // size is already right. Without an open file it always fails.
    virtual void SetFileSize(std::int32_t size);
    // origin: FromStart, FromCurrent or FromEnd; any other origin does nothing.
    virtual void Seek(std::int32_t offset, int origin);
    void SeekFromStart(std::int32_t offset);
    void SeekRelative(std::int32_t offset);
    void SeekFromEnd(std::int32_t offset);
    // The current position; -1 when no file is open.
    virtual std::int32_t Tell();
    // Bytes read; fewer than count only at the end of the file.
    virtual std::size_t Read(void* buffer, std::size_t count);
    // Bytes written, always count (anything less throws).
    virtual std::size_t Write(const void* buffer, std::size_t count);

    // Typed reads of n values; each answers the number of whole values read.
    // With byte swapping, every value read has its byte order reversed.
    std::size_t ReadBytes(std::uint8_t* values, std::size_t n);
    std::size_t ReadUInt16s(std::uint16_t* values, std::size_t n);
    std::size_t ReadInt16s(std::int16_t* values, std::size_t n);
    std::size_t ReadUInt32s(std::uint32_t* values, std::size_t n);
    std::size_t ReadInt32s(std::int32_t* values, std::size_t n);
    std::size_t WriteBytes(const std::uint8_t* values, std::size_t n);

    // Copies count bytes from offset `from` to offset `to` (the ranges may
    // overlap), growing the file when the target range ends beyond it, and
    // restores the file position. Holds at most MoveBufferSize bytes.
    void MoveContents(std::int32_t from, std::int32_t to, std::size_t count);

    int GetWriteMode() const { return WriteMode; }
    void SetWriteMode(int mode) { WriteMode = mode; }
    bool GetSwapBytes() const { return SwapBytes != 0; }
    void SetSwapBytes(bool swap) { SwapBytes = swap ? 1 : 0; }

private:
    static const int NoHandle = -1;

    class OverwriteScope;
    std::size_t ReadValues(void* values, std::size_t n, std::size_t size);

    std::int32_t SwapBytes;
    std::int32_t WriteMode;
    std::int16_t InInsert;  // set while writes must overwrite (an insert's own shifting)
    int Handle;
    int OpenMode;
};

#include "PathName.h"
