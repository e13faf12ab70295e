# The uninstaller copy of a signed setup. Not a ctest test of its own: the
# release_package test (tests/tools/package_test.sh) signs the setup first, runs
# this, then verifies the copy's signature on the host.
add_wine_executable(e2e_signed_setup SOURCES signed_setup_test.cpp LIBRARIES wizard_driver)
