// An array of plain values that may grow to millions, kept cheap in time and memory. It is
// grown with realloc, which for blocks this large remaps pages instead of copying them, so
// growing costs no second copy; pages are mapped only when first written, so room reserved
// beyond what is used costs address space, not memory; and the block asks for transparent
// huge pages, since each small page's first touch costs far more than filling it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <new>
#include <sys/mman.h>
#include <type_traits>

// Gives back to the system the whole 2 MiB blocks between from and to, whose contents are no
// longer needed: they read as zeros if touched again. Memory only. Whole blocks, so that no
// huge page of the block is split.
inline void release_pages(const void *from, const void *to) {
    const std::uintptr_t huge = std::uintptr_t{1} << 21;
    auto a = (reinterpret_cast<std::uintptr_t>(from) + huge - 1) & ~(huge - 1);
    auto b = reinterpret_cast<std::uintptr_t>(to) & ~(huge - 1);
    if (a < b) madvise(reinterpret_cast<void *>(a), b - a, MADV_DONTNEED);
}

// Speed only: maps again, at once, the pages between from and to that were given back, before
// they are written: one call costs far less than a fault a page. Where the system has no such
// call, or refuses it, the pages come back as they are written.
inline void populate_pages(const void *from, const void *to) {
#ifdef MADV_POPULATE_WRITE
    const std::uintptr_t page = 4096;
    auto a = reinterpret_cast<std::uintptr_t>(from) & ~(page - 1);
    auto b = reinterpret_cast<std::uintptr_t>(to);
    if (a < b) madvise(reinterpret_cast<void *>(a), b - a, MADV_POPULATE_WRITE);
#else
    (void)from, (void)to;
#endif
}

template <class T> class big_array {
    static_assert(std::is_trivially_copyable_v<T>);

  public:
    big_array() = default;
    big_array(const big_array &) = delete;
    big_array &operator=(const big_array &) = delete;
    ~big_array() { std::free(data_); }

    T *data() { return data_; }
    const T *data() const { return data_; }
    std::size_t size() const { return size_; }
    T &operator[](std::size_t i) { return data_[i]; }
    const T &operator[](std::size_t i) const { return data_[i]; }

    // Makes room for n values in all. False, with nothing changed, when there is no memory.
    bool reserve(std::size_t n) {
        if (n <= capacity_) return true;
        if (n > SIZE_MAX / sizeof(T)) return false;
        void *p = std::realloc(data_, n * sizeof(T));
        if (p == nullptr) return false;
        data_ = static_cast<T *>(p);
        capacity_ = n;
        ask_for_huge_pages();
        return true;
    }

    // Makes the size n, the values added left unset. False when there is no memory.
    bool resize(std::size_t n) {
        if (!reserve(n)) return false;
        size_ = n;
        return true;
    }
    // Makes the size 0, keeping the room.
    void clear() { size_ = 0; }

    // Adds v, growing by half again (never beyond limit, which must exceed size()) when full.
    // False when there is no memory.
    bool push_back(const T &v, std::size_t limit = SIZE_MAX) {
        if (!extend(limit)) return false;
        data_[size_ - 1] = v;
        return true;
    }

    // Adds one value left unset, for the caller to fill; same growth and failure as push_back.
    bool extend(std::size_t limit = SIZE_MAX) {
        if (size_ == capacity_) {
            std::size_t grown = capacity_ < 1024 ? 1024 : capacity_ + capacity_ / 2;
            if (grown > limit || grown < capacity_) grown = limit;
            if (!reserve(grown)) return false;
        }
        ++size_;
        return true;
    }

  private:
    // The whole block, so that it stays one mapping that can still be moved as a whole; a
    // small block is left alone, as it may share its pages with others.
    void ask_for_huge_pages() {
        const std::uintptr_t page = 4096, huge = std::uintptr_t{1} << 21;
        std::size_t bytes = capacity_ * sizeof(T);
        if (bytes < huge) return;
        auto from = reinterpret_cast<std::uintptr_t>(data_) & ~(page - 1);
        auto to = reinterpret_cast<std::uintptr_t>(data_) + bytes;
        // Only a hint: where the system refuses it, small pages serve as well.
        madvise(reinterpret_cast<void *>(from), to - from, MADV_HUGEPAGE);
    }

    T *data_ = nullptr;
    std::size_t size_ = 0;
    std::size_t capacity_ = 0;
};
