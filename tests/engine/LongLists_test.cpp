// Lists of thousands of pictures: loading, advancing, saving and the
// wallpaper import cost allocations in proportion to the list's length (a list
// that grows one entry at a time would copy itself at every line, N * N / 2
// element copies and as many string buffers).
#include "AllocFail.h"
#include "EngineTestSupport.h"

using namespace enginetest;

namespace {

typedef std::vector<std::string> Names;

const unsigned SHORT_LIST = 1000;
const unsigned LONG_LIST = 8 * SHORT_LIST;

// Full paths as a file dialog gives them; every 97th line is empty and every
// 1000th is longer than a line read (it loads as two entries).
std::string Line(unsigned i) {
    if (i % 97 == 50) return "";
    char name[MAX_PATH];
    snprintf(name, sizeof name, "C:\\My Pictures\\Holiday %u\\picture %06u.bmp", 1990 + i % 30, i);
    std::string line = name;
    if (i % 1000 == 999) line += std::string(260 - line.size(), ' ') + name;   // its second piece is unique too
    return line;
}

struct Costs {
    long Load, Advance, Save;
    unsigned long long LoadBytes;
};

class LongListsTest : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        settings = DefaultSettings();
    }

    // Writes a list of `lines` lines whose current file is the last entry,
    // then loads it, advances it forward (to the first entry) and saves it,
    // checking every result and counting the allocations of each step.
    Costs LoadAdvanceSave(Category c, unsigned lines, FileList& list) {
        const CategorySettings& s = settings[c];
        std::string text;
        Names expected;
        for (unsigned i = 0; i < lines; ++i) {
            const std::string line = Line(i);
            text += line + "\r\n";
            if (line.size() > 255) {
                expected.push_back(line.substr(0, 255));
                expected.push_back(line.substr(255));
            } else {
                expected.push_back(line);
            }
        }
        WriteBytes(s.ListFileName.GetText(), text);
        WriteBytes(s.CurrentFileName.GetText(), expected.back() + "\r\n");
        std::string saved;
        for (const std::string& e : expected) saved += e + "\r\n";
        const bool logo = c != Category::Wallpaper;
        if (logo) expected.push_back(ORIGINAL_ENTRY);

        Costs costs;
        {
            iwtest::AllocationCounter counter;
            LoadFileList(c, s, list);
            costs.Load = counter.Count();
            costs.LoadBytes = counter.Bytes();
        }
        EXPECT_EQ(Entries(list), expected) << lines;
        EXPECT_EQ(list.Current.GetText(), expected[expected.size() - (logo ? 2 : 1)]);
        {
            iwtest::AllocationCounter counter;
            AdvanceCurrentFile(list, CycleOrder::Forward, !logo);
            costs.Advance = counter.Count();
        }
        EXPECT_EQ(list.Current.GetText(), expected.front());
        {
            iwtest::AllocationCounter counter;
            EXPECT_TRUE(SaveFileList(c, s, list));
            costs.Save = counter.Count();
        }
        EXPECT_EQ(ReadBytes(s.ListFileName.GetText()), saved) << "the list file is written back as it was";
        EXPECT_EQ(ReadBytes(s.CurrentFileName.GetText()), expected.front() + "\r\n");
        return costs;
    }

    AppSettings settings;
};

TEST_F(LongListsTest, LoadAdvanceSaveAndImportGrowLinearly) {
    for (Category c : {Category::Signon, Category::Wallpaper}) {
        SCOPED_TRACE(Index(c));
        FileList shortList, longList;
        const Costs small = LoadAdvanceSave(c, SHORT_LIST, shortList);
        const Costs large = LoadAdvanceSave(c, LONG_LIST, longList);
        // Eight times the lines: at most about eight times the allocations
        // and bytes (one by one it would be 64 times), a few per entry.
        EXPECT_LE(large.Load, 9 * small.Load);
        EXPECT_LE(large.LoadBytes, 9 * small.LoadBytes);
        EXPECT_LE(large.Load, 4 * static_cast<long>(longList.Entries.GetCount()));
        EXPECT_LE(large.Save, 9 * small.Save + 16);
        // Finding the current file and moving on copies no entry.
        EXPECT_LE(small.Advance, 2);
        EXPECT_LE(large.Advance, 2);
    }

    // The first-installation import appends the desktop wallpaper to the
    // wallpaper list as it was loaded: one copy of the list at most.
    FileList wallpaper;
    LoadAdvanceSave(Category::Wallpaper, LONG_LIST, wallpaper);
    const unsigned before = wallpaper.Entries.GetCount();
    const char* picture = "C:\\windows\\Desktop picture.bmp";
    WriteBytes(picture, "bmp");
    SetDesktop("Wallpaper", picture);
    SetDesktop("TileWallpaper", "0");
    iwtest::AllocationCounter counter;
    ImportDesktopWallpaper(settings, wallpaper);
    RemoveFile(picture);
    EXPECT_LE(counter.Count(), 2 * static_cast<long>(before) + 16);
    ASSERT_EQ(wallpaper.Entries.GetCount(), before + 1);
    EXPECT_STREQ(wallpaper.Entries.At(before)->GetText(), "C:\\windows\\Desktop picture.bmp");
    EXPECT_STREQ(wallpaper.Entries.At(0)->GetText(), Line(0).c_str());
    EXPECT_STREQ(wallpaper.Current.GetText(), "C:\\windows\\Desktop picture.bmp");
}

}  // namespace
