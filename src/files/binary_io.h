#pragma once
// Little-endian, byte-packed binary records as the program's own data files
// hold them: 16/32-bit integers and doubles in their natural width, texts as a
// 16-bit length followed by that many ANSI bytes, nothing between fields.
//
// ByteReader never reads past the end: every read checks the count against
// what is left before it copies or allocates, and a failed read leaves the
// reader failed (every later read fails too), so a parser can read a whole
// record and test ok() once.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace zef {

class ByteReader {
public:
    explicit ByteReader(std::span<const std::uint8_t> data) : data_(data) {}

    bool ok() const { return ok_; }
    std::size_t position() const { return pos_; }
    std::size_t remaining() const { return ok_ ? data_.size() - pos_ : 0; }

    std::uint8_t u8();
    std::int16_t i16();
    std::uint16_t u16();
    std::int32_t i32();
    double f64();
    // Copies out.size() bytes; on failure `out` is left untouched.
    void bytes(std::span<std::uint8_t> out);
    // A 16-bit length, then that many bytes. A length running past the end
    // fails before anything is allocated.
    std::string text();

private:
    bool take(std::size_t n);  // true when n bytes are left; advances past them

    std::span<const std::uint8_t> data_;
    std::size_t pos_ = 0;
    std::size_t start_ = 0;  // position of the bytes the last take() granted
    bool ok_ = true;
};

class ByteWriter {
public:
    void u8(std::uint8_t v) { out_.push_back(v); }
    void i16(std::int16_t v) { u16(static_cast<std::uint16_t>(v)); }
    void u16(std::uint16_t v);
    void i32(std::int32_t v);
    void f64(double v);
    void bytes(std::span<const std::uint8_t> v) { out_.insert(out_.end(), v.begin(), v.end()); }
    // Fails (ok() false from then on) for a text longer than 65535 bytes.
    void text(std::string_view v);

    bool ok() const { return ok_; }
    const std::vector<std::uint8_t>& data() const { return out_; }

private:
    std::vector<std::uint8_t> out_;
    bool ok_ = true;
};

// Writes `bytes` to a temporary file of a unique name in the target's folder,
// syncs it to the disk, renames it over `path` and syncs the folder, so the
// target is either the old file or the complete new one, also after a power
// cut. False (and no temporary left behind) on any failure. Every file
// writer of the program goes through here.
bool WriteFileAtomic(const std::string& path, std::span<const std::uint8_t> bytes);
// The same for text, written byte for byte.
bool WriteFileAtomic(const std::string& path, std::string_view text);
// The same for a file only its owner may read or write (mode 0600 from the
// moment it exists), where the system has such modes.
bool WritePrivateFileAtomic(const std::string& path, std::span<const std::uint8_t> bytes);

}  // namespace zef
