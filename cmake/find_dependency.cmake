# zef_find_dependency(<name> CONFIG <package> TARGETS <target>... PKG_CONFIG <module>)
#
# Makes the imported target zef::<name> for a required library, from the
# library's own CMake package when one is installed and exports one of
# TARGETS (vcpkg, Homebrew, a library built with CMake), otherwise from its
# pkg-config module (Debian, MSYS2). Sets ZEF_<name>_FROM to "config" or
# "pkg-config" in the caller's scope, and says which in the configure output.
function(zef_find_dependency name)
  cmake_parse_arguments(PARSE_ARGV 1 ARG "" "CONFIG;PKG_CONFIG" "TARGETS")
  if(NOT ARG_CONFIG OR NOT ARG_TARGETS OR NOT ARG_PKG_CONFIG)
    message(FATAL_ERROR "zef_find_dependency(${name}): CONFIG, TARGETS and PKG_CONFIG are all needed")
  endif()

  set(found "")
  find_package(${ARG_CONFIG} CONFIG QUIET)
  if(${ARG_CONFIG}_FOUND)
    foreach(candidate IN LISTS ARG_TARGETS)
      if(TARGET ${candidate})
        set(found ${candidate})
        break()
      endif()
    endforeach()
  endif()

  if(found)
    set(from config)
  else()
    find_package(PkgConfig REQUIRED)
    pkg_check_modules(ZEF_PC_${name} REQUIRED IMPORTED_TARGET ${ARG_PKG_CONFIG})
    set(found PkgConfig::ZEF_PC_${name})
    set(from pkg-config)
  endif()

  add_library(zef::${name} INTERFACE IMPORTED)
  target_link_libraries(zef::${name} INTERFACE ${found})
  set(ZEF_${name}_FROM ${from} PARENT_SCOPE)
  message(STATUS "${name}: ${found} (${from})")
endfunction()
