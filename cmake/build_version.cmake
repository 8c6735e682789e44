# Writes build_version.h with the program version: `git describe --always
# --dirty` of the source tree, or the project version when the tree is not a
# git checkout (a source tarball). Run at every build (cmake -P) so that the
# version never goes stale; the header is rewritten only when the text
# changes, so an unchanged tree rebuilds nothing.
#
# In: SOURCE_DIR, OUTPUT, FALLBACK_VERSION.
set(version "${FALLBACK_VERSION}")
find_package(Git QUIET)
if(GIT_FOUND)
  execute_process(
    COMMAND "${GIT_EXECUTABLE}" describe --always --dirty
    WORKING_DIRECTORY "${SOURCE_DIR}"
    OUTPUT_VARIABLE described
    RESULT_VARIABLE failed
    ERROR_QUIET OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(NOT failed AND NOT described STREQUAL "")
    set(version "${described}")
  endif()
endif()

set(text "#pragma once
// Generated at build time; do not edit.
namespace zef {
// The version every program prints for --version.
inline constexpr const char* kBuildVersion = \"${version}\";
}  // namespace zef
")
if(EXISTS "${OUTPUT}")
  file(READ "${OUTPUT}" old)
else()
  set(old "")
endif()
if(NOT old STREQUAL text)
  file(WRITE "${OUTPUT}" "${text}")
endif()
