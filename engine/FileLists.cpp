// File lists: a list file and a current-file file per category.
#include "EngineInternal.h"
#include <algorithm>
#include <cstring>

const char ORIGINAL_ENTRY[] = "[Original] (not cycled)";

FileList::FileList() : Entries(1, 1) {}

namespace {

// Reads lines of at most 255 characters; a longer line comes back in several
// pieces, each one an entry of its own.
class LineReader {
public:
    explicit LineReader(FILE* file) : File(file) {}

    // The next line or piece without its line end; null at the end of the file.
    const char* Next() {
        for (;;) {
            if (!fgets(Buffer, sizeof Buffer, File)) return nullptr;
            size_t length = strlen(Buffer);
            const bool lineEnded = length > 0 && Buffer[length - 1] == '\n';
            const bool continuesPiece = InsideLine;
            InsideLine = !lineEnded;
            while (length > 0 && (Buffer[length - 1] == '\n' || Buffer[length - 1] == '\r')) Buffer[--length] = '\0';
            // The line end right after a piece that filled the buffer is not
            // a line of its own.
            if (length == 0 && lineEnded && continuesPiece) continue;
            return Buffer;
        }
    }

private:
    FILE* File;
    char Buffer[256];
    bool InsideLine = false;
};

bool HasOriginalEntry(Category category) {
    switch (category) {
    case Category::Signon: return true;
    case Category::Shutdown: return FileExists(".\\OriginalLogos\\Logow.sys");
    case Category::Signoff: return FileExists(".\\OriginalLogos\\Logos.sys");
    default: return false;
    }
}

// Where the text of a file goes, piece by piece.
class TextSink {
public:
    virtual void Put(const char* data, size_t length) = 0;

protected:
    ~TextSink() = default;
};

// Whether the file at `path` holds exactly the pieces put, and nothing after
// them (false for a file that cannot be read).
class SameContent final : public TextSink {
public:
    explicit SameContent(const char* path) : File(fopen(path, "rb")), Same(File != nullptr) {}

    void Put(const char* data, size_t length) override {
        char buffer[4096];
        while (Same && length > 0) {
            const size_t part = std::min(length, sizeof buffer);
            Same = fread(buffer, 1, part, File.get()) == part && memcmp(buffer, data, part) == 0;
            data += part;
            length -= part;
        }
    }

    // Asked once every piece has been put; closes the file (it may be
    // replaced next).
    bool Result() {
        if (File) {
            Same = Same && fgetc(File.get()) == EOF && !ferror(File.get());
            File.reset();
        }
        return Same;
    }

private:
    FilePtr File;
    bool Same;
};

// Writes the pieces to a file; a failed write shows in the stream's error
// state, which TempFile::Close checks.
class FileSink final : public TextSink {
public:
    explicit FileSink(FILE* file) : File(file) {}
    void Put(const char* data, size_t length) override { fwrite(data, 1, length, File); }

private:
    FILE* File;
};

// The text of a list file, one entry a line ("\r\n"), the original entry of a
// logo list left out, put in blocks of many lines: a piece a line costs more
// than everything else of saving a long list.
void PutListText(const FileList& list, bool logoList, TextSink& sink) {
    const TCharString original(ORIGINAL_ENTRY);   // made once, not once per entry
    char block[16384];
    size_t used = 0;
    for (unsigned int i = 0; i < list.Entries.GetCount(); ++i) {
        const TCharString& entry = *list.Entries.At(i);
        if (logoList && entry == original) continue;
        const char* text = entry.GetText();
        const size_t length = strlen(text);
        if (used + length + 2 > sizeof block) {
            sink.Put(block, used);
            used = 0;
        }
        if (length + 2 > sizeof block) {
            sink.Put(text, length);
            sink.Put("\r\n", 2);
            continue;
        }
        memcpy(block + used, text, length);
        used += length;
        block[used++] = '\r';
        block[used++] = '\n';
    }
    sink.Put(block, used);
}

// The text of a current-file file: the current entry and a line end.
void PutCurrentText(const FileList& list, TextSink& sink) {
    sink.Put(list.Current.GetText(), strlen(list.Current.GetText()));
    sink.Put("\r\n", 2);
}

}  // namespace

