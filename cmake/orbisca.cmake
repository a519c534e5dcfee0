# Helpers shared by every folder's CMakeLists.txt.
#
# orbisca_library(NAME DEPS ...): a static library made of the *.cpp files of
# the calling folder (not of its subfolders); an interface library while the
# folder has no source yet. Includes are written from the repository root
# ("platform/rtl/variant.h").
function(orbisca_library name)
  file(GLOB _src CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  file(GLOB _hdr CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
  if(_src)
    add_library(${name} STATIC ${_src} ${_hdr})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
    target_link_libraries(${name} PUBLIC ${ARGN})
  else()
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${PROJECT_SOURCE_DIR})
    target_link_libraries(${name} INTERFACE ${ARGN})
  endif()
endfunction()

# orbisca_test(NAME [GUI] SOURCES_DIR dir LIBS ...): one GoogleTest executable
# from the *.cpp files of a test folder, registered with CTest. GUI tests get
# the shared main that starts a QApplication on the offscreen platform.
function(orbisca_test name)
  cmake_parse_arguments(T "GUI" "SOURCES_DIR" "LIBS" ${ARGN})
  file(GLOB _src CONFIGURE_DEPENDS ${T_SOURCES_DIR}/*.cpp)
  if(NOT _src)
    return()
  endif()
  add_executable(${name} ${_src})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
  if(T_GUI)
    target_link_libraries(${name} PRIVATE ${T_LIBS} orbisca_test_gui_main GTest::gtest GTest::gmock)
  else()
    target_link_libraries(${name} PRIVATE ${T_LIBS} orbisca_test_main GTest::gtest GTest::gmock)
  endif()
  add_test(NAME ${name} COMMAND ${name} --gtest_brief=1)
  set_tests_properties(${name} PROPERTIES
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;ORBISCA_TEST_DATA=${PROJECT_SOURCE_DIR}/tests/data;ORBISCA_REGISTRY_DIR=${CMAKE_BINARY_DIR}/test-home/registry;ORBISCA_PROFILE_DIR=${CMAKE_BINARY_DIR}/test-home/profile"
    TIMEOUT 600)
endfunction()

# orbisca_fuzz(NAME SOURCE LIBS ...): a libFuzzer target, built only when the
# compiler is clang.
#
# The fuzzer learns only from code compiled with its coverage hooks, and the
# address checks see only instrumented code; the parsers live in the
# libraries, so with clang every library is built that way too.
option(ORBISCA_FUZZ_INSTRUMENT "With clang, build every library with fuzzer coverage and address checks" ON)
if(CMAKE_CXX_COMPILER_ID STREQUAL "Clang" AND ORBISCA_FUZZ_INSTRUMENT)
  add_compile_options(-fsanitize=fuzzer-no-link,address)
  add_link_options(-fsanitize=address)
endif()
function(orbisca_fuzz name source)
  if(CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    add_executable(${name} ${source})
    target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
    target_compile_options(${name} PRIVATE -fsanitize=fuzzer,address)
    target_link_options(${name} PRIVATE -fsanitize=fuzzer,address)
    target_link_libraries(${name} PRIVATE ${ARGN})
  endif()
endfunction()

# orbisca_bench(NAME SOURCE LIBS ...): a Google Benchmark executable.
function(orbisca_bench name source)
  add_executable(${name} ${source})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PRIVATE ${ARGN} benchmark::benchmark)
endfunction()
