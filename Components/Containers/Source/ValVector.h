// TValVector: the growable vector of values of the component library, with
// its iterator and searcher.
//
// The storage holds Capacity value-initialised elements. It grows to the
// needed item count rounded up to the growth increment (never beyond the
// limit) and, after every removal, is reallocated to the larger of the
// minimum capacity and the item count, rounded up the same way. Elements move
// by assignment, so string elements share their text instead of copying it.
// A failed operation throws TCollectionException and leaves the vector as it
// was; a failed shrink is not an error.
#pragma once

#include <algorithm>
#include <memory>
#include <new>

#include "collection.h"

// The module name that the vector, its iterator and its searcher report in their exceptions.
inline constexpr char ValVectorModule[] = "ValVector";

template <class T> class TValVectorIterator;
template <class T> class TValVectorSearcher;

template <class T>
class TValVector : public virtual TCollection<T> {
public:
    explicit TValVector(unsigned int initialCapacity = 1, unsigned int growBy = 1,
                        unsigned int limit = TCollection<T>::Unlimited)
        : Capacity(initialCapacity), MinimumCapacity(initialCapacity), Limit(limit), GrowBy(growBy),
          Count(0), Items(Allocate(initialCapacity)) {
        if (!Items) Fail(CollectionNoMemory, __LINE__);
    }
    TValVector(const TValVector& other)
        : TCollection<T>(other), Capacity(other.Capacity), MinimumCapacity(other.MinimumCapacity),
          Limit(other.Limit), GrowBy(other.GrowBy), Count(other.Count), Items(nullptr) {
        std::unique_ptr<T[]> items(Allocate(Capacity));
        if (!items) Fail(CollectionNoMemory, __LINE__);
        std::copy(other.Items, other.Items + Count, items.get());
        Items = items.release();
    }
    TValVector& operator=(const TValVector& other) {
        if (this == &other) return *this;
        std::unique_ptr<T[]> items(Allocate(other.Capacity));
        if (!items) Fail(CollectionNoMemory, __LINE__);
        std::copy(other.Items, other.Items + other.Count, items.get());
        delete[] Items;
        Items = items.release();
        Capacity = other.Capacity;
        MinimumCapacity = other.MinimumCapacity;
        Limit = other.Limit;
        GrowBy = other.GrowBy;
        Count = other.Count;
        return *this;
    }
    ~TValVector() override { delete[] Items; }

    // Same item count and equal items at every index.
    virtual bool operator==(const TValVector& other) const {
        return Count == other.Count &&
               std::equal(Items, Items + Count, other.Items, CollectionItemsEqual<T>);
    }
    virtual bool operator!=(const TValVector& other) const { return !(*this == other); }

    void InsertAt(const T& item, unsigned int index, unsigned int count = 1) override;
    void Remove(const T& item) override {
        unsigned int index = 0;
        if (Find(item, index)) RemoveAt(index, 1);
    }
    void RemoveAt(unsigned int index, unsigned int count = 1) override;
    void RemoveAll() override;
    T* Detach(const T& item) override {
        unsigned int index = 0;
        return Find(item, index) ? DetachAt(index, 1) : nullptr;
    }
    T* DetachAt(unsigned int index, unsigned int count = 1) override;

    using TCollection<T>::At;
    T* At(unsigned int index) override {
        if (index >= Count) Fail(CollectionOutOfBounds, __LINE__);
        return Items + index;
    }
    unsigned int GetCount() const override { return Count; }
    unsigned int GetMinimumCapacity() const override { return MinimumCapacity; }
    unsigned int GetLimit() const override { return Limit; }
    bool IsFull() const override { return Limit == Count; }
    bool StoresValues() const override { return true; }
    bool IsSorted() const override { return false; }
    unsigned int GetCapacity() const { return Capacity; }
    unsigned int GetGrowBy() const { return GrowBy; }

