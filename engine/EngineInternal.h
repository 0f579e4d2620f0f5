// Helpers shared by the engine's source files; not part of its interface.
#pragma once
#include "Engine.h"
#include "Framework.h"
#include <cstdio>
#include <cstring>
#include <memory>

extern const char CONFIG_SECTION[];   // "CONFIG"

const Category LOGO_CATEGORIES[3] = {Category::Signon, Category::Shutdown, Category::Signoff};

struct FileCloser {
    void operator()(FILE* file) const { fclose(file); }
};
typedef std::unique_ptr<FILE, FileCloser> FilePtr;

// Whether this is Windows 95, 98 or ME (GetVersion's high bit), where some
// functions exist only as failing stubs (MoveFileExA) and are not called.
bool IsWindows9x();

// A file written beside its target under a temporary name and moved over the
// target only once it is complete and on the disk, so that the target is never
// left empty or half-written. Unless committed, the temporary file is removed
// again. Files.cpp describes the names and the Windows 9x sequence.
class TempFile {
public:
    explicit TempFile(const char* target);
    ~TempFile();
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;

    FILE* Open(const char* mode);   // null when the temporary file cannot be created
    FILE* Get() const { return File.get(); }
    bool Close();                   // true when every write, the flush and the close succeeded
    // Whether Commit may replace the target: it is missing, or a file that is
    // neither read-only nor a folder.
    bool TargetReplaceable() const;
    bool Commit();                  // replaces the target; Close must have succeeded

private:
    TCharString Target;
    TCharString Partial;            // "<target>.part" while being written
    TCharString Complete;           // "<target>.tmp" once complete (Windows 9x)
    FilePtr File;
    const TCharString* Owned = nullptr;   // the temporary file to remove unless committed
};

// At load: when `target` is missing and its complete temporary copy is beside
// it (a replacement on Windows 9x cut short between deleting the target and
// renaming the copy), the copy becomes the target again. A leftover copy
// beside a present target is removed.
void RecoverReplacedFile(const char* target);

// True only when `path` certainly does not exist (no such file or folder);
// false for a file that exists or cannot be looked at.
bool FileAbsent(const char* path);

bool IsOriginalEntry(const TCharString& entry);
// The Windows directory with a trailing backslash.
TCharString WindowsDirectory();
// The engine's two user-visible failures: no owner, caption "Error", warning icon.
void ShowEngineError(const char* text);
// Reads a string value (REG_SZ or REG_EXPAND_SZ) into `text`, always
// terminated; false (and `text` empty) when it cannot be read.
bool ReadRegistryString(HKEY key, const char* name, char* text, DWORD size);

// One section of the application's profile, read in one call. Every single
// GetPrivateProfileString opens and checks the profile again (under Wine a
// few round trips to the server each), and start-up reads some thirty keys.
// String and Int give what GetProfileString and GetProfileInt would; a line
// written in an unusual form (quotes, blanks around the value, a value that
// is not a plain decimal number) is left to those functions themselves.
class ProfileSection {
public:
    explicit ProfileSection(const char* section);
    ProfileSection(const ProfileSection&) = delete;
    ProfileSection& operator=(const ProfileSection&) = delete;

    TCharString String(const char* key, const char* def) const;
    LONG Int(const char* key, LONG def) const;
    // Writes `value` ("%d") unless the profile holds exactly that text already.
    void WriteInt(const char* key, LONG value) const;

private:
    enum class Form { Missing, Plain, Unusual };
    Form Find(const char* key, const char*& value) const;

    const char* Section;
    std::unique_ptr<char[]> Text;   // "key=value\0...\0\0"; null when the section did not fit
};
