// TCharString: the 8-bit, zero-terminated string of the component library.
//
// The text lives in a heap buffer whose capacity grows in multiples of the
// string's block size. Copies share the buffer (a "sharing group": one owner,
// the others linked behind it) until one member changes its text; that member
// first detaches with a private copy. When the owner goes away, the next member
// takes the buffer over. Allocation failures throw TCharStringException code 1
// and leave the string as it was.
#pragma once
#include "ExceptionBase.h"

class TCharString {
public:
    // A count meaning "up to the terminator" and a capacity meaning "the
    // current capacity".
    static constexpr unsigned int AllChars = ~0u;
    static constexpr unsigned int KeepCapacity = ~0u;
    static constexpr unsigned int DefaultBlockSize = 63;

    // Values of the Append justification.
    enum { AlignLeft = 0, AlignCenter = 1, AlignRight = 2 };

    // Empty string; block size and capacity are `blockSize` (at least 1).
    TCharString() : TCharString(DefaultBlockSize) {}
    explicit TCharString(unsigned int blockSize);
    // `count` characters of `text` from `offset` on (AllChars: up to the
    // terminator; never past it). A null text gives the empty default string.
    explicit TCharString(const char* text, unsigned int offset = 0, unsigned int count = AllChars,
                         unsigned int blockSize = DefaultBlockSize);
    // Joins the other string's sharing group; never copies text, never throws.
    TCharString(const TCharString& other);
    TCharString& operator=(const TCharString& other) { Assign(other); return *this; }
    TCharString& operator=(const char* text) { Assign(text); return *this; }
    virtual ~TCharString();

    void Assign(const TCharString& other);   // shares, never throws
    void Assign(const char* text);           // null counts as ""

    // Positions beyond the length are treated as the length.
    void Insert(const char* text, unsigned int position, unsigned int count = AllChars);
    void InsertFill(char fill, unsigned int position, unsigned int count);
    void Delete(unsigned int position, unsigned int count);
    // Replaces `destination`'s text with up to `count` characters of this
    // string from `position` on.
    void CopyRange(TCharString& destination, unsigned int position, unsigned int count) const;
    // Appends `text` justified to Width with FillChar according to Alignment.
    void Append(const char* text);

    // Makes sure this string owns a private buffer of at least `capacity`
    // bytes (rounded up to the block); without `keep` the text becomes empty.
    void Reserve(unsigned int capacity, bool keep);
    // Resizes the buffer to the smallest whole number of blocks holding the text.
    void Compact();

    // Plain concatenations into a new string with default settings.
    TCharString operator+(char character) const;
    TCharString operator+(const char* text) const;

    // Equal lengths and equal texts; the right-hand operand's CaseSensitive
    // decides whether ASCII letters are folded.
    bool operator==(const TCharString& other) const;
    bool operator!=(const TCharString& other) const { return !(*this == other); }

    const char* GetText() const { return Text; }
    unsigned int GetLength() const { return Length; }
    unsigned int GetCapacity() const { return Capacity; }
    unsigned int GetBlockSize() const { return BlockSize; }

    bool IsCaseSensitive() const { return CaseSensitive != 0; }
    void SetCaseSensitive(bool caseSensitive) { CaseSensitive = caseSensitive ? 1 : 0; }
    unsigned int GetWidth() const { return Width; }
    void SetWidth(unsigned int width) { Width = width; }
    char GetFillChar() const { return FillChar; }
    void SetFillChar(char fill) { FillChar = fill; }
    int GetAlignment() const { return Alignment; }
    void SetAlignment(int alignment) { Alignment = alignment; }

protected:
    // Change hooks, each called with starting = true before and false after a
    // change, with the same other arguments. They do nothing here.
    virtual void NotifyCompact(bool starting);
    virtual void NotifyAssign(bool starting);
    virtual void NotifyFill(bool starting, char fill, unsigned int position, unsigned int count);
    virtual void NotifyInsert(bool starting, const char* text, unsigned int position, unsigned int count);
    virtual void NotifyDelete(bool starting, unsigned int position, unsigned int count);

private:
    unsigned int RoundUp(unsigned long long size) const;
    bool Aliases(const char* text) const;
    // Cuts a range to the text: a position past the end becomes the end.
    void ClampRange(unsigned int& position, unsigned int& count) const;
    unsigned int PrepareGap(unsigned int position, unsigned int count);
    char* OpenGap(unsigned int position, unsigned int count);
    // Moves the text into `buffer` (`capacity` bytes), around NotifyCompact.
    void Replace(char* buffer, unsigned int capacity);
    void JoinGroup(const TCharString& other);
    void Release();
    void Adopt(char* buffer, unsigned int capacity);

    char* Text;                // zero-terminated at Length
    unsigned int Length;
    unsigned int BlockSize;
    unsigned int Capacity;     // bytes in Text, terminator included
    unsigned short OwnsText;   // 1: this string frees Text
    TCharString* NextSharer;   // next member of the sharing group
    TCharString* Owner;        // group owner, null for the owner itself
    unsigned short CaseSensitive;
    unsigned int Width;        // minimum width of Append
    char FillChar;             // padding of Append
    int Alignment;             // justification of Append
};
