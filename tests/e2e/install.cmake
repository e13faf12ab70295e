# A fresh install through the windows of install.exe: files, registry, links and
# started programs after each page.
add_e2e_test(e2e_install_tests SOURCES
  install_test.cpp
  install_path_test.cpp
  install_folders_test.cpp
  install_support.cpp
  install_registry.cpp)
# The uninstall entry, links and uninstaller copy again on a 32-bit system.
add_win32_prefix_run(e2e_install_tests "InstallTest.EveryOption*")
