#include "PathName.h"

#include <cstring>

TPathName::TPathName(const char* path) : Components(1, 1) { SetPath(path); }

TPathName::~TPathName() {}

void TPathName::SetPath(const char* path) {
    FullPath.Assign(path);
    Parse();
}

void TPathName::SetFileName(const char* name) {
    FileName.Assign(name);
    SplitFileName();
    TCharString path;
    if (Drive.GetLength() != 0) {
        path.Append(Drive.GetText());
        path.Append(":");
    }
    path.Append(Directory.GetText());
    path.Append(FileName.GetText());
    FullPath.Assign(path);
}

void TPathName::Parse() {
    const char* path = FullPath.GetText();
    const unsigned int length = FullPath.GetLength();

    // The drive is everything before the first colon. A colon at the very end
    // leaves the directory search at the start of the path ("C:" is then the
    // file name).
    unsigned int directoryStart = 0;
    if (const char* colon = static_cast<const char*>(std::memchr(path, ':', length))) {
        const unsigned int c = unsigned(colon - path);
        Drive.Assign(TCharString(path, 0, c));
        if (c + 1 < length) directoryStart = c + 1;
    } else {
        Drive.Assign("");
    }

    // The file name follows the last backslash (none after a trailing one).
    unsigned int fileStart = length;
    while (fileStart > directoryStart && path[fileStart - 1] != '\\') --fileStart;
    FileName.Assign(TCharString(path, fileStart));
    // Ends with its backslash whenever it is not empty, by the search above.
    Directory.Assign(TCharString(path, directoryStart, fileStart - directoryStart));

    SplitFileName();
    SplitDirectory();
}

// The extension follows the last dot, unless that dot ends the name.
void TPathName::SplitFileName() {
    const char* name = FileName.GetText();
    const unsigned int length = FileName.GetLength();
    unsigned int afterDot = length;
    while (afterDot > 0 && name[afterDot - 1] != '.') --afterDot;
    if (afterDot > 0 && afterDot < length) {
        BaseName.Assign(TCharString(name, 0, afterDot - 1));
        Extension.Assign(TCharString(name, afterDot));
    } else {
        BaseName.Assign(FileName);
        Extension.Assign("");
    }
}

void TPathName::SplitDirectory() {
    Components.RemoveAll();
    const char* directory = Directory.GetText();
    const unsigned int length = Directory.GetLength();
    unsigned int start = 0;
    if (length != 0 && directory[0] == '\\') {
        Components.InsertLast(TCharString("\\"));
        start = 1;
    }
    while (start < length) {
        unsigned int end = start;
        while (end < length && directory[end] != '\\') ++end;
        Components.InsertLast(TCharString(directory, start, end - start));
        start = end + 1;
    }
}
