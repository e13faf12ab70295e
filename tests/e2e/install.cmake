# A fresh install through the windows of install.exe: files, registry, links and
# started programs after each page.
add_e2e_test(e2e_install_tests SOURCES
  install_test.cpp
  install_path_test.cpp
  install_folders_test.cpp
  install_hostile_test.cpp
  install_support.cpp
  install_registry.cpp)
# The uninstall entry, links and uninstaller copy again on a 32-bit system.
add_win32_prefix_run(e2e_install_tests "InstallTest.EveryOption*")

# The planted-DLL test's DLL, copied under system DLLs' names, and its reference
# program. Both run under Wine in the build that Wine runs here; the 32-bit
# linker sees the entry point's stdcall decoration.
add_library(planted_marker SHARED planted_marker.cpp)
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  set(planted_entry _PlantedEntry@12)
else()
  set(planted_entry PlantedEntry)
endif()
target_compile_options(planted_marker PRIVATE -fno-exceptions)
target_link_libraries(planted_marker PRIVATE kernel32 gcc)
target_link_options(planted_marker PRIVATE -nostartfiles -nodefaultlibs -Wl,--entry=${planted_entry})
set_target_properties(planted_marker PROPERTIES PREFIX "" RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
add_executable(planted_reference WIN32 planted_reference.cpp planted_reference.rc
  ${CMAKE_SOURCE_DIR}/setup/system_paths.cpp)
target_include_directories(planted_reference PRIVATE ${CMAKE_BINARY_DIR}/res)
set_source_files_properties(planted_reference.rc PROPERTIES OBJECT_DEPENDS ${CMAKE_BINARY_DIR}/res/setup.manifest)
target_link_libraries(planted_reference PRIVATE user32 gdi32 advapi32 shell32 ole32 oleaut32 comctl32)
set_target_properties(planted_reference PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
add_dependencies(e2e_install_tests planted_marker planted_reference)
