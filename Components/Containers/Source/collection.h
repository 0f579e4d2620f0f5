// TCollection: the element-type-generic container interface of the component
// library, with the observer that can watch a collection and the abstract
// searcher that a collection hands out.
//
// Concrete collections implement the pure operations; the others are built on
// top of them here. Failures throw TCollectionException (codes below) or, for
// searchers, TCollectionSearcherException.
#pragma once

#include <cstring>
#include <memory>
#include <type_traits>
#include <utility>

#include "ExceptionBase.h"
#include "Iterator.h"

// The module name that the collection base and its searcher report in their exceptions.
inline constexpr char CollectionModule[] = "collection";

// Error codes of TCollectionException.
enum TCollectionError {
    CollectionGeneralFailure = 0,
    CollectionNoMemory = 1,
    CollectionOverLimit = 2,
    CollectionUnderflow = 3,
    CollectionOutOfBounds = 4
};

// Error codes of TCollectionIteratorException and TCollectionSearcherException.
enum TTraversalError {
    TraversalEmptyCollection = 1,
    TraversalOutOfBounds = 2
};

// The fixed description texts of the codes above (null for an unknown code).
const char* CollectionErrorText(int code);
const char* TraversalErrorText(int code);

// The throws of the collection classes, out of line so that all element types
// share them: the collection's exception with the text of CollectionErrorText,
// the iterator's and the searcher's with the text of TraversalErrorText.
[[noreturn]] void ThrowCollectionException(int code, const char* source, const char* module, int line);
[[noreturn]] void ThrowIteratorException(int code, const char* source, const char* module, int line);
[[noreturn]] void ThrowSearcherException(int code, const char* source, const char* module, int line);

// How an operation that looks for an element decides that it matches the probe.
enum TMatchMode {
    MatchValue = 0,           // equal value
    MatchObject = 1,          // the very same object
    MatchValueAndObject = 2   // any other value: both
};

namespace CollectionDetail {
template <class T, class = void>
struct HasEquality : std::false_type {};
template <class T>
struct HasEquality<T, std::void_t<decltype(std::declval<const T&>() == std::declval<const T&>())>>
    : std::true_type {};
}  // namespace CollectionDetail

// Element equality: the element type's own == when it has one; a plain value
// type without padding bytes (a four-byte colour) compares member by member,
// which for such a type is its bytes.
template <class T>
bool CollectionItemsEqual(const T& element, const T& probe) {
    if constexpr (CollectionDetail::HasEquality<T>::value) {
        return static_cast<bool>(element == probe);
    } else {
        static_assert(std::has_unique_object_representations_v<T>,
                      "collection elements need an == operator");
        return std::memcmp(&element, &probe, sizeof(T)) == 0;
    }
}

template <class T>
bool CollectionItemMatches(const T& element, const T& probe, int mode) {
    const bool sameObject = std::addressof(element) == std::addressof(probe);
    if (mode == MatchObject) return sameObject;
    const bool equal = CollectionItemsEqual(element, probe);
    return mode == MatchValue ? equal : equal && sameObject;
}

template <class T> class TCollection;
template <class T> class TCollectionSearcher;

// Watches one collection. The collection sets the back pointer through
// SetCollection, forwards its change notifications here and, when it is
// destroyed, clears the back pointer and calls CollectionDestroyed. All hooks
// do nothing unless overridden.
template <class T>
class TCollectionObserver {
public:
    TCollectionObserver() = default;
    TCollectionObserver(const TCollectionObserver&) = delete;
    TCollectionObserver& operator=(const TCollectionObserver&) = delete;
    virtual ~TCollectionObserver() {
        // Never leave the collection with a pointer to a dead observer.
        if (Collection) Collection->DetachObserver();
    }

    TCollection<T>* GetCollection() const { return Collection; }

    virtual void SetCollection(TCollection<T>* collection) { Collection = collection; }
    virtual void CollectionDestroyed() {}
    virtual void OnInsert(bool /*starting*/, const T& /*item*/, unsigned int /*index*/,
                          unsigned int /*count*/) {}
    virtual void OnRemove(bool /*starting*/, unsigned int /*index*/, unsigned int /*count*/,
                          const T* /*element*/) {}
    virtual void OnChange(bool /*starting*/, const T* /*value*/) {}
    virtual void OnIteratorCreated(bool /*starting*/, TCollectionIterator<T>* /*iterator*/) {}
    virtual void OnSearcherCreated(bool /*starting*/, TCollectionSearcher<T>* /*searcher*/) {}

private:
    TCollection<T>* Collection = nullptr;
};

