# Shared helpers for the build.

find_package(GTest REQUIRED)
include(GoogleTest)

# brantle_test(<name> SOURCES <files...> LIBS <targets...> [LABELS <labels...>])
# One GoogleTest program; its cases are registered with CTest when the test
# run starts, so building never runs test code.
function(brantle_test name)
  cmake_parse_arguments(T "" "TIMEOUT" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gmock GTest::gtest_main)
  target_compile_definitions(${name} PRIVATE
    BRANTLE_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
    BRANTLE_BINARY_DIR="${PROJECT_BINARY_DIR}")
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 120)
  endif()
  gtest_discover_tests(${name}
    DISCOVERY_MODE PRE_TEST
    PROPERTIES TIMEOUT ${T_TIMEOUT} LABELS "${T_LABELS}"
    WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
endfunction()

# Adds every sub-folder of the current folder that has a CMakeLists.txt.
macro(brantle_add_present_subfolders)
  foreach(dir IN LISTS BRANTLE_FOLDERS)
    if(EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${dir}/CMakeLists.txt)
      add_subdirectory(${dir})
    endif()
  endforeach()
endmacro()

# brantle_qt_test(<name> SOURCES ... LIBS ... [LABELS ...] [TIMEOUT s])
# A GoogleTest program for widgets: its own main (tests/QtTestMain.cpp) makes
# the one QApplication of the program on the offscreen platform, with HOME and
# XDG_RUNTIME_DIR in a temporary folder.
function(brantle_qt_test name)
  cmake_parse_arguments(T "" "TIMEOUT" "SOURCES;LIBS;LABELS" ${ARGN})
  find_package(Qt6 REQUIRED COMPONENTS Widgets Test)
  add_executable(${name} ${T_SOURCES} ${PROJECT_SOURCE_DIR}/tests/QtTestMain.cpp)
  set_target_properties(${name} PROPERTIES AUTOMOC ON)
  target_link_libraries(${name} PRIVATE ${T_LIBS} Qt6::Widgets Qt6::Test
    GTest::gtest GTest::gmock)
  target_compile_definitions(${name} PRIVATE
    BRANTLE_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
    BRANTLE_BINARY_DIR="${PROJECT_BINARY_DIR}")
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 120)
  endif()
  gtest_discover_tests(${name}
    DISCOVERY_MODE PRE_TEST
    PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen" TIMEOUT ${T_TIMEOUT}
      LABELS "${T_LABELS}"
    WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
endfunction()
