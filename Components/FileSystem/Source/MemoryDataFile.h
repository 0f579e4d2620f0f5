// A read-only TDataFile over bytes in memory: reads, seeks and the size come
// from the buffer. The picture decoder hands bitmaps already in memory to the
// bitmap reader through it, and the tests feed the reader without a file.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "FileSystem.h"

// The module name that the memory data file reports in its exceptions.
inline constexpr char MemoryDataFileModule[] = "MemoryDataFile";

class TMemoryDataFile : public TDataFile {
public:
    TMemoryDataFile(const std::uint8_t* data, std::size_t size) : Data(data), Size(size) {}

    std::int32_t GetFileSize() override { return std::int32_t(Size); }
    std::int32_t Tell() override { return std::int32_t(Position); }
    void Seek(std::int32_t offset, int origin) override {
        const long long base = origin == FromStart ? 0 : origin == FromCurrent ? (long long)Position : (long long)Size;
        const long long target = base + offset;
        if (origin < FromStart || origin > FromEnd) return;
        if (target < 0)
            throw TDataFileException(DataFileSeekFailed, "TMemoryDataFile::Seek", MemoryDataFileModule, __LINE__,
                                     "Seek failure!");
        Position = std::size_t(target);
    }
    std::size_t Read(void* buffer, std::size_t count) override {
        const std::size_t n = Position < Size ? std::min(count, Size - Position) : 0;
        if (n) std::memcpy(buffer, Data + Position, n);
        Position += n;
        return n;
    }

private:
    const std::uint8_t* Data;
    std::size_t Size;
    std::size_t Position = 0;
};
