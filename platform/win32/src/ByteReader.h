// Bounds-checked little-endian reads from a resource's bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace win32model {
namespace detail {

class ByteReader {
 public:
  ByteReader(const std::vector<uint8_t> &bytes, size_t begin, size_t end)
      : bytes_(bytes), at_(begin), end_(end) {}

  bool ok() const { return ok_; }
  size_t at() const { return at_; }
  size_t left() const { return ok_ && at_ <= end_ ? end_ - at_ : 0; }

  uint8_t Byte() { return Fits(1) ? bytes_[at_++] : 0; }
  uint16_t Word() {
    if (!Fits(2)) return 0;
    uint16_t v = static_cast<uint16_t>(bytes_[at_] | (bytes_[at_ + 1] << 8));
    at_ += 2;
    return v;
  }
  uint32_t Dword() {
    if (!Fits(4)) return 0;
    uint32_t v = static_cast<uint32_t>(bytes_[at_]) |
                 (static_cast<uint32_t>(bytes_[at_ + 1]) << 8) |
                 (static_cast<uint32_t>(bytes_[at_ + 2]) << 16) |
                 (static_cast<uint32_t>(bytes_[at_ + 3]) << 24);
    at_ += 4;
    return v;
  }
  // A zero-terminated UTF-16 text.
  std::u16string Text() {
    std::u16string text;
    for (;;) {
      if (!Fits(2)) return text;
      char16_t unit = Word();
      if (unit == 0) return text;
      text.push_back(unit);
    }
  }
  std::vector<uint8_t> Bytes(size_t count) {
    if (!Fits(count)) return {};
    std::vector<uint8_t> out(bytes_.begin() + static_cast<std::ptrdiff_t>(at_),
                             bytes_.begin() + static_cast<std::ptrdiff_t>(at_ + count));
    at_ += count;
    return out;
  }
  // Moves to the next multiple of `alignment` counted from `origin`.
  void Align(size_t alignment, size_t origin = 0) {
    size_t rel = at_ - origin;
    size_t pad = (alignment - rel % alignment) % alignment;
    if (pad == 0) return;
    // Alignment padding may be cut off at the very end of the bytes.
    if (at_ + pad > end_) {
      at_ = end_;
      return;
    }
    at_ += pad;
  }
  void Seek(size_t position) {
    if (position > end_) ok_ = false;
    at_ = position;
  }

 private:
  bool Fits(size_t count) {
    if (!ok_ || at_ > end_ || end_ - at_ < count) {
      ok_ = false;
      return false;
    }
    return true;
  }
  const std::vector<uint8_t> &bytes_;
  size_t at_;
  size_t end_;
  bool ok_ = true;
};

}  // namespace detail
}  // namespace win32model
