#include "files/binary_io.h"

#include <bit>

#include "base/atomic_file.h"

namespace zef {

bool ByteReader::take(std::size_t n) {
    if (!ok_ || n > data_.size() - pos_) {
        ok_ = false;
        return false;
    }
    start_ = pos_;
    pos_ += n;
    return true;
}

std::uint8_t ByteReader::u8() { return take(1) ? data_[start_] : 0; }

std::uint16_t ByteReader::u16() {
    if (!take(2)) return 0;
    return static_cast<std::uint16_t>(data_[start_] | data_[start_ + 1] << 8);
}

std::int16_t ByteReader::i16() { return static_cast<std::int16_t>(u16()); }

std::int32_t ByteReader::i32() {
    if (!take(4)) return 0;
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = v << 8 | data_[start_ + static_cast<std::size_t>(i)];
    return static_cast<std::int32_t>(v);
}

double ByteReader::f64() {
    if (!take(8)) return 0.0;
    std::uint64_t v = 0;
    for (int i = 7; i >= 0; --i) v = v << 8 | data_[start_ + static_cast<std::size_t>(i)];
    return std::bit_cast<double>(v);
}

void ByteReader::bytes(std::span<std::uint8_t> out) {
    if (!take(out.size())) return;
    for (std::size_t i = 0; i < out.size(); ++i) out[i] = data_[start_ + i];
}

std::string ByteReader::text() {
    const std::uint16_t n = u16();
    if (!take(n)) return {};
    return std::string(reinterpret_cast<const char*>(data_.data() + start_), n);
}

void ByteWriter::u16(std::uint16_t v) {
    out_.push_back(static_cast<std::uint8_t>(v & 0xFF));
    out_.push_back(static_cast<std::uint8_t>(v >> 8));
}

void ByteWriter::i32(std::int32_t v) {
    auto u = static_cast<std::uint32_t>(v);
    for (int i = 0; i < 4; ++i, u >>= 8) out_.push_back(static_cast<std::uint8_t>(u & 0xFF));
}

void ByteWriter::f64(double v) {
    auto u = std::bit_cast<std::uint64_t>(v);
    for (int i = 0; i < 8; ++i, u >>= 8) out_.push_back(static_cast<std::uint8_t>(u & 0xFF));
}

void ByteWriter::text(std::string_view v) {
    if (v.size() > 0xFFFF) {
        ok_ = false;
        return;
    }
    u16(static_cast<std::uint16_t>(v.size()));
    out_.insert(out_.end(), v.begin(), v.end());
}

// Through the atomic writer on every platform (its durable steps are
// POSIX or Win32, base/durable_file.h); the mode matters on POSIX only.
namespace {

bool WriteAtomicWithMode(const std::string& path, std::span<const std::uint8_t> bytes, unsigned mode) {
    AtomicFile file(path, mode);
    return file.Open() && file.Write(bytes) && file.Commit();
}

}  // namespace

bool WriteFileAtomic(const std::string& path, std::span<const std::uint8_t> bytes) {
    return WriteAtomicWithMode(path, bytes, 0644);
}

bool WritePrivateFileAtomic(const std::string& path, std::span<const std::uint8_t> bytes) {
    return WriteAtomicWithMode(path, bytes, 0600);
}

bool WriteFileAtomic(const std::string& path, std::string_view text) {
    return WriteFileAtomic(path, std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

}  // namespace zef