void LoadFileList(Category category, const CategorySettings& settings, FileList& list) {
    RecoverReplacedFile(settings.ListFileName.GetText());
    RecoverReplacedFile(settings.CurrentFileName.GetText());
    FilePtr listFile(fopen(settings.ListFileName.GetText(), "r"));
    if (!listFile) {
        // A list file that is there but cannot be opened (another program
        // holds it) keeps the user's list: nothing may be saved over it.
        list.LoadFailed = !FileAbsent(settings.ListFileName.GetText());
        return;
    }
    // Until the whole list is in memory, what memory holds is not the list.
    list.LoadFailed = true;

    // The lines are counted first so that the vector holds every entry from
    // the start: appending to a vector that grows by one entry at a time would
    // copy the whole list at every line.
    unsigned int count = 0;
    for (LineReader counter(listFile.get()); counter.Next();) ++count;
    if (ferror(listFile.get())) return;
    rewind(listFile.get());
    const bool original = count != 0 && HasOriginalEntry(category);

    TValVector<TCharString> entries(std::max(count + (original ? 1 : 0), 1u), 1);
    LineReader lines(listFile.get());
    while (const char* line = lines.Next()) entries.InsertLast(TCharString(line));
    if (ferror(listFile.get())) return;

    TCharString current;
    if (entries.GetCount() != 0) {
        // Another program may have written the file between the two readings.
        if (count != 0 ? original : HasOriginalEntry(category)) entries.InsertLast(TCharString(ORIGINAL_ENTRY));
        // Without its current-file file (deleted as clutter, or a list
        // brought from another machine) the list still counts: its cycle
        // starts again from the first entry.
        FilePtr currentFile(fopen(settings.CurrentFileName.GetText(), "r"));
        if (currentFile) {
            LineReader currentLine(currentFile.get());
            if (const char* line = currentLine.Next()) current = line;
        }
    }
    list.Entries = entries;
    list.Current = current;
    list.LoadFailed = false;
}

bool SaveFileList(Category category, const CategorySettings& settings, const FileList& list) {
    // A list that could not be read is never written over the file that
    // holds it; once that file is gone there is nothing left to lose.
    if (list.LoadFailed && !FileAbsent(settings.ListFileName.GetText())) return false;
    const bool logoList = category != Category::Wallpaper;
    // A file that holds its text already (the list of a cycle run, which
    // moves only the current file) is not written, flushed and replaced again.
    SameContent sameList(settings.ListFileName.GetText());
    PutListText(list, logoList, sameList);
    SameContent sameCurrent(settings.CurrentFileName.GetText());
    PutCurrentText(list, sameCurrent);

    // Both files are written completely under temporary names first, so a
    // failure never leaves one of them empty or cut short.
    TempFile listFile(settings.ListFileName.GetText());
    if (!sameList.Result()) {
        if (!listFile.Open("wb")) return false;
        FileSink sink(listFile.Get());
        PutListText(list, logoList, sink);
        if (!listFile.Close()) return false;
    }
    TempFile currentFile(settings.CurrentFileName.GetText());
    if (!sameCurrent.Result()) {
        if (!currentFile.Open("wb")) return false;
        FileSink sink(currentFile.Get());
        PutCurrentText(list, sink);
        if (!currentFile.Close()) return false;
    }

    // Neither file is replaced unless both can be.
    if (!listFile.TargetReplaceable() || !currentFile.TargetReplaceable()) return false;
    return (sameList.Result() || listFile.Commit()) && (sameCurrent.Result() || currentFile.Commit());
}
