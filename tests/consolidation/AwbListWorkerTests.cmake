# Page 14's query worker against a stand-in that holds every query reply
# back.  Included by tests/consolidation/CMakeLists.txt and, in the
# AddressSanitizer build, by tests/CMakeLists.txt (only this program of the
# folder is built there).
find_package(SQLite3 REQUIRED)
brantle_qt_test(awb_list_worker_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/AwbListWorkerTest.cpp
  LIBS consolidation server refdata SQLite::SQLite3
  LABELS asan
  TIMEOUT 300)
if(TARGET brantle-server)
  add_dependencies(awb_list_worker_tests brantle-server)
endif()
