# GoogleTest for both builds. The Linux build uses the installed library; the MinGW builds
# compile it from the sources of Debian's googletest package, and run their tests under
# 64-bit Wine (tests/wine/wine-run.sh) in a prefix that the fixture test "wine_prefix"
# makes afresh for each run.

if(WIN32)
  set(SETUP_GTEST_SOURCE "/usr/src/googletest" CACHE PATH "GoogleTest sources for cross builds")
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
  add_subdirectory("${SETUP_GTEST_SOURCE}" "${CMAKE_BINARY_DIR}/_gtest" EXCLUDE_FROM_ALL SYSTEM)
  set(SETUP_GTEST_LIBS gtest gmock)
  # Like the program, a Windows test program holds COM for its life (plat::ComInit).
  add_library(setup_gtest_main STATIC EXCLUDE_FROM_ALL "${PROJECT_SOURCE_DIR}/tests/wine/gtest_main.cpp")
  target_link_libraries(setup_gtest_main PUBLIC gtest setup_platform)
  set(SETUP_GTEST_MAIN setup_gtest_main)
else()
  find_package(GTest REQUIRED)
  set(SETUP_GTEST_LIBS GTest::gtest GTest::gmock)
  set(SETUP_GTEST_MAIN GTest::gtest_main)
endif()

# The tests' own headers, "tests/<suite>/file.h".
add_library(setup_test_headers INTERFACE)
setup_layer(TARGET setup_test_headers PATHS tests)

set(SETUP_WINE_RUN "${PROJECT_SOURCE_DIR}/tests/wine/wine-run.sh")
set(SETUP_WINE_PREFIX "${CMAKE_BINARY_DIR}/wineprefix")

if(WIN32 AND CMAKE_CROSSCOMPILING AND NOT TARGET _setup_wine_fixture)
  add_custom_target(_setup_wine_fixture)
  add_test(NAME wine_prefix COMMAND "${PROJECT_SOURCE_DIR}/tests/wine/make-prefix.sh" "${SETUP_WINE_PREFIX}")
  set_tests_properties(wine_prefix PROPERTIES FIXTURES_SETUP wine TIMEOUT 300)
endif()

# setup_add_test(NAME name SOURCES ... LIBS ... [LABELS ...] [NO_MAIN])
# One GoogleTest program registered as one CTest test, linked with the suites' shared support
# (tests/support); under MinGW it runs through Wine.
function(setup_add_test)
  cmake_parse_arguments(T "NO_MAIN" "NAME;TIMEOUT" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} setup_test_support setup_test_headers
                        ${SETUP_GTEST_LIBS})
  if(NOT T_NO_MAIN)
    target_link_libraries(${T_NAME} PRIVATE ${SETUP_GTEST_MAIN})
  endif()
  set_target_properties(${T_NAME} PROPERTIES RUNTIME_OUTPUT_DIRECTORY "${CMAKE_BINARY_DIR}/tests")
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 600)
  endif()
  if(WIN32 AND CMAKE_CROSSCOMPILING)
    add_test(NAME ${T_NAME} COMMAND "${SETUP_WINE_RUN}" "${SETUP_WINE_PREFIX}" $<TARGET_FILE:${T_NAME}>)
    # One program at a time in the shared prefix: tests must not meet in its registry.
    set_tests_properties(${T_NAME} PROPERTIES FIXTURES_REQUIRED wine RESOURCE_LOCK wineprefix)
  else()
    add_test(NAME ${T_NAME} COMMAND ${T_NAME})
  endif()
  set_tests_properties(${T_NAME} PROPERTIES TIMEOUT ${T_TIMEOUT} LABELS "${T_LABELS}")
endfunction()
