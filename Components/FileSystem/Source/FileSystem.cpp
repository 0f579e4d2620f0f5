#include "FileSystem.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

#include <fcntl.h>
#include <sys/stat.h>
#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

#include "CharString.h"

namespace {

constexpr char FileSystemModule[] = "FileSystem";  // the module named in exceptions

// The platform's low-level file interface: the C runtime's handle functions
// on Windows, POSIX on everything else. Each answers -1 on failure.
#ifdef _WIN32
int OsOpen(const char* name, int mode) {
    int flags = (mode & TDataFile::ModeReadOnly) ? _O_RDONLY : _O_RDWR;
    flags |= (mode & TDataFile::ModeText) ? _O_TEXT : _O_BINARY;
    flags |= (mode & TDataFile::ModeSequential) ? _O_SEQUENTIAL : _O_RANDOM;
    return _open(name, flags);
}
// The runtime may treat a bad handle as a program error, so none is passed on.
void OsClose(int handle) { _close(handle); }
long long OsLength(int handle) { return _filelength(handle); }
int OsResize(int handle, std::int32_t size) { return handle < 0 ? -1 : _chsize(handle, size); }
long long OsSeek(int handle, std::int32_t offset, int whence) {
    return handle < 0 ? -1 : _lseek(handle, offset, whence);
}
long long OsRead(int handle, void* buffer, unsigned count) { return handle < 0 ? -1 : _read(handle, buffer, count); }
long long OsWrite(int handle, const void* buffer, unsigned count) {
    return handle < 0 ? -1 : _write(handle, buffer, count);
}
#else
int OsOpen(const char* name, int mode) {
    int handle = open(name, ((mode & TDataFile::ModeReadOnly) ? O_RDONLY : O_RDWR) | O_CLOEXEC);
    if (handle >= 0)
        posix_fadvise(handle, 0, 0,
                      (mode & TDataFile::ModeSequential) ? POSIX_FADV_SEQUENTIAL : POSIX_FADV_RANDOM);
    return handle;
}
void OsClose(int handle) { close(handle); }
long long OsLength(int handle) {
    struct stat info;
    return fstat(handle, &info) == 0 ? info.st_size : -1;
}
int OsResize(int handle, std::int32_t size) { return ftruncate(handle, size); }
long long OsSeek(int handle, std::int32_t offset, int whence) { return lseek(handle, offset, whence); }
long long OsRead(int handle, void* buffer, unsigned count) {
    ssize_t n;
    do n = read(handle, buffer, count);
    while (n < 0 && errno == EINTR);
    return n;
}
long long OsWrite(int handle, const void* buffer, unsigned count) {
    ssize_t n;
    do n = write(handle, buffer, count);
    while (n < 0 && errno == EINTR);
    return n;
}
#endif

// One low-level transfer moves at most this much.
unsigned Chunk(std::size_t count) { return unsigned(std::min<std::size_t>(count, 1u << 30)); }

TCharString OpenFailureText(const char* name, const char* ending) {
    TCharString text("Unable to open file \"");
    text.Append(name);
    text.Append(ending);
    return text;
}

}  // namespace

// Makes writes overwrite for its lifetime, so that the shifting done for an
// insert (or by MoveContents itself) does not insert again.
class TDataFile::OverwriteScope {
public:
    explicit OverwriteScope(TDataFile& file) : File(file), Saved(file.InInsert) { file.InInsert = 1; }
    ~OverwriteScope() { File.InInsert = Saved; }
    OverwriteScope(const OverwriteScope&) = delete;
    OverwriteScope& operator=(const OverwriteScope&) = delete;

private:
    TDataFile& File;
    std::int16_t Saved;
};

TDataFile::TDataFile(bool swapBytes)
    : SwapBytes(swapBytes ? 1 : 0), WriteMode(WriteOverwrite), InInsert(0), Handle(NoHandle), OpenMode(0) {}

TDataFile::~TDataFile() { Close(); }

bool TDataFile::Exists(const char* name) {
    if (!name) return false;
    const int handle = OsOpen(name, ModeReadOnly);
    if (handle < 0) return false;
    OsClose(handle);
    return true;
}

void TDataFile::Open(const char* name, int mode) {
    if (!name) name = "";
    if (!Exists(name)) {
        const TCharString text = OpenFailureText(name, "\".  It doesn't exist!");
        throw TDataFileException(DataFileOpenFailed, "class TDataFile", FileSystemModule, __LINE__, text.GetText());
    }
    const int handle = OsOpen(name, mode);
    if (handle < 0) {
        const TCharString text = OpenFailureText(name, "\".");
        throw TDataFileException(DataFileOpenFailed, "class TDataFile", FileSystemModule, __LINE__, text.GetText());
    }
    Close();
    Handle = handle;
    OpenMode = mode;
}

void TDataFile::Close() {
    if (Handle == NoHandle) return;
    OsClose(Handle);
    Handle = NoHandle;
}

std::int32_t TDataFile::GetFileSize() {
    return Handle == NoHandle ? -1 : std::int32_t(OsLength(Handle));
}

void TDataFile::SetFileSize(std::int32_t size) {
    if (Handle != NoHandle && size == GetFileSize()) return;
    if (size < 0 || OsResize(Handle, size) != 0)
        throw TDataFileException(DataFileResizeFailed, "TDataFile::SetFileSize(int32_)", FileSystemModule, __LINE__,
                                 "Unable to resize file!");
}

