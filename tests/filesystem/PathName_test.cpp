#include "PathName.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::string Text(const TCharString& s) { return std::string(s.GetText(), s.GetLength()); }

std::vector<std::string> Components(const TPathName& path) {
    TValVector<TCharString> components = path.GetComponents();
    std::vector<std::string> result;
    for (unsigned int i = 0; i < components.GetCount(); ++i) result.push_back(Text(*components.At(i)));
    return result;
}

void ExpectParts(const TPathName& path, const char* drive, const char* directory, const char* fileName,
                 const char* baseName, const char* extension) {
    EXPECT_EQ(Text(path.GetDrive()), drive);
    EXPECT_EQ(Text(path.GetDirectory()), directory);
    EXPECT_EQ(Text(path.GetFileName()), fileName);
    EXPECT_EQ(Text(path.GetBaseName()), baseName);
    EXPECT_EQ(Text(path.GetExtension()), extension);
}

using Names = std::vector<std::string>;

TEST(PathName, SplitsDriveDirectoryAndFileName) {
    TPathName full("C:\\Windows\\System\\Logo.sys");
    ExpectParts(full, "C", "\\Windows\\System\\", "Logo.sys", "Logo", "sys");
    EXPECT_EQ(Components(full), (Names{"\\", "Windows", "System"}));
    EXPECT_STREQ(full.GetFullPath(), "C:\\Windows\\System\\Logo.sys");

    TPathName bare("readme.txt");
    ExpectParts(bare, "", "", "readme.txt", "readme", "txt");
    EXPECT_TRUE(Components(bare).empty());

    TPathName relative("C:pics\\old\\a.bmp");  // drive-relative: no leading "\"
    ExpectParts(relative, "C", "pics\\old\\", "a.bmp", "a", "bmp");
    EXPECT_EQ(Components(relative), (Names{"pics", "old"}));

    TPathName folder("D:\\Images\\Logos\\");
    ExpectParts(folder, "D", "\\Images\\Logos\\", "", "", "");
    EXPECT_EQ(Components(folder), (Names{"\\", "Images", "Logos"}));

    TPathName unc("\\\\server\\share\\f.bmp");
    ExpectParts(unc, "", "\\\\server\\share\\", "f.bmp", "f", "bmp");
    EXPECT_EQ(Components(unc), (Names{"\\", "", "server", "share"}));

    TPathName doubled("C:\\a\\\\b\\");  // an empty component between two backslashes
    EXPECT_EQ(Components(doubled), (Names{"\\", "a", "", "b"}));
}

TEST(PathName, OddDotsAndColons) {
    TPathName twoDots("C:\\x\\archive.tar.gz");
    ExpectParts(twoDots, "C", "\\x\\", "archive.tar.gz", "archive.tar", "gz");
    TPathName endDot("name.");
    ExpectParts(endDot, "", "", "name.", "name.", "");
    TPathName leadingDot("\\.profile");
    ExpectParts(leadingDot, "", "\\", ".profile", "", "profile");
    TPathName dotInDirectory("C:\\v1.2\\readme");
    ExpectParts(dotInDirectory, "C", "\\v1.2\\", "readme", "readme", "");

    // A colon at the very end: the drive is taken, but the file name search
    // starts at the beginning of the path.
    TPathName driveOnly("C:");
    ExpectParts(driveOnly, "C", "", "C:", "C:", "");
    EXPECT_TRUE(Components(driveOnly).empty());

    // Only the first colon ends the drive.
    TPathName twoColons("a:b:c");
    ExpectParts(twoColons, "a", "", "b:c", "b:c", "");

    TPathName empty("");
    ExpectParts(empty, "", "", "", "", "");
    EXPECT_STREQ(empty.GetFullPath(), "");
    TPathName null(nullptr);
    EXPECT_STREQ(null.GetFullPath(), "");
}

TEST(PathName, SetFileNameRebuildsAndSetPathReparses) {
    TPathName program("C:\\Program Files\\Imagewheel\\Imagewheel.exe");
    program.SetFileName("");
    EXPECT_STREQ(program.GetFullPath(), "C:\\Program Files\\Imagewheel\\");
    ExpectParts(program, "C", "\\Program Files\\Imagewheel\\", "", "", "");

    program.SetFileName("Setup.log");
    EXPECT_STREQ(program.GetFullPath(), "C:\\Program Files\\Imagewheel\\Setup.log");
    ExpectParts(program, "C", "\\Program Files\\Imagewheel\\", "Setup.log", "Setup", "log");
    EXPECT_EQ(Components(program), (Names{"\\", "Program Files", "Imagewheel"}));

    TPathName noDrive("imagewheel.exe");
    noDrive.SetFileName("");
    EXPECT_STREQ(noDrive.GetFullPath(), "");
    noDrive.SetFileName("other.ini");
    EXPECT_STREQ(noDrive.GetFullPath(), "other.ini");

    // Parsing again replaces every part, the components included.
    program.SetPath("E:\\one\\two\\three\\pic.bmp");
    ExpectParts(program, "E", "\\one\\two\\three\\", "pic.bmp", "pic", "bmp");
    EXPECT_EQ(Components(program), (Names{"\\", "one", "two", "three"}));
    program.SetPath("pic");
    ExpectParts(program, "", "", "pic", "pic", "");
    EXPECT_TRUE(Components(program).empty());

    // The path may be given from the object's own text.
    program.SetPath("C:\\a\\b.c");
    TPathName copy(program);
    program.SetPath(program.GetFullPath());
    EXPECT_STREQ(program.GetFullPath(), "C:\\a\\b.c");
    EXPECT_EQ(Components(copy), Components(program));
}

}  // namespace
