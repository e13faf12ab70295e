# What a real machine throws at a setup: bad paths, damaged settings, odd files
# and keys the user may not open.
add_e2e_test(e2e_bad_input_tests SOURCES
  bad_input_test.cpp
  bad_input_files_test.cpp
  bad_input_registry_test.cpp
  bad_input_support.cpp)
