// File, registry and message helpers of the engine.
#include "EngineInternal.h"

TempFile::TempFile(const char* target) : Target(target), Name(Target + ".tmp") {}

TempFile::~TempFile() {
    File.reset();
    if (Created) DeleteFileA(Name.GetText());
}

FILE* TempFile::Open(const char* mode) {
    File.reset(fopen(Name.GetText(), mode));
    Created = File != nullptr;
    return File.get();
}

bool TempFile::Close() {
    FILE* file = File.release();
    if (!file) return false;
    const bool written = !ferror(file);
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
    if (!TargetReplaceable()) return false;
    if (MoveFileExA(Name.GetText(), Target.GetText(), MOVEFILE_REPLACE_EXISTING)) {
        Created = false;
        return true;
    }
    // Windows 95 has no MoveFileEx: delete the target, then rename. A target
    // that cannot be deleted (read-only, in use) stays untouched.
    if (GetLastError() != ERROR_CALL_NOT_IMPLEMENTED) return false;
    if (!DeleteFileA(Target.GetText()) && GetLastError() != ERROR_FILE_NOT_FOUND) return false;
    Created = false;   // from here on the temporary file may be the only copy: keep it
    return MoveFileA(Name.GetText(), Target.GetText()) != FALSE;
}

bool FileExists(const char* path) {
    return FilePtr(fopen(path, "rb")) != nullptr;
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
