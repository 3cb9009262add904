// K4CPtrArray: a growable array of untyped pointers with checked access.
//
// The array never owns what its items point to: owners delete the objects
// before deleting the array. Bad indexes throw "IndexOutOfBoundsException"
// and change nothing. No locking.
#pragma once

#include <cstdint>
#include <memory>

class K4CPtrArray {
public:
    K4CPtrArray(); // capacity 16, empty
    ~K4CPtrArray();
    K4CPtrArray(const K4CPtrArray&) = delete;
    K4CPtrArray& operator=(const K4CPtrArray&) = delete;

    void add(void* item);
    void* get(int32_t index) const;
    // Returns the removed item; later items move down by one.
    void* removeAt(int32_t index);
    // Makes room for n items; never shrinks.
    void reserve(int32_t n);
    int32_t getCount() const { return count_; }
    int32_t getCapacity() const { return capacity_; }

private:
    int32_t growthStep_;
    int32_t capacity_;
    int32_t count_;
    void** items_;
};

// A pointer array that owns its items and deletes them, first to last, with
// itself. An item is handed over as a unique_ptr, so that it is deleted, not
// lost, when the array cannot grow to take it.
template <typename T> class K4COwningPtrArray {
public:
    K4COwningPtrArray() = default;
    ~K4COwningPtrArray() {
        for (int32_t i = 0; i < items_.getCount(); ++i) {
            delete get(i);
        }
    }
    K4COwningPtrArray(const K4COwningPtrArray&) = delete;
    K4COwningPtrArray& operator=(const K4COwningPtrArray&) = delete;

    T* add(std::unique_ptr<T> item) {
        items_.add(item.get());
        return item.release();
    }
    T* get(int32_t index) const { return static_cast<T*>(items_.get(index)); }
    int32_t getCount() const { return items_.getCount(); }

private:
    K4CPtrArray items_;
};