    TCollectionIterator<T>* CreateIterator() override;
    TCollectionSearcher<T>* CreateSearcher() override;

protected:
    // Called with true before and false after the reallocation that shrinks
    // the storage.
    virtual void NotifyShrink(bool /*starting*/) {}

private:
    // New value-initialised storage, or null when it cannot be had (including
    // an element constructor that throws).
    static T* Allocate(unsigned int capacity) {
        try {
            return new (std::nothrow) T[capacity]();
        } catch (...) {
            return nullptr;
        }
    }
    // n rounded up to a whole number of growth increments (0 counts as 1).
    unsigned long long RoundUp(unsigned long long n) const {
        const unsigned long long step = GrowBy ? GrowBy : 1;
        return (n + step - 1) / step * step;
    }
    // Linear search from index 0 under the collection's match mode.
    bool Find(const T& item, unsigned int& index) const {
        for (index = 0; index < Count; ++index)
            if (CollectionItemMatches(Items[index], item, this->GetMatchMode())) return true;
        return false;
    }
    void CheckRemoval(unsigned int index, unsigned int count) const {
        if (index >= Count) Fail(CollectionOutOfBounds, __LINE__);
        if (Count - index < count) Fail(CollectionUnderflow, __LINE__);
    }
    void Erase(unsigned int index, unsigned int count) {
        std::copy(Items + index + count, Items + Count, Items + index);
        Count -= count;
        Shrink();
    }
    void Shrink();
    // A new iterator or searcher bound to this vector.
    template <class Companion>
    Companion* NewCompanion() {
        Companion* companion = new (std::nothrow) Companion(this);
        if (!companion) Fail(CollectionNoMemory, __LINE__);
        return companion;
    }

    [[noreturn]] static void Fail(int code, int line) {
        static constexpr char source[] = "class TValVector";  // shared, not one copy per source file
        ThrowCollectionException(code, source, ValVectorModule, line);
    }

    unsigned int Capacity;         // element slots in Items
    unsigned int MinimumCapacity;  // the storage never shrinks below it
    unsigned int Limit;            // most items ever held; Unlimited for no limit
    unsigned int GrowBy;           // growth increment, 0 counts as 1
    unsigned int Count;            // items held
    T* Items;
};

template <class T>
void TValVector<T>::InsertAt(const T& item, unsigned int index, unsigned int count) {
    if (index > Count) Fail(CollectionOutOfBounds, __LINE__);
    if (Limit - Count < count) Fail(CollectionOverLimit, __LINE__);
    // `item` may be an element of this vector: the old storage stays alive to
    // the end, and the in-place shift works from a copy taken beforehand.
    std::unique_ptr<T[]> retired;
    if (Capacity < Count + count) {  // no overflow: Count + count <= Limit
        const unsigned int capacity = static_cast<unsigned int>(
            std::min<unsigned long long>(RoundUp(static_cast<unsigned long long>(Count) + count), Limit));
        std::unique_ptr<T[]> items(Allocate(capacity));
        if (!items) Fail(CollectionNoMemory, __LINE__);
        this->OnInsert(true, item, index, count);
        std::copy(Items, Items + index, items.get());
        std::fill_n(items.get() + index, count, item);
        std::copy(Items + index, Items + Count, items.get() + index + count);
        retired.reset(Items);
        Items = items.release();
        Capacity = capacity;
    } else {
        const T value(item);
        this->OnInsert(true, item, index, count);
        std::copy_backward(Items + index, Items + Count, Items + Count + count);
        std::fill_n(Items + index, count, value);
    }
    Count += count;
    this->OnInsert(false, item, index, count);
}

template <class T>
void TValVector<T>::RemoveAt(unsigned int index, unsigned int count) {
    CheckRemoval(index, count);
    this->OnRemove(true, index, count, count == 1 ? Items + index : nullptr);
    Erase(index, count);
    this->OnRemove(false, index, count, nullptr);
}

template <class T>
T* TValVector<T>::DetachAt(unsigned int index, unsigned int count) {
    CheckRemoval(index, count);
    std::unique_ptr<T> detached;
    try {
        detached.reset(new (std::nothrow) T(Items[index]));
    } catch (...) {
        // a copy that cannot be made is reported like missing memory
    }
    if (!detached) Fail(CollectionNoMemory, __LINE__);
    this->OnRemove(true, index, count, detached.get());
    Erase(index, count);
    this->OnRemove(false, index, count, detached.get());
    return detached.release();
}

template <class T>
void TValVector<T>::RemoveAll() {
    for (unsigned int i = 0; i < Count; ++i) this->OnRemove(true, i, 1, Items + i);
    const unsigned int removed = Count;
    Count = 0;
    for (unsigned int i = 0; i < removed; ++i) this->OnRemove(false, i, 1, nullptr);
    Shrink();
}