// Looks for items within a sub-range of a collection. A new searcher has an
// empty range starting at 0 and compares by value; set both before searching.
template <class T>
class TCollectionSearcher {
public:
    explicit TCollectionSearcher(TCollection<T>* collection) : Collection(collection) {}
    TCollectionSearcher(const TCollectionSearcher&) = delete;
    TCollectionSearcher& operator=(const TCollectionSearcher&) = delete;
    virtual ~TCollectionSearcher() = default;

    // Looks from RangeStart + offset to the end of the range; on a match
    // stores the absolute index of the first matching item and answers true.
    virtual bool Find(const T& item, unsigned int& index, unsigned int offset = 0) = 0;
    // Number of matches within the range.
    virtual unsigned int CountMatches(const T& item);
    // Whether the item occurs anywhere in the collection; the range is kept.
    virtual bool Contains(const T& item);

    void SetRange(unsigned int start, unsigned int length) {
        NotifyRange(true);
        RangeStart = start;
        RangeLength = length;
        NotifyRange(false);
    }
    unsigned int GetRangeStart() const { return RangeStart; }
    unsigned int GetRangeLength() const { return RangeLength; }

    void SetMatchMode(int mode) {
        NotifyMatchMode(true, mode);
        MatchMode = mode;
        NotifyMatchMode(false, mode);
    }
    int GetMatchMode() const { return MatchMode; }

protected:
    virtual void NotifyRange(bool /*starting*/) {}
    virtual void NotifyMatchMode(bool /*starting*/, int /*mode*/) {}

    TCollection<T>* Collection;
    unsigned int RangeStart = 0;
    unsigned int RangeLength = 0;
    int MatchMode = MatchValue;

private:
    [[noreturn]] static void Fail(int code, int line) {
        static constexpr char source[] = "class TCollectionSearcher";  // shared, not one copy per source file
        ThrowSearcherException(code, source, CollectionModule, line);
    }
};

template <class T>
class TCollection {
public:
    static constexpr unsigned int Unlimited = ~0u;

    TCollection() = default;
    virtual ~TCollection() {
        if (TCollectionObserver<T>* observer = Observer) {
            Observer = nullptr;
            observer->SetCollection(nullptr);
            observer->CollectionDestroyed();
        }
    }

    virtual void InsertFirst(const T& item, unsigned int count = 1) { InsertAt(item, 0, count); }
    virtual void InsertAt(const T& item, unsigned int index, unsigned int count = 1) = 0;
    virtual void InsertLast(const T& item, unsigned int count = 1) { InsertAt(item, GetCount(), count); }

    virtual void RemoveFirst(unsigned int count = 1) { RemoveAt(0, count); }
    // Removes the first item that matches under the match mode; nothing when
    // there is none.
    virtual void Remove(const T& item);
    virtual void RemoveAt(unsigned int index, unsigned int count = 1) = 0;
    virtual void RemoveLast(unsigned int count = 1) {
        if (GetCount() < count) Fail(CollectionUnderflow, __LINE__);
        RemoveAt(GetCount() - count, count);
    }
    virtual void RemoveAll() {
        if (GetCount() != 0) RemoveFirst(GetCount());
    }

    // The Detach family removes like the Remove family and hands the caller a
    // new heap copy of the first removed item (null when nothing was found).
    virtual T* DetachFirst(unsigned int count = 1) { return DetachAt(0, count); }
    virtual T* Detach(const T& item);
    virtual T* DetachAt(unsigned int index, unsigned int count = 1) = 0;
    virtual T* DetachLast(unsigned int count = 1) {
        if (GetCount() < count) Fail(CollectionUnderflow, __LINE__);
        return DetachAt(GetCount() - count, count);
    }
    virtual T* DetachAll() { return GetCount() != 0 ? DetachFirst(GetCount()) : nullptr; }

    // Pointer to the element, valid until the next insertion or removal.
    virtual T* At(unsigned int index) = 0;
    const T* At(unsigned int index) const { return const_cast<TCollection*>(this)->At(index); }
    virtual unsigned int GetCount() const = 0;
    virtual unsigned int GetMinimumCapacity() const = 0;
    virtual unsigned int GetLimit() const = 0;
    virtual bool IsFull() const = 0;
    // Whether the collection keeps its own copies of the items.
    virtual bool StoresValues() const = 0;
    // Whether the collection keeps its items in key order.
    virtual bool IsSorted() const = 0;

    // New companion objects, owned by the caller; they must not outlive the
    // collection.
    virtual TCollectionIterator<T>* CreateIterator() = 0;
    virtual TCollectionSearcher<T>* CreateSearcher() = 0;

    int GetMatchMode() const { return MatchMode; }
    void SetMatchMode(int mode) { MatchMode = mode; }

