# Fuzz targets of the untrusted inputs: the archive reader, the whole extraction, the profile
# INI reader, the shortcut list and the .reg reader of the POSIX body. The program's modules
# are compiled again with coverage instrumentation and the sanitizers.
file(GLOB _fuzz_setup_sources CONFIGURE_DEPENDS
     "${PROJECT_SOURCE_DIR}/platform/*.cpp" "${PROJECT_SOURCE_DIR}/platform/posix/*.cpp"
     "${PROJECT_SOURCE_DIR}/texts/*.cpp" "${PROJECT_SOURCE_DIR}/install/*.cpp"
     "${PROJECT_SOURCE_DIR}/uninstall/*.cpp" "${PROJECT_SOURCE_DIR}/unzip/*.cpp"
     "${PROJECT_SOURCE_DIR}/app/*.cpp" "${PROJECT_SOURCE_DIR}/ui/null/null_ui.cpp")
list(FILTER _fuzz_setup_sources EXCLUDE REGEX "/app/main\\.cpp$")
add_library(fuzz_setup STATIC ${_fuzz_setup_sources} machine_input.cpp)
target_compile_options(fuzz_setup PRIVATE -fsanitize=fuzzer-no-link ${SETUP_FUZZ_SANITIZE})
setup_layer(TARGET fuzz_setup PATHS platform texts install uninstall unzip app ui/null fuzz)
target_link_libraries(fuzz_setup PUBLIC setup_ui)

set(SETUP_INPUT_FUZZERS fuzz_reader fuzz_unzip_archive fuzz_profile fuzz_short_txt fuzz_registry)
foreach(name IN LISTS SETUP_INPUT_FUZZERS)
  add_executable(${name} ${name}.cpp)
  target_compile_options(${name} PRIVATE -fsanitize=fuzzer ${SETUP_FUZZ_SANITIZE})
  target_link_options(${name} PRIVATE -fsanitize=fuzzer ${SETUP_FUZZ_SANITIZE})
  target_link_libraries(${name} PRIVATE fuzz_setup)
endforeach()

set(_fuzz_all fuzz_unshrink fuzz_explode fuzz_inflate ${SETUP_INPUT_FUZZERS})
add_custom_target(fuzzers DEPENDS ${_fuzz_all})

# CTest label "fuzz": each target for a fixed time, its corpus kept in the build folder; the
# archive targets start from the real archives.
set(SETUP_FUZZ_SECONDS 20 CACHE STRING "Seconds each fuzz target runs under CTest")
if(SETUP_TESTS)
  set(_zip_seeds "${PROJECT_SOURCE_DIR}/tests/fixtures/zip")
  foreach(name IN LISTS _fuzz_all)
    set(_corpus "${CMAKE_CURRENT_BINARY_DIR}/corpus/${name}")
    set(_seeds "")
    set(_max_len 4096)
    if(name STREQUAL "fuzz_reader" OR name STREQUAL "fuzz_unzip_archive")
      set(_max_len 16384)
      set(_seeds "${_zip_seeds}")
    endif()
    add_test(NAME ${name}
             COMMAND sh -c "mkdir -p \"$1\" && shift && exec \"$@\"" fuzz "${_corpus}"
                     $<TARGET_FILE:${name}> -max_total_time=${SETUP_FUZZ_SECONDS}
                     -max_len=${_max_len} -timeout=20 -rss_limit_mb=2048 -print_final_stats=1
                     "${_corpus}" ${_seeds})
    math(EXPR _timeout "${SETUP_FUZZ_SECONDS} + 120")
    set_tests_properties(${name} PROPERTIES LABELS fuzz TIMEOUT ${_timeout})
  endforeach()
endif()
