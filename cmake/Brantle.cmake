# Shared helpers for the build.

find_package(GTest REQUIRED)
include(GoogleTest)

# Precompiled headers: the Qt Widgets headers (and GoogleTest for the tests)
# take most of a widget source's compile time, so they are compiled once
# into a holder target and reused by every target with the same flags.  The
# compiler refuses a precompiled header whose macros or code model differ
# from the source's (-Winvalid-pch says so), so the widget one serves only
# targets that link Qt Widgets, and the test one only test programs that
# link a widget library.
option(BRANTLE_PCH "Reuse precompiled headers across targets" ON)
if(BRANTLE_PCH)
  # Lets ccache hash a source with its precompiled header named, not expanded.
  add_compile_options($<$<COMPILE_LANGUAGE:CXX>:-fpch-preprocess>)
endif()
set(BRANTLE_WIDGET_LIBRARIES platform_qt devices print ui shell entry shipping
    consolidation import brantle_pages brantle_client)
# Libraries that hand Qt's compile flags on but cannot take the widget
# header (office defines GCC, refdata names a variable `slots`).
set(BRANTLE_QT_LIBRARIES image office refdata)

# Test programs compile their own sources for debugging, not speed: the code
# under test is in the libraries, built as the build type says, and a test
# source's optimisation took most of its compile time.
function(brantle_test_optimisation target)
  target_compile_options(${target} PRIVATE $<$<CONFIG:Release,RelWithDebInfo,MinSizeRel>:-Og>)
endfunction()

function(brantle_pch_holder name header)
  if(TARGET ${name})
    return()
  endif()
  add_library(${name} STATIC ${PROJECT_SOURCE_DIR}/cmake/pch/PchHolder.cpp)
  target_link_libraries(${name} PRIVATE ${ARGN})
  target_precompile_headers(${name} PRIVATE ${PROJECT_SOURCE_DIR}/cmake/pch/${header})
endfunction()

# A library or program that links Qt Widgets reuses the widget headers.
function(brantle_widgets_pch target)
  if(NOT BRANTLE_PCH)
    return()
  endif()
  find_package(Qt6 REQUIRED COMPONENTS Widgets)
  brantle_pch_holder(brantle_pch_widgets WidgetsPch.h Qt6::Widgets)
  target_precompile_headers(${target} REUSE_FROM brantle_pch_widgets)
endfunction()

# A test program that links a widget library reuses the widget and
# GoogleTest headers, one that links none GoogleTest's alone; `libs` are the
# libraries it links.  A program linking Qt without its widgets compiles
# with Qt's flags, which neither header was made with: it has none.
function(brantle_test_pch target libs)
  if(NOT BRANTLE_PCH)
    return()
  endif()
  set(widgets OFF)
  set(qt OFF)
  foreach(lib IN LISTS libs)
    if(lib IN_LIST BRANTLE_WIDGET_LIBRARIES OR lib STREQUAL "Qt6::Widgets")
      set(widgets ON)
    elseif(lib IN_LIST BRANTLE_QT_LIBRARIES OR lib MATCHES "^Qt6::")
      set(qt ON)
    endif()
  endforeach()
  if(widgets)
    find_package(Qt6 REQUIRED COMPONENTS Widgets)
    brantle_pch_holder(brantle_pch_widget_tests WidgetTestPch.h Qt6::Widgets GTest::gtest GTest::gmock)
    target_precompile_headers(${target} REUSE_FROM brantle_pch_widget_tests)
  elseif(NOT qt)
    brantle_pch_holder(brantle_pch_tests TestPch.h GTest::gtest GTest::gmock)
    target_precompile_headers(${target} REUSE_FROM brantle_pch_tests)
  endif()
endfunction()

# Registers the cases of a test program with CTest: one CTest test per case,
# found when the test run starts (so building never runs test code), or with
# ONE_PROCESS the whole program as one CTest test, for programs whose cases
# share something slow to start (an office suite); the failing cases are
# named in its output.
function(brantle_register_tests name one_process timeout labels environment)
  if(one_process)
    add_test(NAME ${name} COMMAND ${name} WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
    set_tests_properties(${name} PROPERTIES TIMEOUT ${timeout} LABELS "${labels}")
    if(environment)
      set_tests_properties(${name} PROPERTIES ENVIRONMENT "${environment}")
    endif()
  else()
    set(properties TIMEOUT ${timeout} LABELS "${labels}")
    if(environment)
      list(APPEND properties ENVIRONMENT "${environment}")
    endif()
    gtest_discover_tests(${name}
      DISCOVERY_MODE PRE_TEST
      PROPERTIES ${properties}
      WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
  endif()
endfunction()

# brantle_test(<name> SOURCES <files...> LIBS <targets...> [LABELS <labels...>]
#              [TIMEOUT s] [ONE_PROCESS])
# One GoogleTest program.
function(brantle_test name)
  cmake_parse_arguments(T "ONE_PROCESS" "TIMEOUT" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gmock GTest::gtest_main)
  target_compile_definitions(${name} PRIVATE
    BRANTLE_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
    BRANTLE_BINARY_DIR="${PROJECT_BINARY_DIR}")
  brantle_test_pch(${name} "${T_LIBS}")
  brantle_test_optimisation(${name})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 120)
  endif()
  brantle_register_tests(${name} "${T_ONE_PROCESS}" ${T_TIMEOUT} "${T_LABELS}" "")
endfunction()

# Adds every sub-folder of the current folder that has a CMakeLists.txt.
macro(brantle_add_present_subfolders)
  foreach(dir IN LISTS BRANTLE_FOLDERS)
    if(EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${dir}/CMakeLists.txt)
      add_subdirectory(${dir})
    endif()
  endforeach()
endmacro()

# brantle_qt_test(<name> SOURCES ... LIBS ... [LABELS ...] [TIMEOUT s] [ONE_PROCESS])
# A GoogleTest program for widgets: its own main (tests/QtTestMain.cpp) makes
# the one QApplication of the program on the offscreen platform, with HOME and
# XDG_RUNTIME_DIR in a temporary folder.
function(brantle_qt_test name)
  cmake_parse_arguments(T "ONE_PROCESS" "TIMEOUT" "SOURCES;LIBS;LABELS" ${ARGN})
  find_package(Qt6 REQUIRED COMPONENTS Widgets Test)
  add_executable(${name} ${T_SOURCES} ${PROJECT_SOURCE_DIR}/tests/QtTestMain.cpp)
  set_target_properties(${name} PROPERTIES AUTOMOC ON)
  target_link_libraries(${name} PRIVATE ${T_LIBS} Qt6::Widgets Qt6::Test
    GTest::gtest GTest::gmock)
  target_compile_definitions(${name} PRIVATE
    BRANTLE_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
    BRANTLE_BINARY_DIR="${PROJECT_BINARY_DIR}")
  brantle_test_pch(${name} "Qt6::Widgets")
  brantle_test_optimisation(${name})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 120)
  endif()
  brantle_register_tests(${name} "${T_ONE_PROCESS}" ${T_TIMEOUT} "${T_LABELS}"
    "QT_QPA_PLATFORM=offscreen")
endfunction()