void TDataFile::Seek(std::int32_t offset, int origin) {
    switch (origin) {
    case FromStart: SeekFromStart(offset); break;
    case FromCurrent: SeekRelative(offset); break;
    case FromEnd: SeekFromEnd(offset); break;
    default: break;
    }
}

void TDataFile::SeekFromStart(std::int32_t offset) {
    if (OsSeek(Handle, offset, SEEK_SET) < 0)
        throw TDataFileException(DataFileSeekFailed, "TDataFile::SeekFromStart(int32_)", FileSystemModule, __LINE__,
                                 "Seek failure!");
}

void TDataFile::SeekRelative(std::int32_t offset) {
    if (OsSeek(Handle, offset, SEEK_CUR) < 0)
        throw TDataFileException(DataFileSeekFailed, "TDataFile::SeekRelative(int32_)", FileSystemModule, __LINE__,
                                 "Seek failure!");
}

void TDataFile::SeekFromEnd(std::int32_t offset) {
    if (OsSeek(Handle, offset, SEEK_END) < 0)
        throw TDataFileException(DataFileSeekFailed, "TDataFile::SeekFromEnd(int32_)", FileSystemModule, __LINE__,
                                 "Seek failure!");
}

std::int32_t TDataFile::Tell() {
    return Handle == NoHandle ? -1 : std::int32_t(OsSeek(Handle, 0, SEEK_CUR));
}

std::size_t TDataFile::Read(void* buffer, std::size_t count) {
    char* bytes = static_cast<char*>(buffer);
    std::size_t done = 0;
    while (done < count) {
        const long long n = OsRead(Handle, bytes + done, Chunk(count - done));
        if (n < 0)
            throw TDataFileException(DataFileReadFailed, "TDataFile::Read(void *, size_t)", FileSystemModule, __LINE__,
                                     "Unable to read from stream!");
        if (n == 0) break;  // end of file
        done += std::size_t(n);
    }
    return done;
}

std::size_t TDataFile::Write(const void* buffer, std::size_t count) {
    if (count == 0) return 0;
    if (WriteMode == WriteInsert && !InInsert) {
        // Open a gap of count bytes at the position; the rest of the file moves up.
        const std::int32_t position = Tell();
        const std::int32_t size = GetFileSize();
        OverwriteScope overwrite(*this);
        MoveContents(position, std::int32_t(position + count), size > position ? size - position : 0);
    }
    const char* bytes = static_cast<const char*>(buffer);
    std::size_t done = 0;
    while (done < count) {
        const long long n = OsWrite(Handle, bytes + done, Chunk(count - done));
        if (n <= 0)
            throw TDataFileException(DataFileWriteFailed, "TDataFile::Write(void *, size_t)", FileSystemModule,
                                     __LINE__, "Unable to write to stream!");
        done += std::size_t(n);
    }
    return done;
}

std::size_t TDataFile::ReadValues(void* values, std::size_t n, std::size_t size) {
    const std::size_t count = Read(values, n * size) / size;
    if (SwapBytes) {
        std::uint8_t* bytes = static_cast<std::uint8_t*>(values);
        for (std::size_t i = 0; i < count; ++i) std::reverse(bytes + i * size, bytes + (i + 1) * size);
    }
    return count;
}

std::size_t TDataFile::ReadBytes(std::uint8_t* values, std::size_t n) { return ReadValues(values, n, 1); }
std::size_t TDataFile::ReadUInt16s(std::uint16_t* values, std::size_t n) { return ReadValues(values, n, 2); }
std::size_t TDataFile::ReadInt16s(std::int16_t* values, std::size_t n) { return ReadValues(values, n, 2); }
std::size_t TDataFile::ReadUInt32s(std::uint32_t* values, std::size_t n) { return ReadValues(values, n, 4); }
std::size_t TDataFile::ReadInt32s(std::int32_t* values, std::size_t n) { return ReadValues(values, n, 4); }
std::size_t TDataFile::WriteBytes(const std::uint8_t* values, std::size_t n) { return Write(values, n); }

void TDataFile::MoveContents(std::int32_t from, std::int32_t to, std::size_t count) {
    if (count == 0) return;
    const std::size_t bufferSize = std::min(count, MoveBufferSize);
    const std::unique_ptr<char[]> buffer(new (std::nothrow) char[bufferSize]);
    if (!buffer)
        throw TDataFileException(DataFileNoMemory, "TDataFile::MoveContents(int32_, size_t, int32_)", FileSystemModule,
                                 __LINE__, "Unable to allocate memory!");
    OverwriteScope overwrite(*this);
    const std::int32_t position = Tell();
    const long long end = (long long)to + (long long)count;
    if (GetFileSize() < end) SetFileSize(std::int32_t(end));
    // Copy from the end backwards when the target lies above the source, so
    // that an overlapping source is read before it is overwritten.
    const bool backwards = from < to;
    for (std::size_t done = 0; done < count;) {
        const std::size_t n = std::min(count - done, bufferSize);
        const std::size_t offset = backwards ? count - done - n : done;
        Seek(std::int32_t(from + offset), FromStart);
        const std::size_t got = Read(buffer.get(), n);
        std::memset(buffer.get() + got, 0, n - got);  // beyond the end reads as zeros
        Seek(std::int32_t(to + offset), FromStart);
        Write(buffer.get(), n);
        done += n;
    }
    Seek(position, FromStart);
}
