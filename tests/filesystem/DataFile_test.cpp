#include "FileSystem.h"
#include "MemoryDataFile.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "AllocFail.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <share.h>
#else
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<std::uint8_t>;

// Every test gets its own temporary folder, removed afterwards.
class DataFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
        for (int i = 0; i < 100 && dir.empty(); ++i) {
            fs::path candidate = fs::temp_directory_path() / ("iw_datafile_" + std::to_string(stamp + i));
            if (fs::create_directory(candidate)) dir = candidate;
        }
        ASSERT_FALSE(dir.empty());
    }
    void TearDown() override {
        if (dir.empty()) return;
        std::error_code ignored;
        for (const auto& entry : fs::directory_iterator(dir, ignored))
            fs::permissions(entry.path(), fs::perms::owner_all, ignored);
        fs::remove_all(dir, ignored);
    }

    std::string MakeFile(const char* name, const Bytes& content) {
        const std::string path = (dir / name).string();
        std::ofstream out(path, std::ios::binary);
        out.write(reinterpret_cast<const char*>(content.data()), std::streamsize(content.size()));
        return path;
    }
    static Bytes Content(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    static Bytes Pattern(std::size_t n) {
        Bytes bytes(n);
        for (std::size_t i = 0; i < n; ++i) bytes[i] = std::uint8_t(i * 7 + i / 251);
        return bytes;
    }

    fs::path dir;
};

// Runs the action, which must throw a TDataFileException with exactly these
// code, source, description and module, and the report the user is shown.
void ExpectFailure(const std::function<void()>& action, int code, const char* source,
                   const std::string& description, const char* module = "FileSystem") {
    try {
        action();
        ADD_FAILURE() << "no exception for " << source;
    } catch (const TDataFileException& e) {
        EXPECT_EQ(e.GetErrorCode(), code);
        EXPECT_STREQ(e.GetSource(), source);
        EXPECT_EQ(std::string(e.GetDescription()), description);
        EXPECT_STREQ(e.GetModule(), module);
        EXPECT_GT(e.GetLine(), 0);
        const std::unique_ptr<char[]> report(e.GetReport());
        ASSERT_NE(report, nullptr);
        EXPECT_EQ(std::string(report.get()), std::string("Source: ") + source + "\nModule: " + module +
                                                  "\nLine #: " + std::to_string(e.GetLine()) +
                                                  "\n[Description]\n" + description + "\n");
    }
}

