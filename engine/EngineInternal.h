// Helpers shared by the engine's source files; not part of its interface.
#pragma once
#include "Engine.h"
#include "Framework.h"
#include <cstdio>
#include <memory>

extern const char CONFIG_SECTION[];   // "CONFIG"

const Category LOGO_CATEGORIES[3] = {Category::Signon, Category::Shutdown, Category::Signoff};

struct FileCloser {
    void operator()(FILE* file) const { fclose(file); }
};
typedef std::unique_ptr<FILE, FileCloser> FilePtr;

// A file written beside its target under a temporary name and moved over the
// target only once it is complete, so that the target is never left empty or
// half-written. Unless committed, the temporary file is removed again.
class TempFile {
public:
    explicit TempFile(const char* target);
    ~TempFile();
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;

    FILE* Open(const char* mode);   // null when the temporary file cannot be created
    FILE* Get() const { return File.get(); }
    bool Close();                   // true when every write and the close succeeded
    // Whether Commit may replace the target: it is missing, or a file that is
    // neither read-only nor a folder.
    bool TargetReplaceable() const;
    bool Commit();                  // replaces the target; Close must have succeeded

private:
    TCharString Target;
    TCharString Name;
    FilePtr File;
    bool Created = false;
};

bool IsOriginalEntry(const TCharString& entry);
// The Windows directory with a trailing backslash.
TCharString WindowsDirectory();
// The engine's two user-visible failures: no owner, caption "Error", warning icon.
void ShowEngineError(const char* text);
// Reads a string value (REG_SZ or REG_EXPAND_SZ) into `text`, always
// terminated; false (and `text` empty) when it cannot be read.
bool ReadRegistryString(HKEY key, const char* name, char* text, DWORD size);
