# cmake -DZEF_SOURCE_DIR=... -DWORK_DIR=... -P find_dependency_test.cmake
#
# Configures the probe project of find_dependency/ four ways and checks which
# source zef_find_dependency chose: the config package when it exports one of
# the named targets (the second name here, so every candidate is tried),
# pkg-config when there is no package or it exports none of them, and a
# failed configure when neither exists.
set(here "${CMAKE_CURRENT_LIST_DIR}/find_dependency")

function(probe label prefix pc_path expect_ok expect_text)
  set(dir "${WORK_DIR}/${label}")
  file(REMOVE_RECURSE "${dir}")
  set(ENV{PKG_CONFIG_PATH} "${pc_path}")
  set(ENV{PKG_CONFIG_LIBDIR} "${pc_path}")
  execute_process(
    COMMAND "${CMAKE_COMMAND}" -S "${here}" -B "${dir}" "-DZEF_SOURCE_DIR=${ZEF_SOURCE_DIR}"
            "-DCMAKE_PREFIX_PATH=${prefix}" -DCMAKE_FIND_USE_SYSTEM_PACKAGE_REGISTRY=OFF
            -DCMAKE_FIND_USE_PACKAGE_REGISTRY=OFF
    RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(expect_ok AND NOT rc EQUAL 0)
    message(FATAL_ERROR "${label}: configure failed:\n${out}\n${err}")
  endif()
  if(NOT expect_ok AND rc EQUAL 0)
    message(FATAL_ERROR "${label}: configure succeeded, expected a failure:\n${out}")
  endif()
  string(FIND "${out}${err}" "${expect_text}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "${label}: expected \"${expect_text}\" in:\n${out}\n${err}")
  endif()
  message(STATUS "${label}: ok")
endfunction()

set(none "${WORK_DIR}/no-pkg-config-files")
file(MAKE_DIRECTORY "${none}")
probe(config "${here}/config" "${here}/pkgconfig" TRUE "probe: from=config linked=ZefFake::zeffake_static")
probe(config_without_target "${here}/config_without_target" "${here}/pkgconfig" TRUE
      "probe: from=pkg-config linked=PkgConfig::ZEF_PC_zeffake")
probe(pkg_config_only "${none}" "${here}/pkgconfig" TRUE "probe: from=pkg-config linked=PkgConfig::ZEF_PC_zeffake")
probe(neither "${none}" "${none}" FALSE "zeffake")
