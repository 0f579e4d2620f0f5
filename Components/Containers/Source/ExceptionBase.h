// Exceptions of the component library.
//
// Every component reports a failure by throwing one of the classes below by
// value. An exception owns private copies of its texts and can render them as
// a printable report; an exception may be built on top of an earlier one, whose
// whole report then becomes part of the new description, newest first.
#pragma once

class TExceptionBase {
public:
    // Every text may be null. The texts are copied; a copy that cannot be
    // allocated leaves its field null, so construction never throws.
    // With a `previous` exception its report is appended to the description
    // under a separator line.
    TExceptionBase(const char* source, const char* module, int line,
                   const char* description, const char* userDescription,
                   const TExceptionBase* previous = nullptr);
    TExceptionBase(const TExceptionBase& other);
    TExceptionBase& operator=(const TExceptionBase& other);
    virtual ~TExceptionBase();

    // The report text, or null when there is nothing to report. The caller owns
    // the result and frees it with delete[].
    virtual char* GetReport() const;

    const char* GetSource() const { return Source; }
    const char* GetModule() const { return Module; }
    int GetLine() const { return Line; }
    const char* GetDescription() const { return Description; }
    const char* GetUserDescription() const { return UserDescription; }

private:
    void CopyFrom(const TExceptionBase& other);
    void FreeTexts();

    char* Source;           // failing class ("class TValVector") or method
    char* Module;           // source file of the throw
    int Line;               // source line of the throw, 0 if unknown
    char* Description;      // what happened, plus the previous report when chained
    char* UserDescription;  // optional explanation for the user
};

// The derived classes add a per-class error code; the user description is
// always null for them.
#define IW_DECLARE_EXCEPTION(Name)                                                  \
    class Name : public TExceptionBase {                                            \
    public:                                                                         \
        Name(int errorCode, const char* source, const char* module, int line,      \
             const char* description, const TExceptionBase* previous = nullptr)     \
            : TExceptionBase(source, module, line, description, nullptr, previous), \
              ErrorCode(errorCode) {}                                               \
        Name(const Name&) = default;                                                \
        Name& operator=(const Name&) = default;                                     \
        ~Name() override {}                                                         \
        int GetErrorCode() const { return ErrorCode; }                              \
                                                                                    \
    private:                                                                        \
        int ErrorCode;                                                              \
    };

IW_DECLARE_EXCEPTION(TCollectionException)
IW_DECLARE_EXCEPTION(TCollectionIteratorException)
IW_DECLARE_EXCEPTION(TCollectionSearcherException)
IW_DECLARE_EXCEPTION(TCharStringException)
IW_DECLARE_EXCEPTION(TDataFileException)
IW_DECLARE_EXCEPTION(TImageException)

#undef IW_DECLARE_EXCEPTION