template <class T>
void TValVector<T>::Shrink() {
    const unsigned int target = std::max(MinimumCapacity, Count);
    unsigned long long capacity = GrowBy ? GrowBy : 1;
    if (target != 0) {
        capacity = RoundUp(target);
        if (Capacity < capacity) return;
    }
    NotifyShrink(true);
    std::unique_ptr<T[]> items(Allocate(static_cast<unsigned int>(capacity)));
    if (items) {
        std::copy(Items, Items + Count, items.get());
        delete[] Items;
        Items = items.release();
        Capacity = static_cast<unsigned int>(capacity);
    }
    NotifyShrink(false);
}

template <class T>
class TValVectorIterator : public virtual TCollectionIterator<T> {
public:
    explicit TValVectorIterator(TValVector<T>* vector) : TCollectionIterator<T>(vector), Vector(vector) {}

    void SetPosition(unsigned int position) override {
        Check(position);
        ChangePosition(position);
    }
    bool Move(unsigned int steps, int direction) override {
        Check(Position);
        unsigned int target = 0;
        if (direction == TCollectionIterator<T>::Forward) {
            if (Vector->GetCount() - Position <= steps) return false;
            target = Position + steps;
        } else if (direction == TCollectionIterator<T>::Backward) {
            if (Position < steps) return false;
            target = Position - steps;
        } else {
            return false;
        }
        ChangePosition(target);
        return true;
    }
    unsigned int GetPosition() override { return Vector->GetCount() == 0 ? 0 : Position; }
    // Null for an empty vector.
    T* Current() override {
        const unsigned int count = Vector->GetCount();
        if (count == 0) return nullptr;
        if (Position >= count) Fail(TraversalOutOfBounds, __LINE__);
        return Vector->At(Position);
    }

private:
    void Check(unsigned int position) const {
        const unsigned int count = Vector->GetCount();
        if (count == 0) Fail(TraversalEmptyCollection, __LINE__);
        if (position >= count) Fail(TraversalOutOfBounds, __LINE__);
    }
    void ChangePosition(unsigned int position) {
        this->NotifyPosition(true);
        Position = position;
        this->NotifyPosition(false);
    }
    [[noreturn]] static void Fail(int code, int line) {
        static constexpr char source[] = "class TValVectorIterator";  // shared, not one copy per source file
        ThrowIteratorException(code, source, ValVectorModule, line);
    }

    TValVector<T>* Vector;
    unsigned int Position = 0;
};

template <class T>
class TValVectorSearcher : public virtual TCollectionSearcher<T> {
public:
    explicit TValVectorSearcher(TValVector<T>* vector) : TCollectionSearcher<T>(vector), Vector(vector) {}

    // An empty vector answers false. The range must lie inside the vector and
    // the offset inside the range.
    bool Find(const T& item, unsigned int& index, unsigned int offset = 0) override {
        const unsigned int count = Vector->GetCount();
        if (count == 0) return false;
        const unsigned int start = this->RangeStart;
        const unsigned int length = this->RangeLength;
        if (length <= offset || start > count || count - start < length)
            Fail(TraversalOutOfBounds, __LINE__);
        for (unsigned int i = start + offset; i < start + length; ++i) {
            if (CollectionItemMatches(*Vector->At(i), item, this->MatchMode)) {
                index = i;
                return true;
            }
        }
        return false;
    }

private:
    [[noreturn]] static void Fail(int code, int line) {
        static constexpr char source[] = "class TValVectorSearcher";  // shared, not one copy per source file
        ThrowSearcherException(code, source, ValVectorModule, line);
    }

    TValVector<T>* Vector;
};

template <class T>
TCollectionIterator<T>* TValVector<T>::CreateIterator() {
    this->OnIteratorCreated(true, nullptr);
    std::unique_ptr<TValVectorIterator<T>> iterator(NewCompanion<TValVectorIterator<T>>());
    this->OnIteratorCreated(false, iterator.get());
    return iterator.release();
}

template <class T>
TCollectionSearcher<T>* TValVector<T>::CreateSearcher() {
    this->OnSearcherCreated(true, nullptr);
    std::unique_ptr<TValVectorSearcher<T>> searcher(NewCompanion<TValVectorSearcher<T>>());
    this->OnSearcherCreated(false, searcher.get());
    return searcher.release();
}
