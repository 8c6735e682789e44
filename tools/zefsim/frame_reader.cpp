#include "frame_reader.h"

namespace zefsim {

void FrameReader::push(std::uint8_t byte, Clock::time_point at,
                       std::vector<std::vector<std::uint8_t>>& frames) {
    if (!buffer_.empty() && at - last_ > kStaleAfter) {
        discarded_ += buffer_.size();
        buffer_.clear();
    }
    last_ = at;
    take(byte, false, frames);
}

void FrameReader::take(std::uint8_t byte, bool rescan, std::vector<std::vector<std::uint8_t>>& frames) {
    if (buffer_.empty()) {
        if (byte == 0xF0) {
            buffer_.push_back(byte);
        } else if (byte == 0x00 && !rescan) {
            ++zeros_;
        } else {
            ++discarded_;
        }
        return;
    }
    buffer_.push_back(byte);
    const std::size_t n = buffer_.size();
    if (n == 2 && buffer_[1] != 0x21) return abandon(frames);
    if (n == 7 && buffer_[3] == 21 && buffer_[6] > kMaxBlockWrite) return abandon(frames);
    const std::size_t length = (n >= 7 && buffer_[3] == 21) ? buffer_[6] + 8u : 13u;
    if (n < length) return;
    if (buffer_[length - 1] != 0xF7) return abandon(frames);
    frames.push_back(std::move(buffer_));
    buffer_.clear();
}

void FrameReader::abandon(std::vector<std::vector<std::uint8_t>>& frames) {
    std::vector<std::uint8_t> rest(buffer_.begin() + 1, buffer_.end());
    buffer_.clear();
    ++discarded_;
    for (std::uint8_t b : rest) take(b, true, frames);
}

}  // namespace zefsim
