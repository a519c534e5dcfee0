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

# orbisca_write_target_map(FILE): writes every library of the project (not
# the tests' own) with its source folder and the project libraries it links
# directly, one per line ("name<TAB>folder<TAB>dep;dep"). The structure check
# (scripts/check-structure) derives the layers from it.
function(_orbisca_collect_targets dir out)
  get_property(_targets DIRECTORY ${dir} PROPERTY BUILDSYSTEM_TARGETS)
  get_property(_subdirs DIRECTORY ${dir} PROPERTY SUBDIRECTORIES)
  foreach(_sub ${_subdirs})
    _orbisca_collect_targets(${_sub} _more)
    list(APPEND _targets ${_more})
  endforeach()
  set(${out} ${_targets} PARENT_SCOPE)
endfunction()

function(orbisca_write_target_map file)
  _orbisca_collect_targets(${PROJECT_SOURCE_DIR} _all)
  set(_text "")
  foreach(_t ${_all})
    get_target_property(_type ${_t} TYPE)
    get_target_property(_dir ${_t} SOURCE_DIR)
    if(NOT _type MATCHES "STATIC_LIBRARY|INTERFACE_LIBRARY" OR NOT _t MATCHES "^orbisca_"
       OR _dir MATCHES "^${PROJECT_SOURCE_DIR}/tests")
      continue()
    endif()
    if(_type STREQUAL "INTERFACE_LIBRARY")
      get_target_property(_links ${_t} INTERFACE_LINK_LIBRARIES)
    else()
      get_target_property(_links ${_t} LINK_LIBRARIES)
    endif()
    set(_deps "")
    foreach(_l ${_links})
      if(_l MATCHES "^orbisca_")
        list(APPEND _deps ${_l})
      endif()
    endforeach()
    string(APPEND _text "${_t}\t${_dir}\t${_deps}\n")
  endforeach()
  file(WRITE ${file} "${_text}")
endfunction()
