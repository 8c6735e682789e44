# zef_build_version: an interface library whose users can include
# "build_version.h" (zef::kBuildVersion). The header is brought up to date
# before anything that links it compiles.
set(ZEF_GENERATED_DIR "${CMAKE_BINARY_DIR}/generated")
add_custom_target(zef_build_version_header
  COMMAND "${CMAKE_COMMAND}" -DSOURCE_DIR=${PROJECT_SOURCE_DIR}
          -DOUTPUT=${ZEF_GENERATED_DIR}/build_version.h
          -DFALLBACK_VERSION=${PROJECT_VERSION}
          -P "${CMAKE_CURRENT_LIST_DIR}/build_version.cmake"
  BYPRODUCTS "${ZEF_GENERATED_DIR}/build_version.h"
  COMMENT "Program version from git describe"
  VERBATIM)
add_library(zef_build_version INTERFACE)
target_include_directories(zef_build_version INTERFACE "${ZEF_GENERATED_DIR}")
add_dependencies(zef_build_version zef_build_version_header)
