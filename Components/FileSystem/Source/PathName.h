// TPathName: a file path split once into its parts.
//
// The path is parsed into drive (before the first colon), directory (always
// ending with a backslash when not empty), file name, base name and extension;
// the directory is also kept as the list of its components. Only backslashes
// separate directories. Changing the file name rebuilds the full path from the
// parts, which is how the directory of a program path is obtained: parse it,
// set an empty file name, read the full path back.
#pragma once

#include "CharString.h"
#include "ValVector.h"

class TPathName {
public:
    explicit TPathName(const char* path = "");
    virtual ~TPathName();

    // Replaces the whole path and parses it.
    void SetPath(const char* path);
    // Replaces the file name (and so base name and extension) and rebuilds the
    // full path; drive and directory stay.
    void SetFileName(const char* name);

    const char* GetFullPath() const { return FullPath.GetText(); }
    const TCharString& GetDrive() const { return Drive; }
    const TCharString& GetDirectory() const { return Directory; }
    const TCharString& GetFileName() const { return FileName; }
    const TCharString& GetBaseName() const { return BaseName; }
    const TCharString& GetExtension() const { return Extension; }
    // The directory split at its backslashes; a leading backslash is the
    // component "\".
    const TValVector<TCharString>& GetComponents() const { return Components; }

private:
    void Parse();
    void SplitFileName();
    void SplitDirectory();

    TCharString Drive;
    TCharString Directory;
    TCharString FileName;
    TCharString BaseName;
    TCharString Extension;
    TCharString FullPath;
    TValVector<TCharString> Components;
};
