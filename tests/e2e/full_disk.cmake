# A real full drive: a small tmpfs mounted by the host (where it lets the tests
# mount one) and mapped to a drive letter; the group runs only through that
# script, which says so and skips where no tmpfs can be mounted.
add_wine_executable(e2e_full_disk_tests SOURCES
  full_disk_test.cpp
  cycle_support.cpp
  ${CMAKE_SOURCE_DIR}/tests/faults/machine_state.cpp
  ${CMAKE_SOURCE_DIR}/tests/faults/walk_checks.cpp
  LIBRARIES wizard_driver)
target_sources(e2e_full_disk_tests PRIVATE ${CMAKE_CURRENT_LIST_DIR}/utf8_process.rc)
add_dependencies(e2e_full_disk_tests distribution)
add_test(NAME e2e_full_disk_tests
  COMMAND ${CMAKE_SOURCE_DIR}/tests/tools/small_drive_test.sh ${CMAKE_BINARY_DIR}
    ${CMAKE_BINARY_DIR}/tests/e2e_full_disk_tests.exe)
set_tests_properties(e2e_full_disk_tests PROPERTIES ENVIRONMENT "${wine_test_environment}"
  RUN_SERIAL TRUE TIMEOUT 900 SKIP_RETURN_CODE 77)
