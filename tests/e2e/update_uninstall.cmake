# Update and uninstall through the windows: the full install-update-uninstall
# cycle, the running program, backups, list conversion, file deletion and the
# uninstaller's deletion of itself on both families of the system.
add_e2e_test(e2e_update_uninstall_tests SOURCES
  cycle_support.cpp
  cycle_test.cpp
  cycle_running_program_test.cpp
  update_test.cpp
  uninstall_test.cpp
  uninstall_self_deletion_test.cpp)
target_link_libraries(e2e_update_uninstall_tests PRIVATE shlwapi)
# The whole cycle again where narrow-string programs have another code page
# (the rows of the cycle's table).
add_locale_run(e2e_update_uninstall_tests de_DE.UTF-8 "Walks/FullCycleTest.*German"
  RUN_SERIAL TRUE TIMEOUT 900)
add_locale_run(e2e_update_uninstall_tests ja_JP.UTF-8 "Walks/FullCycleTest.*Japanese"
  RUN_SERIAL TRUE TIMEOUT 900)
# "Delete all files" in the shared folders and the uninstaller's self-deletion
# again on a 32-bit system.
add_win32_prefix_run(e2e_update_uninstall_tests "Spellings/SharedFolderTest.*:*SelfDeletionTest.*")
