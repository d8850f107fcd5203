// Object keys: half the size of std::string. Member lists are the bulk of a
// parsed tree, and most keys are short enough to be stored inline.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <utility>

namespace quince {

class Key {
public:
    Key() noexcept { set_inline_len(0); }
    Key(std::string_view s) { assign(s); }
    Key(const std::string& s) : Key(std::string_view(s)) {}
    Key(const char* s) : Key(std::string_view(s)) {}
    Key(const Key& other) { assign(other.view()); }
    Key(Key&& other) noexcept {
        std::memcpy(raw_, other.raw_, sizeof raw_);
        other.set_inline_len(0);
    }
    Key& operator=(const Key& other) {
        if (this != &other) {
            Key copy(other);
            swap(copy);
        }
        return *this;
    }
    Key& operator=(Key&& other) noexcept {
        if (this != &other) {
            release();
            std::memcpy(raw_, other.raw_, sizeof raw_);
            other.set_inline_len(0);
        }
        return *this;
    }
    ~Key() { release(); }

    std::size_t size() const noexcept { return on_heap() ? heap_len() : kInline - tag(); }
    const char* data() const noexcept { return on_heap() ? heap_ptr() : raw_; }
    std::string_view view() const noexcept { return {data(), size()}; }
    operator std::string_view() const noexcept { return view(); }

    friend bool operator==(const Key& a, const Key& b) noexcept { return a.view() == b.view(); }
    friend bool operator==(const Key& a, std::string_view b) noexcept { return a.view() == b; }

    void swap(Key& other) noexcept {
        char tmp[sizeof raw_];
        std::memcpy(tmp, raw_, sizeof raw_);
        std::memcpy(raw_, other.raw_, sizeof raw_);
        std::memcpy(other.raw_, tmp, sizeof raw_);
    }

private:
    // Inline: up to 15 bytes, the last byte holding 15 - length.
    // Heap: a pointer, then the length in the next 7 bytes, then kHeapTag.
    static constexpr std::size_t kInline = 15;
    static constexpr unsigned char kHeapTag = 0x80;

    unsigned char tag() const noexcept { return static_cast<unsigned char>(raw_[15]); }
    bool on_heap() const noexcept { return tag() == kHeapTag; }
    void set_inline_len(std::size_t n) noexcept { raw_[15] = static_cast<char>(kInline - n); }
    const char* heap_ptr() const noexcept {
        char* p;
        std::memcpy(&p, raw_, sizeof p);
        return p;
    }
    std::size_t heap_len() const noexcept {
        std::uint64_t n = 0;
        std::memcpy(&n, raw_ + 8, 7);
        return static_cast<std::size_t>(n);
    }
    void assign(std::string_view s) {
        if (s.size() <= kInline) {
            std::memcpy(raw_, s.data(), s.size());
            set_inline_len(s.size());
            return;
        }
        char* p = new char[s.size()];
        std::memcpy(p, s.data(), s.size());
        std::memcpy(raw_, &p, sizeof p);
        const std::uint64_t n = s.size();
        std::memcpy(raw_ + 8, &n, 7);
        raw_[15] = static_cast<char>(kHeapTag);
    }
    void release() noexcept {
        if (on_heap()) delete[] heap_ptr();
    }

    alignas(8) char raw_[16];
};

}  // namespace quince
