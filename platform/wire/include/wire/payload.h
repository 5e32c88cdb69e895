#pragma once
// Bounds-checked reading and writing of IPMI message bytes. Decoders read
// through PayloadReader and never index raw buffers themselves.

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace marlek {

// A field lay beyond the end of the bytes a decoder was given.
class TruncatedPayload : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class PayloadReader {
 public:
  PayloadReader(const std::uint8_t* data, std::size_t size, const char* what = "message")
      : data_(data), size_(size), what_(what) {}
  explicit PayloadReader(const std::vector<std::uint8_t>& bytes, const char* what = "message")
      : PayloadReader(bytes.data(), bytes.size(), what) {}

  std::uint8_t U8() { return Need(1), data_[pos_++]; }
  std::uint16_t U16le() {
    Need(2);
    std::uint16_t v = static_cast<std::uint16_t>(data_[pos_] | (data_[pos_ + 1] << 8));
    pos_ += 2;
    return v;
  }
  std::uint32_t U24le() {
    Need(3);
    std::uint32_t v = data_[pos_] | (data_[pos_ + 1] << 8) | (std::uint32_t(data_[pos_ + 2]) << 16);
    pos_ += 3;
    return v;
  }
  std::uint32_t U32le() {
    Need(4);
    std::uint32_t v = data_[pos_] | (data_[pos_ + 1] << 8) | (std::uint32_t(data_[pos_ + 2]) << 16) |
                      (std::uint32_t(data_[pos_ + 3]) << 24);
    pos_ += 4;
    return v;
  }
  std::uint16_t U16be() {
    Need(2);
    std::uint16_t v = static_cast<std::uint16_t>((data_[pos_] << 8) | data_[pos_ + 1]);
    pos_ += 2;
    return v;
  }
  std::uint32_t U32be() {
    Need(4);
    std::uint32_t v = (std::uint32_t(data_[pos_]) << 24) | (std::uint32_t(data_[pos_ + 1]) << 16) |
                      (data_[pos_ + 2] << 8) | data_[pos_ + 3];
    pos_ += 4;
    return v;
  }
  std::vector<std::uint8_t> Bytes(std::size_t n) {
    Need(n);
    std::vector<std::uint8_t> v(data_ + pos_, data_ + pos_ + n);
    pos_ += n;
    return v;
  }
  void Skip(std::size_t n) { Need(n), pos_ += n; }
  std::vector<std::uint8_t> Rest() { return Bytes(Remaining()); }

  std::size_t Remaining() const { return size_ - pos_; }
  std::size_t Position() const { return pos_; }
  bool AtEnd() const { return pos_ == size_; }
  // Throws unless every byte was consumed.
  void ExpectEnd() const {
    if (!AtEnd()) {
      throw TruncatedPayload(std::string(what_) + ": " + std::to_string(Remaining()) +
                             " unexpected trailing bytes");
    }
  }

 private:
  void Need(std::size_t n) const {
    if (n > size_ - pos_) {
      throw TruncatedPayload(std::string(what_) + ": needs " + std::to_string(n) + " more bytes at offset " +
                             std::to_string(pos_) + ", has " + std::to_string(size_ - pos_));
    }
  }
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t pos_ = 0;
  const char* what_;
};

class PayloadWriter {
 public:
  PayloadWriter& U8(std::uint8_t v) { return bytes_.push_back(v), *this; }
  PayloadWriter& U16le(std::uint16_t v) { return U8(v & 0xff).U8(v >> 8); }
  PayloadWriter& U32le(std::uint32_t v) { return U16le(v & 0xffff).U16le(v >> 16); }
  PayloadWriter& U16be(std::uint16_t v) { return U8(v >> 8).U8(v & 0xff); }
  PayloadWriter& U32be(std::uint32_t v) { return U16be(v >> 16).U16be(v & 0xffff); }
  PayloadWriter& Bytes(const std::vector<std::uint8_t>& v) {
    bytes_.insert(bytes_.end(), v.begin(), v.end());
    return *this;
  }
  const std::vector<std::uint8_t>& Get() const { return bytes_; }
  std::vector<std::uint8_t> Take() { return std::move(bytes_); }

 private:
  std::vector<std::uint8_t> bytes_;
};

}  // namespace marlek
