// K4CPtrArray: checked access and growth of the pointer array.
#include "foundation/k4cptrarray.h"

#include "foundation/errors.h"

#include <climits>
#include <cstring>

namespace {
constexpr int32_t kGrowthStep = 16;
}

K4CPtrArray::K4CPtrArray()
    : growthStep_(kGrowthStep), capacity_(kGrowthStep), count_(0), items_(new void*[kGrowthStep]) {}

K4CPtrArray::~K4CPtrArray() {
    delete[] items_;
}

void K4CPtrArray::add(void* item) {
    if (count_ == capacity_) {
        // Grow by at least the step and at least the current size, so long
        // lists (file lists of whole pak archives) are built in linear time.
        int64_t wanted =
            static_cast<int64_t>(capacity_) + (capacity_ > growthStep_ ? capacity_ : growthStep_);
        reserve(wanted > INT32_MAX ? INT32_MAX : static_cast<int32_t>(wanted));
    }
    items_[count_++] = item;
}

void* K4CPtrArray::get(int32_t index) const {
    if (index < 0 || index >= count_) {
        throw K4CEXC_INDEXOUTOFBOUNDS;
    }
    return items_[index];
}

void* K4CPtrArray::removeAt(int32_t index) {
    if (index < 0 || index >= count_) {
        throw K4CEXC_INDEXOUTOFBOUNDS;
    }
    void* item = items_[index];
    std::memmove(items_ + index, items_ + index + 1,
                 sizeof(void*) * static_cast<size_t>(count_ - index - 1));
    --count_;
    return item;
}

void K4CPtrArray::reserve(int32_t n) {
    if (n <= capacity_) {
        return;
    }
    void** items = new void*[static_cast<size_t>(n)];
    std::memcpy(items, items_, sizeof(void*) * static_cast<size_t>(count_));
    delete[] items_;
    items_ = items;
    capacity_ = n;
}
