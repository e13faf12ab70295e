# Unattended walks cut off at every call they make to change the machine: the
# setup program's test build, with the failure seam armed from the environment.
add_setup_program(install_faults ${CMAKE_SOURCE_DIR}/tests/faults/fault_seam.cpp
  ${CMAKE_SOURCE_DIR}/tests/faults/seam_from_environment.cpp)
set_target_properties(install_faults PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
add_e2e_test(e2e_cut_off_tests SOURCES
  cut_off_test.cpp
  cycle_support.cpp
  ${CMAKE_SOURCE_DIR}/tests/faults/machine_state.cpp
  ${CMAKE_SOURCE_DIR}/tests/faults/walk_checks.cpp)
add_dependencies(e2e_cut_off_tests install_faults)
set_tests_properties(e2e_cut_off_tests PROPERTIES TIMEOUT 2400)
