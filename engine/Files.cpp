// File, registry and message helpers of the engine.
#include "EngineInternal.h"
#include <io.h>

// How a file is replaced. The new content is written to "<target>.part";
// once every byte is written and flushed to the disk, that file is complete.
// Windows NT then moves it over the target in one step. Windows 9x has only a
// failing stub of MoveFileEx: there the complete file is first renamed
// "<target>.tmp", then the target is deleted and the ".tmp" renamed into its
// place. A ".tmp" is therefore always a complete copy and a ".part" possibly a
// torn one; a power cut between the delete and the rename leaves the ".tmp"
// alone, and RecoverReplacedFile puts it back at the next load.

bool IsWindows9x() {
    return (GetVersion() & 0x80000000) != 0;
}

TempFile::TempFile(const char* target)
    : Target(target), Partial(Target + ".part"), Complete(Target + ".tmp") {}

TempFile::~TempFile() {
    File.reset();
    if (Owned) DeleteFileA(Owned->GetText());
}

FILE* TempFile::Open(const char* mode) {
    File.reset(fopen(Partial.GetText(), mode));
    Owned = File ? &Partial : nullptr;
    return File.get();
}

bool TempFile::Close() {
    FILE* file = File.release();
    if (!file) return false;
    // On the disk before it is renamed: a rename that reached the disk
    // without the bytes would leave a torn file under the complete name.
    const bool written = !ferror(file) && fflush(file) == 0 && _commit(_fileno(file)) == 0;
    return fclose(file) == 0 && written;
}

bool TempFile::TargetReplaceable() const {
    const DWORD attributes = GetFileAttributesA(Target.GetText());
    return attributes == INVALID_FILE_ATTRIBUTES ||
           !(attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY));
}

bool TempFile::Commit() {
    // A read-only target is protected: it is not replaced (Windows refuses to
    // rename over it anyway, and the delete-then-rename path below must not).
    // Neither is a folder in the target's place.
    if (!Owned || !TargetReplaceable()) return false;
    if (!IsWindows9x()) {
        if (!MoveFileExA(Partial.GetText(), Target.GetText(), MOVEFILE_REPLACE_EXISTING)) return false;
        Owned = nullptr;
        return true;
    }
    // A ".tmp" left from an earlier replacement is older than this content.
    DeleteFileA(Complete.GetText());
    if (!MoveFileA(Partial.GetText(), Complete.GetText())) return false;
    Owned = &Complete;
    // A target that cannot be deleted (read-only, in use) stays untouched.
    if (!DeleteFileA(Target.GetText()) && GetLastError() != ERROR_FILE_NOT_FOUND) return false;
    Owned = nullptr;   // from here on the ".tmp" may be the only copy: keep it
    return MoveFileA(Complete.GetText(), Target.GetText()) != FALSE;
}

void RecoverReplacedFile(const char* target) {
    const TCharString complete = TCharString(target) + ".tmp";
    const DWORD copy = GetFileAttributesA(complete.GetText());
    if (copy == INVALID_FILE_ATTRIBUTES || (copy & FILE_ATTRIBUTE_DIRECTORY)) return;
    if (GetFileAttributesA(target) != INVALID_FILE_ATTRIBUTES) {
        // The target was never deleted: the replacement did not happen, and
        // its leftover must not come back should the target be deleted later.
        DeleteFileA(complete.GetText());
    } else if (GetLastError() == ERROR_FILE_NOT_FOUND) {
        MoveFileA(complete.GetText(), target);
    }
}

bool FileExists(const char* path) {
    return FilePtr(fopen(path, "rb")) != nullptr;
}

bool FileAbsent(const char* path) {
    if (GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES) return false;
    const DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

bool IsOriginalEntry(const TCharString& entry) {
    return entry == TCharString(ORIGINAL_ENTRY);
}

TCharString WindowsDirectory() {
    char directory[MAX_PATH + 1] = "";
    UINT length = GetWindowsDirectoryA(directory, MAX_PATH);
    if (length >= MAX_PATH) length = 0;
    TCharString result(directory, 0, length);
    if (length == 0 || directory[length - 1] != '\\') result = result + "\\";
    return result;
}

void ShowEngineError(const char* text) {
    ShowMessageBox(NULL, text, "Error", MB_OK | MB_ICONWARNING);
}

bool ReadRegistryString(HKEY key, const char* name, char* text, DWORD size) {
    DWORD type = 0;
    DWORD length = size - 1;
    text[0] = '\0';
    if (RegQueryValueExA(key, name, NULL, &type, reinterpret_cast<BYTE*>(text), &length) != ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ)) {
        text[0] = '\0';
        return false;
    }
    text[length] = '\0';
    return true;
}
