#include "EditImage.h"

#include <new>
#include <cstring>
#include "MessageBox.h"

namespace {

const char NO_EDITOR_TEXT[] = "There is no 32-bit application defined for editing bitmap images!";
const DWORD VALUE_BUFFER_SIZE = 1024;

// The steps of the look-up that can fail, numbered as the user sees them.
enum EditFailure {
    NoBmpClassKey = 1,
    NoFileClassName,
    NoOpenCommandKey,
    EmptyOpenCommand,
    UnquotedProgram,
    StartFailed
};

void ReportFailure(HWND owner, EditFailure failure) {
    char caption[16];
    wsprintfA(caption, "Error #%d", static_cast<int>(failure));
    ShowMessageBox(owner, NO_EDITOR_TEXT, caption, MB_OK);
}

// Opens `keyName` under HKEY_CLASSES_ROOT and reads its default value into
// `buffer`. Returns 0 when the key does not open, -1 when the value is missing
// or empty, 1 with a zero-terminated, non-empty text.
// The buffer has one byte beyond the VALUE_BUFFER_SIZE read, so that a value
// stored without its terminator is still read as a terminated text.
int ReadClassDefault(const char* keyName, char (&buffer)[VALUE_BUFFER_SIZE + 1]) {
    HKEY key;
    if (RegOpenKeyA(HKEY_CLASSES_ROOT, keyName, &key) != ERROR_SUCCESS)
        return 0;
    DWORD size = VALUE_BUFFER_SIZE;
    LONG result = RegQueryValueExA(key, NULL, NULL, NULL, reinterpret_cast<BYTE*>(buffer), &size);
    RegCloseKey(key);
    if (result != ERROR_SUCCESS)
        return -1;
    buffer[size] = '\0';
    return buffer[0] != '\0' ? 1 : -1;
}

// The program part of a registered open command (from its first double quote
// through the next one), then a space and the quoted path.
bool BuildCommandLine(const char* command, const TCharString& path, TCharString& commandLine) {
    const char* open = std::strchr(command, '"');
    const char* close = open ? std::strchr(open + 1, '"') : NULL;
    if (!close)
        return false;
    commandLine = TCharString(open, 0, static_cast<unsigned int>(close - open + 1));
    commandLine.Append(" \"");
    commandLine.Append(path.GetText());
    commandLine.Append("\"");
    return true;
}

bool StartProcess(const TCharString& commandLine) {
    // CreateProcessA may write into the command line; hand it a private copy.
    char* text = new (std::nothrow) char[commandLine.GetLength() + 1];
    if (!text)
        return false;
    std::memcpy(text, commandLine.GetText(), commandLine.GetLength() + 1);

    STARTUPINFOA startup;
    std::memset(&startup, 0, sizeof startup);
    static_assert(sizeof startup == 68, "the Windows 95 STARTUPINFO");
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process;
    BOOL started = CreateProcessA(NULL, text, NULL, NULL, TRUE, 0, NULL, NULL, &startup, &process);
    delete[] text;
    if (!started)
        return false;
    // The editor runs on its own; we keep no hold on it.
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return true;
}

}  // namespace

void EditImage(HWND owner, const TCharString& path) {
    char fileClass[VALUE_BUFFER_SIZE + 1];
    switch (ReadClassDefault(".bmp", fileClass)) {
    case 0: ReportFailure(owner, NoBmpClassKey); return;
    case -1: ReportFailure(owner, NoFileClassName); return;
    }

    char command[VALUE_BUFFER_SIZE + 1];
    bool started = false;
    try {
        TCharString commandKey(fileClass);
        commandKey.Append("\\shell\\open\\command");
        switch (ReadClassDefault(commandKey.GetText(), command)) {
        case 0: ReportFailure(owner, NoOpenCommandKey); return;
        case -1: ReportFailure(owner, EmptyOpenCommand); return;
        }
        TCharString commandLine;
        if (!BuildCommandLine(command, path, commandLine)) {
            ReportFailure(owner, UnquotedProgram);
            return;
        }
        started = StartProcess(commandLine);
    } catch (const TCharStringException&) {
        // Out of memory while building the command line: nothing was started.
    }
    if (!started)
        ReportFailure(owner, StartFailed);
}
