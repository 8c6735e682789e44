#pragma once
// Paths travel through this program as std::string holding UTF-8: what Qt's
// QString::toStdString gives, what the command line gives on Unix, and what
// the file formats and logs store. These helpers are the only crossings
// between that form and std::filesystem or the C library. On Windows a
// path built from a narrow std::string is read in the ANSI code page (a
// folder named "José/Ångström" would be another folder or an error), and
// fopen takes ANSI as well; on Unix all of them copy the bytes unchanged,
// including bytes that are not UTF-8.

#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>

namespace zef {

std::filesystem::path PathFromUtf8(std::string_view utf8);
std::string Utf8FromPath(const std::filesystem::path& path);

// The last component of a UTF-8 path ("a/b/c.zef" -> "c.zef"), and the
// UTF-8 path of `name` inside `folder`.
std::string Utf8FileName(std::string_view utf8);
std::string Utf8Join(std::string_view folder, std::string_view name);

// std::fopen for a UTF-8 path (_wfopen on Windows). Null and errno set when
// the file cannot be opened.
std::FILE* OpenCFile(std::string_view utf8, const char* mode);

}  // namespace zef
