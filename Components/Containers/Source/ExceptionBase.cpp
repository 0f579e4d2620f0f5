#include "ExceptionBase.h"

#include <cstring>
#include <initializer_list>
#include <new>

namespace {

const char Separator[] = "\nv------v Previous Exception v------v\n\n";
const char NoReportMemory[] = "TExceptionBase: Unable to allocate report memory!";

bool Present(const char* text)
{
    return text && *text;
}

// A private copy of `text`; null when there is none or no memory for it.
char* Duplicate(const char* text)
{
    if (!text)
        return nullptr;
    const std::size_t size = std::strlen(text) + 1;
    char* copy = new (std::nothrow) char[size];
    if (copy)
        std::memcpy(copy, text, size);
    return copy;
}

// Writes `head`, `text` and a line feed at `out` when the text is present;
// returns the new end.
char* PutSection(char* out, const char* head, const char* text)
{
    if (!Present(text))
        return out;
    for (const char* part : {head, text, "\n"}) {
        const std::size_t length = std::strlen(part);
        std::memcpy(out, part, length);
        out += length;
    }
    return out;
}

// Writes `head`, `number` in decimal and a line feed at `out`; returns the
// new end. (No printf: in a Windows build it would bring a whole formatter.)
char* PutNumber(char* out, const char* head, int number)
{
    const std::size_t length = std::strlen(head);
    std::memcpy(out, head, length);
    out += length;
    unsigned int magnitude = number < 0 ? 0u - static_cast<unsigned int>(number) : static_cast<unsigned int>(number);
    char digits[12];
    int count = 0;
    do {
        digits[count++] = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    if (number < 0)
        *out++ = '-';
    while (count > 0)
        *out++ = digits[--count];
    *out++ = '\n';
    return out;
}

std::size_t SectionSize(const char* text, std::size_t overhead)
{
    return Present(text) ? std::strlen(text) + overhead : 0;
}

}  // namespace

TExceptionBase::TExceptionBase(const char* source, const char* module, int line,
                               const char* description, const char* userDescription,
                               const TExceptionBase* previous)
    : Source(Duplicate(source)), Module(Duplicate(module)), Line(line), Description(nullptr),
      UserDescription(Duplicate(userDescription))
{
    char* previousReport = previous ? previous->GetReport() : nullptr;
    if (previousReport) {
        // The new text (if one was given, even an empty one) on its own line,
        // the separator, then the older report, so that a chain prints newest
        // first.
        const std::size_t textLength = description ? std::strlen(description) + 1 : 0;
        const std::size_t reportLength = std::strlen(previousReport);
        Description = new (std::nothrow) char[textLength + sizeof(Separator) - 1 + reportLength + 1];
        if (Description) {
            char* out = Description;
            if (textLength) {
                std::memcpy(out, description, textLength - 1);
                out[textLength - 1] = '\n';
                out += textLength;
            }
            std::memcpy(out, Separator, sizeof(Separator) - 1);
            std::memcpy(out + sizeof(Separator) - 1, previousReport, reportLength + 1);
        }
        delete[] previousReport;
    }
    if (!Description)
        Description = Duplicate(description);
}

TExceptionBase::TExceptionBase(const TExceptionBase& other)
{
    CopyFrom(other);
}

TExceptionBase& TExceptionBase::operator=(const TExceptionBase& other)
{
    if (this != &other) {
        FreeTexts();
        CopyFrom(other);
    }
    return *this;
}

TExceptionBase::~TExceptionBase()
{
    FreeTexts();
}

void TExceptionBase::CopyFrom(const TExceptionBase& other)
{
    Source = Duplicate(other.Source);
    Module = Duplicate(other.Module);
    Line = other.Line;
    Description = Duplicate(other.Description);
    UserDescription = Duplicate(other.UserDescription);
}

void TExceptionBase::FreeTexts()
{
    delete[] Source;
    delete[] Module;
    delete[] Description;
    delete[] UserDescription;
}

char* TExceptionBase::GetReport() const
{
    // Each section's size covers its heading, its text and the line feed; a
    // line number takes at most 11 characters.
    const std::size_t size = 1 + SectionSize(Source, 10) + SectionSize(Module, 10) + (Line ? 21 : 0) +
                             SectionSize(Description, 16) + SectionSize(UserDescription, 21);
    if (size == 1)
        return nullptr;

    char* report = new (std::nothrow) char[size];
    if (!report) {
        report = new (std::nothrow) char[sizeof(NoReportMemory)];
        if (report)
            std::memcpy(report, NoReportMemory, sizeof(NoReportMemory));
        return report;
    }

    char* out = PutSection(report, "Source: ", Source);
    out = PutSection(out, "Module: ", Module);
    if (Line)
        out = PutNumber(out, "Line #: ", Line);
    out = PutSection(out, "[User Description]\n", UserDescription);
    out = PutSection(out, "[Description]\n", Description);
    *out = '\0';
    return report;
}
