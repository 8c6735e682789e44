#pragma once
// What the two implementations of InputFile share (input_file_posix.cpp on
// Unix, input_file_std.cpp elsewhere).

#include <cstddef>
#include <cstdint>
#include <string>

namespace zef::input_file_detail {

std::string TooLargeText(std::uint64_t size, std::size_t maxBytes);
std::string CannotRead(int error);

}  // namespace zef::input_file_detail
