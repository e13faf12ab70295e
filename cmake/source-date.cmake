# Two builds of one commit give the same bytes: the executables shipped in the
# distribution carry the commit's time as their PE time stamp (SOURCE_DATE_EPOCH
# when set), not the time of the link. GNU ld takes the stamp from
# SOURCE_DATE_EPOCH in its environment. The value is part of the link command, so
# a new commit relinks them: every ./run configures again.
if(DEFINED ENV{SOURCE_DATE_EPOCH})
  set(source_date_epoch "$ENV{SOURCE_DATE_EPOCH}")
else()
  execute_process(COMMAND git log -1 --format=%ct
    WORKING_DIRECTORY ${CMAKE_SOURCE_DIR}
    OUTPUT_VARIABLE source_date_epoch ERROR_VARIABLE git_error
    OUTPUT_STRIP_TRAILING_WHITESPACE)
endif()
if(NOT source_date_epoch MATCHES "^[0-9]+$")
  message(FATAL_ERROR "The executables' time stamp is the commit's: git gave none here "
    "(${git_error}). Outside a git checkout, set SOURCE_DATE_EPOCH (seconds since 1970).")
endif()
# ./run package dates the files in the zip with it too.
file(CONFIGURE OUTPUT ${CMAKE_BINARY_DIR}/source-date-epoch CONTENT "${source_date_epoch}\n")

# reproducible_link(<target>): links <target> with the commit's time stamp.
function(reproducible_link target)
  set(launcher ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=${source_date_epoch})
  set_target_properties(${target} PROPERTIES C_LINKER_LAUNCHER "${launcher}"
    CXX_LINKER_LAUNCHER "${launcher}")
endfunction()