TEST_F(DataFileTest, OpenFailuresKeepThePreviousFile) {
    const std::string good = MakeFile("good.bin", Pattern(16));
    const std::string missing = (dir / "missing.bmp").string();
    EXPECT_TRUE(TDataFile::Exists(good.c_str()));
    EXPECT_FALSE(TDataFile::Exists(missing.c_str()));
    EXPECT_FALSE(TDataFile::Exists(nullptr));

    TDataFile file;
    EXPECT_FALSE(file.IsOpen());
    file.Open(good.c_str(), 8);
    EXPECT_EQ(file.GetOpenMode(), 8);
    ExpectFailure([&] { file.Open(missing.c_str(), 8); }, DataFileOpenFailed, "class TDataFile",
                  "Unable to open file \"" + missing + "\".  It doesn't exist!");
    EXPECT_TRUE(file.IsOpen());
    EXPECT_EQ(file.GetOpenMode(), 8);
    std::uint8_t first[4];
    EXPECT_EQ(file.Read(first, 4), 4u);
    EXPECT_EQ(first[1], Pattern(16)[1]);

    // A read-only file exists but cannot be opened for writing. An
    // administrator may write it anyway (POSIX root, Wine run by root), so
    // Windows also holds a handle that denies writers; on POSIX a folder
    // exists for reading and never opens for writing.
    const std::string readOnly = MakeFile("readonly.sys", Pattern(8));
    fs::permissions(readOnly, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    std::vector<std::string> refused{readOnly};
#ifdef _WIN32
    const int lock = _sopen(readOnly.c_str(), _O_RDONLY, _SH_DENYWR);
    ASSERT_GE(lock, 0);
#else
    if (access(readOnly.c_str(), W_OK) == 0) refused.clear();
    refused.push_back(dir.string());
#endif
    for (const std::string& name : refused) {
        TDataFile probe;
        probe.Open(name.c_str(), TDataFile::ModeReadOnly);
        ExpectFailure([&] { probe.Open(name.c_str(), 8); }, DataFileOpenFailed, "class TDataFile",
                      "Unable to open file \"" + name + "\".");
        EXPECT_TRUE(probe.IsOpen());
    }
#ifdef _WIN32
    _close(lock);
#endif

    file.Close();
    file.Close();  // closing twice is harmless
    EXPECT_FALSE(file.IsOpen());
    EXPECT_EQ(file.GetFileSize(), -1);
    EXPECT_EQ(file.Tell(), -1);
}

TEST_F(DataFileTest, ReadsAtTheEndAndTypedReads) {
    const Bytes bytes = Pattern(64);
    const std::string name = MakeFile("data.bin", bytes);
    TDataFile file;
    file.Open(name.c_str(), 8);
    EXPECT_EQ(file.GetFileSize(), 64);

    std::uint8_t buffer[100];
    EXPECT_EQ(file.Read(buffer, 0), 0u);
    file.SeekFromEnd(-10);
    EXPECT_EQ(file.Tell(), 54);
    EXPECT_EQ(file.Read(buffer, 100), 10u);
    EXPECT_EQ(buffer[9], bytes[63]);
    EXPECT_EQ(file.Read(buffer, 100), 0u);  // at the end: no error

    std::uint16_t words[8] = {};
    file.SeekFromEnd(-10);
    EXPECT_EQ(file.ReadUInt16s(words, 5), 5u);
    EXPECT_EQ(words[0], std::uint16_t(bytes[54] | bytes[55] << 8));
    file.SeekFromEnd(-9);
    EXPECT_EQ(file.ReadUInt16s(words, 5), 4u);

    // Seek origins; an unknown origin neither moves nor throws.
    file.Seek(4, TDataFile::FromStart);
    file.Seek(2, TDataFile::FromCurrent);
    EXPECT_EQ(file.Tell(), 6);
    file.Seek(-60, TDataFile::FromEnd);
    EXPECT_EQ(file.Tell(), 4);
    file.Seek(20, 3);
    EXPECT_EQ(file.Tell(), 4);

    TDataFile swapped(true);
    EXPECT_TRUE(swapped.GetSwapBytes());
    swapped.Open(name.c_str(), 8);
    std::int16_t shorts[2];
    EXPECT_EQ(swapped.ReadInt16s(shorts, 2), 2u);
    EXPECT_EQ(std::uint16_t(shorts[1]), std::uint16_t(bytes[2] << 8 | bytes[3]));
    std::uint32_t longs[2];
    std::int32_t signedLongs[1];
    EXPECT_EQ(swapped.ReadUInt32s(longs, 2), 2u);
    EXPECT_EQ(longs[1], std::uint32_t(bytes[8]) << 24 | bytes[9] << 16 | bytes[10] << 8 | bytes[11]);
    EXPECT_EQ(swapped.ReadInt32s(signedLongs, 1), 1u);
    EXPECT_EQ(std::uint32_t(signedLongs[0]),
              std::uint32_t(bytes[12]) << 24 | bytes[13] << 16 | bytes[14] << 8 | bytes[15]);
    std::uint8_t raw[3];
    EXPECT_EQ(swapped.ReadBytes(raw, 3), 3u);  // single bytes are never reordered
    EXPECT_EQ(raw[0], bytes[16]);
    // Only whole values that were read are swapped; the rest stays untouched.
    std::uint32_t tail[2] = {0x11223344u, 0x55667788u};
    swapped.SeekFromEnd(-6);
    EXPECT_EQ(swapped.ReadUInt32s(tail, 2), 1u);
    EXPECT_EQ(tail[0], std::uint32_t(bytes[58]) << 24 | bytes[59] << 16 | bytes[60] << 8 | bytes[61]);
    EXPECT_EQ(tail[1] & 0xFFFF0000u, 0x55660000u);
}

TEST_F(DataFileTest, SeekResizeReadAndWriteFailures) {
    const std::string name = MakeFile("small.bin", Pattern(20));
    TDataFile file;
    file.Open(name.c_str(), 8);
    ExpectFailure([&] { file.SeekFromStart(-1); }, DataFileSeekFailed, "TDataFile::SeekFromStart(int32_)",
                  "Seek failure!");
    file.SeekFromStart(5);
    ExpectFailure([&] { file.Seek(-6, TDataFile::FromCurrent); }, DataFileSeekFailed,
                  "TDataFile::SeekRelative(int32_)", "Seek failure!");
    ExpectFailure([&] { file.SeekFromEnd(-21); }, DataFileSeekFailed, "TDataFile::SeekFromEnd(int32_)",
                  "Seek failure!");
    EXPECT_EQ(file.Tell(), 5);  // the object stays usable
    const std::uint8_t bytes[4] = {1, 2, 3, 4};
    TMemoryDataFile memory(bytes, sizeof bytes);
    ExpectFailure([&] { memory.Seek(-5, TDataFile::FromEnd); }, DataFileSeekFailed, "TMemoryDataFile::Seek",
                  "Seek failure!", "MemoryDataFile");
    EXPECT_EQ(memory.Tell(), 0);

    // Resizing grows with zero bytes and truncates.
    file.SetFileSize(24);
    file.Close();
    Bytes grown = Pattern(20);
    grown.resize(24, 0);
    EXPECT_EQ(Content(name), grown);
    file.Open(name.c_str(), 8);
    file.SetFileSize(3);
    EXPECT_EQ(file.GetFileSize(), 3);
    ExpectFailure([&] { file.SetFileSize(-1); }, DataFileResizeFailed, "TDataFile::SetFileSize(int32_)",
                  "Unable to resize file!");

    // Opened read-only: the current size is no change, anything else and
    // every write fails.
    TDataFile readOnly;
    readOnly.Open(name.c_str(), TDataFile::ModeReadOnly);
    readOnly.SetFileSize(3);
    ExpectFailure([&] { readOnly.SetFileSize(10); }, DataFileResizeFailed, "TDataFile::SetFileSize(int32_)",
                  "Unable to resize file!");
    const std::uint8_t data[2] = {1, 2};
    EXPECT_EQ(readOnly.Write(data, 0), 0u);
    ExpectFailure([&] { readOnly.Write(data, 2); }, DataFileWriteFailed, "TDataFile::Write(void *, size_t)",
                  "Unable to write to stream!");
    ExpectFailure([&] { readOnly.WriteBytes(data, 2); }, DataFileWriteFailed,
                  "TDataFile::Write(void *, size_t)", "Unable to write to stream!");

    TDataFile closed;
    std::uint8_t buffer[4];
    ExpectFailure([&] { closed.Read(buffer, 4); }, DataFileReadFailed, "TDataFile::Read(void *, size_t)",
                  "Unable to read from stream!");
    // Without a file even the size a closed file answers (-1) is no size.
    ExpectFailure([&] { closed.SetFileSize(closed.GetFileSize()); }, DataFileResizeFailed,
                  "TDataFile::SetFileSize(int32_)", "Unable to resize file!");
    EXPECT_EQ(Content(name), Pattern(3));
}

TEST_F(DataFileTest, InsertModeOpensAGap) {
    const std::string name = MakeFile("insert.bin", Bytes{'a', 'b', 'c', 'd', 'e', 'f'});
    TDataFile file;
    file.Open(name.c_str(), 8);
    EXPECT_EQ(file.GetWriteMode(), TDataFile::WriteOverwrite);
    file.SetWriteMode(TDataFile::WriteInsert);
    file.SeekFromStart(2);
    EXPECT_EQ(file.Write("WXYZ", 4), 4u);
    EXPECT_EQ(file.Tell(), 6);
    EXPECT_EQ(file.Write("!", 1), 1u);  // inserts again: the guard was released
    file.SeekFromEnd(0);
    file.Write("$", 1);  // at the end nothing moves
    file.SeekFromEnd(2);
    file.Write("%", 1);  // beyond the end neither: the gap reads as zeros
    file.SetWriteMode(TDataFile::WriteOverwrite);
    file.SeekFromStart(0);
    file.Write("A", 1);
    file.Close();
    EXPECT_EQ(Content(name), (Bytes{'A', 'b', 'W', 'X', 'Y', 'Z', '!', 'c', 'd', 'e', 'f', '$', 0, 0, '%'}));

    // Across the move buffer: 40000 bytes, 3 inserted near the start.
    const Bytes big = Pattern(40000);
    const std::string bigName = MakeFile("big.bin", big);
    file.Open(bigName.c_str(), 8);
    file.SetWriteMode(TDataFile::WriteInsert);
    file.SeekFromStart(100);
    file.Write("123", 3);
    file.Close();
    Bytes expected = big;
    expected.insert(expected.begin() + 100, {'1', '2', '3'});
    EXPECT_EQ(Content(bigName), expected);
}

// Records where every read and write of the file starts and how much it moves.
class RecordingFile : public TDataFile {
public:
    using Chunk = std::pair<std::int32_t, std::size_t>;
    std::vector<Chunk> reads, writes;
    std::size_t Read(void* buffer, std::size_t count) override {
        reads.push_back({Tell(), count});
        return TDataFile::Read(buffer, count);
    }
    std::size_t Write(const void* buffer, std::size_t count) override {
        writes.push_back({Tell(), count});
        return TDataFile::Write(buffer, count);
    }
};

TEST_F(DataFileTest, MoveContentsChunksAtMost32768BytesInOverlapSafeOrder) {
    const std::string name = MakeFile("chunks.bin", Pattern(70000));
    using Chunks = std::vector<RecordingFile::Chunk>;
    RecordingFile file;
    file.Open(name.c_str(), 8);
    // Upwards: the last piece of the source first, what remains at the start last.
    file.MoveContents(0, 10, 70000);
    EXPECT_EQ(file.reads, (Chunks{{37232, 32768}, {4464, 32768}, {0, 4464}}));
    EXPECT_EQ(file.writes, (Chunks{{37242, 32768}, {4474, 32768}, {10, 4464}}));
    // Downwards: from the start forwards.
    file.reads.clear();
    file.writes.clear();
    file.MoveContents(10, 0, 70000);
    EXPECT_EQ(file.reads, (Chunks{{10, 32768}, {32778, 32768}, {65546, 4464}}));
    EXPECT_EQ(file.writes, (Chunks{{0, 32768}, {32768, 32768}, {65536, 4464}}));
    file.Close();
    EXPECT_EQ(Content(name).size(), 70010u);
}

TEST_F(DataFileTest, MoveContentsAcrossTheBufferBound) {
    // Sizes around the 32768-byte buffer, moved up and down by overlapping distances.
    for (std::size_t n : {std::size_t(32768), std::size_t(32769), std::size_t(70000)}) {
        const Bytes original = Pattern(n);
        const std::string name = MakeFile("move.bin", original);
        TDataFile file;
        file.Open(name.c_str(), 8);
        file.SeekFromStart(7);
        file.MoveContents(0, 10, n);
        EXPECT_EQ(file.Tell(), 7);  // the position is restored
        EXPECT_EQ(file.GetFileSize(), std::int32_t(n + 10));
        file.Close();
        Bytes up = Content(name);
        ASSERT_EQ(up.size(), n + 10);
        EXPECT_TRUE(std::equal(original.begin(), original.end(), up.begin() + 10)) << n;
        EXPECT_TRUE(std::equal(original.begin(), original.begin() + 10, up.begin()));

        file.Open(name.c_str(), 8);
        file.MoveContents(10, 3, n);  // downwards, forward chunk order
        file.Close();
        Bytes down = Content(name);
        ASSERT_EQ(down.size(), n + 10);  // a move never shrinks the file
        EXPECT_TRUE(std::equal(original.begin(), original.end(), down.begin() + 3)) << n;
    }

    // A source beyond the end reads as zeros; nothing at all for a count of 0.
    const std::string name = MakeFile("short.bin", Bytes{1, 2, 3, 4});
    TDataFile file;
    file.Open(name.c_str(), 8);
    file.MoveContents(0, 2, 0);
    file.MoveContents(2, 0, 4);
    file.Close();
    EXPECT_EQ(Content(name), (Bytes{3, 4, 0, 0}));

    file.Open(name.c_str(), 8);
    ExpectFailure(
        [&] {
            iwtest::AllocFailScope fail(0);
            file.MoveContents(0, 1, 4);
        },
        DataFileNoMemory, "TDataFile::MoveContents(int32_, size_t, int32_)", "Unable to allocate memory!");
    file.Close();
    EXPECT_EQ(Content(name), (Bytes{3, 4, 0, 0}));
}

}  // namespace