    // One observer at a time; attaching another one detaches the previous.
    void AttachObserver(TCollectionObserver<T>* observer) {
        if (observer == Observer) return;
        if (Observer) DetachObserver();
        if (observer && observer->GetCollection()) observer->GetCollection()->DetachObserver();
        OnAttach(true, observer);
        Observer = observer;
        if (observer) observer->SetCollection(this);
        OnAttach(false, observer);
    }
    void DetachObserver() {
        TCollectionObserver<T>* observer = Observer;
        if (!observer) return;
        OnDetach(true, observer);
        Observer = nullptr;
        observer->SetCollection(nullptr);
        OnDetach(false, observer);
    }
    TCollectionObserver<T>* GetObserver() const { return Observer; }

protected:
    // Observer and match mode belong to the object: copies start without an
    // observer and with the default mode, and assignment keeps both.
    TCollection(const TCollection&) {}
    TCollection& operator=(const TCollection&) { return *this; }

    // Change notifications, each called with starting = true before and false
    // after a change; forwarded to the observer when there is one.
    virtual void OnInsert(bool starting, const T& item, unsigned int index, unsigned int count) {
        if (Observer) Observer->OnInsert(starting, item, index, count);
    }
    virtual void OnRemove(bool starting, unsigned int index, unsigned int count, const T* element) {
        if (Observer) Observer->OnRemove(starting, index, count, element);
    }
    virtual void OnChange(bool starting, const T* value) {
        if (Observer) Observer->OnChange(starting, value);
    }
    virtual void OnIteratorCreated(bool starting, TCollectionIterator<T>* iterator) {
        if (Observer) Observer->OnIteratorCreated(starting, iterator);
    }
    virtual void OnSearcherCreated(bool starting, TCollectionSearcher<T>* searcher) {
        if (Observer) Observer->OnSearcherCreated(starting, searcher);
    }
    virtual void OnAttach(bool /*starting*/, TCollectionObserver<T>* /*observer*/) {}
    virtual void OnDetach(bool /*starting*/, TCollectionObserver<T>* /*observer*/) {}

private:
    // Finds the item with a searcher over the whole collection.
    bool Search(const T& item, unsigned int& index) {
        const std::unique_ptr<TCollectionSearcher<T>> searcher(CreateSearcher());
        searcher->SetRange(0, GetCount());
        searcher->SetMatchMode(MatchMode);
        return searcher->Find(item, index, 0);
    }

    [[noreturn]] static void Fail(int code, int line) {
        static constexpr char source[] = "class TCollection";  // shared, not one copy per source file
        ThrowCollectionException(code, source, CollectionModule, line);
    }

    TCollectionObserver<T>* Observer = nullptr;
    int MatchMode = MatchValue;
};

template <class T>
void TCollection<T>::Remove(const T& item) {
    try {
        unsigned int index = 0;
        if (Search(item, index)) RemoveAt(index, 1);
    } catch (...) {
        Fail(CollectionGeneralFailure, __LINE__);
    }
}

template <class T>
T* TCollection<T>::Detach(const T& item) {
    try {
        unsigned int index = 0;
        return Search(item, index) ? DetachAt(index, 1) : nullptr;
    } catch (...) {
        Fail(CollectionGeneralFailure, __LINE__);
    }
}

template <class T>
unsigned int TCollectionSearcher<T>::CountMatches(const T& item) {
    const unsigned int items = Collection->GetCount();
    if (items == 0) Fail(TraversalEmptyCollection, __LINE__);
    if (RangeStart >= items || static_cast<unsigned long long>(RangeStart) + RangeLength > items)
        Fail(TraversalOutOfBounds, __LINE__);
    // Each search resumes just behind the previous match. A match on the last
    // item of the range ends the count: searching on from behind it would
    // fail for an offset outside the range.
    unsigned int matches = 0;
    unsigned int index = 0;
    unsigned int offset = 0;
    while (Find(item, index, offset)) {
        ++matches;
        offset = index - RangeStart + 1;
        if (offset == RangeLength) break;
    }
    return matches;
}

template <class T>
bool TCollectionSearcher<T>::Contains(const T& item) {
    const unsigned int items = Collection->GetCount();
    if (items == 0) Fail(TraversalEmptyCollection, __LINE__);
    const unsigned int start = RangeStart;
    const unsigned int length = RangeLength;
    SetRange(0, items);
    unsigned int index = 0;
    bool found = false;
    try {
        found = Find(item, index, 0);
    } catch (...) {
        SetRange(start, length);
        throw;
    }
    SetRange(start, length);
    return found;
}
