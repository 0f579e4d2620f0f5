// Cycle step and installation of the logo files.
#include "EngineInternal.h"
#include <cstdlib>

namespace {

// A random number below `range`. The C runtime's rand() gives only 15 bits
// (RAND_MAX 32767): a longer list takes two draws, so that its entries beyond
// the 32,768th can be chosen too. Shorter lists keep the one-draw sequence.
unsigned int RandomBelow(unsigned int range) {
    const unsigned long long span = static_cast<unsigned long long>(RAND_MAX) + 1;
    unsigned long long value = static_cast<unsigned int>(rand());
    if (range > span) value = value * span + static_cast<unsigned int>(rand());
    return static_cast<unsigned int>(value % range);
}

// A position of the range 0 .. range-1 other than `current` (when there is one).
unsigned int RandomOther(unsigned int current, unsigned int range, const Clock& clock) {
    if (range == 1) return 0;
    if (range == 2) return 1 - current;
    srand(static_cast<unsigned int>(clock.Now()));
    unsigned int next;
    do next = RandomBelow(range);
    while (next == current);
    return next;
}

const char* BackupNameOf(Category logoCategory) {
    switch (logoCategory) {
    case Category::Signon: return ".\\OriginalLogos\\Logo.sys";
    case Category::Shutdown: return ".\\OriginalLogos\\Logow.sys";
    default: return ".\\OriginalLogos\\Logos.sys";
    }
}

// Shows the wait cursor for its lifetime.
class WaitCursor {
public:
    WaitCursor() : Previous(SetCursor(LoadCursorA(NULL, IDC_WAIT))) {}
    ~WaitCursor() { SetCursor(Previous); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;

private:
    HCURSOR Previous;
};

}  // namespace

void AdvanceCurrentFile(FileList& list, CycleOrder order, bool wholeList, const Clock& clock) {
    const unsigned int count = list.Entries.GetCount();
    if (count == 0) return;
    if (count == 1) {
        list.Current = *list.Entries.At(0);
        return;
    }
    // A logo list never cycles onto its last entry when that is the original
    // logo; a logo list without it (its backup is missing) cycles over every file.
    const unsigned int range =
        !wholeList && IsOriginalEntry(*list.Entries.At(count - 1)) ? count - 1 : count;
    unsigned int i = 0;
    while (i < range && !(*list.Entries.At(i) == list.Current)) ++i;
    if (i == range) {
        list.Current = *list.Entries.At(0);
        return;
    }
    unsigned int next = i;
    switch (order) {
    case CycleOrder::Forward: next = i + 1 == range ? 0 : i + 1; break;
    case CycleOrder::Backward: next = i == 0 ? range - 1 : i - 1; break;
    case CycleOrder::Random: next = RandomOther(i, range, clock); break;
    default: break;
    }
    list.Current = *list.Entries.At(next);
}

TCharString LogoTargetName(Category logoCategory, const AppSettings& settings) {
    switch (logoCategory) {
    case Category::Signon: {
        char name[] = "?:\\Logo.sys";
        name[0] = settings.BootDrive.GetText()[0];
        return TCharString(name);
    }
    case Category::Shutdown: return WindowsDirectory() + "Logow.sys";
    default: return WindowsDirectory() + "Logos.sys";
    }
}

void RecoverLogoFiles(const AppSettings& settings) {
    for (Category c : LOGO_CATEGORIES) {
        RecoverReplacedFile(LogoTargetName(c, settings).GetText());
        RecoverReplacedFile(BackupNameOf(c));
    }
}

void InstallLogos(const AppSettings& settings, FileListSet& lists) {
    RecoverLogoFiles(settings);
    for (Category c : LOGO_CATEGORIES) {
        const TCharString target = LogoTargetName(c, settings);
        TCharString& current = lists[Index(c)].Current;
        if (current.GetLength() == 0) continue;
        if (IsOriginalEntry(current)) current = BackupNameOf(c);
        if (c == Category::Signon && current == TCharString(BackupNameOf(c)) && !FileExists(current.GetText())) {
            // No backup: there was no Logo.sys before the first run (Windows
            // keeps its own start-up screen inside IO.SYS). Without one,
            // Windows shows that screen again, which is the original.
            if (!DeleteFileA(target.GetText()) && GetLastError() != ERROR_FILE_NOT_FOUND)
                ShowEngineError((TCharString("Unable to create file ") + target.GetText()).GetText());
            continue;
        }
        if (!CopyFileBytes(target.GetText(), current.GetText())) {
            ShowEngineError((TCharString("Unable to create file ") + target.GetText()).GetText());
            // Without a Logo.sys Windows shows its built-in start-up screen.
            if (c == Category::Signon) DeleteFileA(target.GetText());
        }
    }
}

namespace {

// Whether the two open files, both at their start, hold the same bytes.
bool SameBytes(FILE* a, FILE* b) {
    char bufferA[4096], bufferB[4096];
    for (;;) {
        const size_t readA = fread(bufferA, 1, sizeof bufferA, a);
        const size_t readB = fread(bufferB, 1, sizeof bufferB, b);
        if (readA != readB || memcmp(bufferA, bufferB, readA) != 0) return false;
        if (readA < sizeof bufferA) return !ferror(a) && !ferror(b);
    }
}

long FileSize(FILE* file) {
    fseek(file, 0, SEEK_END);
    const long size = ftell(file);
    rewind(file);
    return size;
}

}  // namespace

bool CopyFileBytes(const char* target, const char* source) {
    FilePtr in(fopen(source, "rb"));
    if (!in) return false;
    const long size = FileSize(in.get());
    {
        // A target that holds these bytes already (a category that was not
        // due, a list of one entry) is not written, flushed and replaced
        // again; a protected one still counts as a failure, as ever.
        FilePtr present(fopen(target, "rb"));
        if (present && size >= 0 && FileSize(present.get()) == size && SameBytes(present.get(), in.get())) {
            present.reset();
            return TempFile(target).TargetReplaceable();
        }
    }
    rewind(in.get());
    // The bytes go to a temporary file beside the target first, so a failed
    // copy leaves the target as it was.
    TempFile out(target);
    if (!out.Open("wb")) return false;
    WaitCursor wait;

    char buffer[4096];
    long total = 0;
    for (;;) {
        const size_t read = fread(buffer, 1, sizeof buffer, in.get());
        const size_t written = read ? fwrite(buffer, 1, read, out.Get()) : 0;
        total += static_cast<long>(written);
        if (written == 0 || written != read) break;
    }
    const bool complete = !ferror(in.get()) && total == size;
    in.reset();   // the source may be the target itself: close it before the target is replaced
    return complete && out.Close() && out.Commit();
}
