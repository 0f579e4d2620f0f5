#include "CharString.h"

#include <cstring>
#include <functional>
#include <new>

namespace {

constexpr char CharStringModule[] = "CharString";  // the module named in exceptions

// Number of characters of `text`, at most `count`: never reads past the terminator.
unsigned int Measure(const char* text, unsigned int count)
{
    unsigned int length = 0;
    while (length < count && text[length])
        ++length;
    return length;
}

[[noreturn]] void ThrowNoMemory()
{
    throw TCharStringException(1, "class TCharString", CharStringModule, __LINE__, "Unable to allocate memory");
}

char* Allocate(unsigned int size)
{
    char* buffer = new (std::nothrow) char[size];
    if (!buffer)
        ThrowNoMemory();
    return buffer;
}

char FoldCase(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

}  // namespace

TCharString::TCharString(unsigned int blockSize) : TCharString("", 0, 0, blockSize) {}

TCharString::TCharString(const char* text, unsigned int offset, unsigned int count, unsigned int blockSize)
    : Text(nullptr), Length(0), BlockSize(!text ? DefaultBlockSize : blockSize ? blockSize : 1),
      Capacity(BlockSize), OwnsText(1), NextSharer(nullptr), Owner(nullptr), CaseSensitive(1), Width(0),
      FillChar(' '), Alignment(AlignRight)
{
    if (text) {
        text += Measure(text, offset);   // an offset past the end means the end
        Length = Measure(text, count);
        if (Capacity < Length + 1)
            Capacity = Length + 1;
    }
    Text = Allocate(Capacity);
    if (Length)
        std::memcpy(Text, text, Length);
    Text[Length] = '\0';
}

TCharString::TCharString(const TCharString& other)
    : Text(nullptr), Length(0), BlockSize(0), Capacity(0), OwnsText(0), NextSharer(nullptr), Owner(nullptr),
      CaseSensitive(1), Width(0), FillChar(' '), Alignment(AlignRight)
{
    JoinGroup(other);
}

TCharString::~TCharString()
{
    Release();
}

void TCharString::Assign(const TCharString& other)
{
    if (&other == this)
        return;
    NotifyAssign(true);
    Release();
    JoinGroup(other);
    NotifyAssign(false);
}

void TCharString::Assign(const char* text)
{
    if (!text)
        text = "";
    if (Aliases(text)) {   // our buffer may be replaced or cleared below
        const TCharString copy(text);
        Assign(copy.Text);
        return;
    }
    const unsigned int length = Measure(text, AllChars);
    Reserve(RoundUp(length + 1ull), false);
    NotifyAssign(true);
    std::memcpy(Text, text, length + 1);
    Length = length;
    NotifyAssign(false);
}

void TCharString::Insert(const char* text, unsigned int position, unsigned int count)
{
    if (!text)
        text = "";
    count = Measure(text, count);
    if (count && Aliases(text)) {   // our buffer is about to move
        const TCharString part(text, 0, count);
        Insert(part.Text, position, count);
        return;
    }
    position = PrepareGap(position, count);
    NotifyInsert(true, text, position, count);
    std::memcpy(OpenGap(position, count), text, count);
    NotifyInsert(false, text, position, count);
}

void TCharString::InsertFill(char fill, unsigned int position, unsigned int count)
{
    position = PrepareGap(position, count);
    NotifyFill(true, fill, position, count);
    std::memset(OpenGap(position, count), fill, count);
    NotifyFill(false, fill, position, count);
}

void TCharString::Delete(unsigned int position, unsigned int count)
{
    ClampRange(position, count);
    Reserve(KeepCapacity, true);
    // The compacted buffer is secured before the text changes, so that a
    // failure leaves the string as it was.
    const unsigned int capacity = RoundUp(Length - count + 1ull);
    char* buffer = capacity == Capacity ? nullptr : Allocate(capacity);
    NotifyDelete(true, position, count);
    std::memmove(Text + position, Text + position + count, Length - position - count + 1);
    Length -= count;
    NotifyDelete(false, position, count);
    if (buffer)
        Replace(buffer, capacity);
}

void TCharString::CopyRange(TCharString& destination, unsigned int position, unsigned int count) const
{
    if (&destination == this) {   // clearing the destination would clear the source
        TCharString part(BlockSize);
        CopyRange(part, position, count);
        destination.Assign(part);
        return;
    }
    ClampRange(position, count);

    // The buffer for the result is secured before the destination is touched.
    const unsigned int capacity = destination.RoundUp(count + 1ull);
    const bool owned = destination.OwnsText && !destination.NextSharer;
    char* buffer = owned && destination.Capacity == capacity ? nullptr : Allocate(capacity);

    const unsigned int oldLength = destination.Length;
    destination.NotifyDelete(true, 0, oldLength);
    if (owned) {
        destination.Text[0] = '\0';
        destination.Length = 0;
        if (buffer)
            destination.Replace(buffer, capacity);   // its own buffer, resized
    } else {
        buffer[0] = '\0';
        destination.Length = 0;
        destination.Adopt(buffer, capacity);   // leaves the sharing group
    }
    destination.NotifyDelete(false, 0, oldLength);
    destination.Insert(Text + position, 0, count);
}

void TCharString::Append(const char* text)
{
    if (!text)
        text = "";
    const unsigned int length = Measure(text, AllChars);
    if (length >= Width) {
        Insert(text, Length, length);
        return;
    }
    if (Aliases(text)) {   // our buffer may move in the Reserve below
        const TCharString copy(text);
        Append(copy.Text);
        return;
    }
    // Room for everything first, so that a failure leaves the string as it was.
    Reserve(RoundUp(Length + Width + 1ull), true);
    const unsigned int padding = Width - length;
    const unsigned int before = Alignment == AlignLeft ? 0 : Alignment == AlignCenter ? padding / 2 : padding;
    if (before)
        InsertFill(FillChar, Length, before);
    Insert(text, Length, length);
    if (padding > before)
        InsertFill(FillChar, Length, padding - before);
}

void TCharString::Reserve(unsigned int capacity, bool keep)
{
    if (capacity == KeepCapacity)
        capacity = Capacity;
    else
        capacity = capacity ? RoundUp(capacity) : 1;

    if (OwnsText && !NextSharer && Capacity >= capacity) {
        if (!keep) {
            Text[0] = '\0';
            Length = 0;
        }
        return;
    }

    char* buffer = Allocate(capacity);
    const unsigned int kept = !keep ? 0 : Length < capacity ? Length : capacity - 1;
    std::memcpy(buffer, Text, kept);
    buffer[kept] = '\0';
    Length = kept;
    Adopt(buffer, capacity);
}

void TCharString::Compact()
{
    const unsigned int capacity = RoundUp(Length + 1ull);
    if (capacity != Capacity)
        Replace(Allocate(capacity), capacity);
}

TCharString TCharString::operator+(char character) const
{
    TCharString result(Text, 0, Length);
    const char text[2] = {character, '\0'};
    result.Append(text);
    return result;
}

TCharString TCharString::operator+(const char* text) const
{
    TCharString result(Text, 0, Length);
    result.Insert(text, result.Length);
    return result;
}

bool TCharString::operator==(const TCharString& other) const
{
    if (Length != other.Length)
        return false;
    if (other.CaseSensitive)
        return std::memcmp(Text, other.Text, Length) == 0;
    for (unsigned int i = 0; i < Length; ++i) {
        if (FoldCase(Text[i]) != FoldCase(other.Text[i]))
            return false;
    }
    return true;
}

void TCharString::NotifyCompact(bool) {}
void TCharString::NotifyAssign(bool) {}
void TCharString::NotifyFill(bool, char, unsigned int, unsigned int) {}
void TCharString::NotifyInsert(bool, const char*, unsigned int, unsigned int) {}
void TCharString::NotifyDelete(bool, unsigned int, unsigned int) {}

unsigned int TCharString::RoundUp(unsigned long long size) const
{
    const unsigned long long rounded = size % BlockSize ? BlockSize * (size / BlockSize + 1) : size;
    if (rounded >= KeepCapacity)   // no buffer of 4 GB on this platform
        ThrowNoMemory();
    return static_cast<unsigned int>(rounded);
}

bool TCharString::Aliases(const char* text) const
{
    const std::less<const char*> before;
    return !before(text, Text) && before(text, Text + Capacity);
}

void TCharString::ClampRange(unsigned int& position, unsigned int& count) const
{
    if (position > Length)
        position = Length;
    if (count > Length - position)
        count = Length - position;
}

unsigned int TCharString::PrepareGap(unsigned int position, unsigned int count)
{
    Reserve(RoundUp(Length + 1ull + count), true);
    return position < Length ? position : Length;
}

char* TCharString::OpenGap(unsigned int position, unsigned int count)
{
    std::memmove(Text + position + count, Text + position, Length - position + 1);
    Length += count;
    return Text + position;
}

void TCharString::Replace(char* buffer, unsigned int capacity)
{
    // The new buffer is allocated by the caller beforehand: a failure then
    // throws before anything, hooks included, has happened.
    NotifyCompact(true);
    std::memcpy(buffer, Text, Length + 1);
    Adopt(buffer, capacity);
    NotifyCompact(false);
}

void TCharString::JoinGroup(const TCharString& other)
{
    TCharString* owner = other.Owner ? other.Owner : const_cast<TCharString*>(&other);
    TCharString* last = owner;
    while (last->NextSharer)
        last = last->NextSharer;
    last->NextSharer = this;

    Text = other.Text;
    Length = other.Length;
    BlockSize = other.BlockSize;
    Capacity = other.Capacity;
    OwnsText = 0;
    NextSharer = nullptr;
    Owner = owner;
    CaseSensitive = other.CaseSensitive;
    Width = other.Width;
    FillChar = other.FillChar;
    Alignment = other.Alignment;
}

void TCharString::Release()
{
    if (!OwnsText) {
        TCharString* previous = Owner;
        while (previous->NextSharer != this)
            previous = previous->NextSharer;
        previous->NextSharer = NextSharer;
    } else if (NextSharer) {
        // The next member inherits the buffer and becomes the group's owner.
        TCharString* heir = NextSharer;
        heir->OwnsText = 1;
        heir->Owner = nullptr;
        for (TCharString* member = heir->NextSharer; member; member = member->NextSharer)
            member->Owner = heir;
    } else {
        delete[] Text;
    }
    Text = nullptr;
    NextSharer = nullptr;
    Owner = nullptr;
    OwnsText = 0;
}

void TCharString::Adopt(char* buffer, unsigned int capacity)
{
    Release();
    Text = buffer;
    Capacity = capacity;
    OwnsText = 1;
}
