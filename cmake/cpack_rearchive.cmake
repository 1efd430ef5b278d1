# Run by cpack on each package it has built: writes the package's outer ar
# archive again in deterministic mode (owner 0, date 0, mode 0644), since
# cpack gives its members the builder's umask. The members, and the files
# in them, are kept byte for byte and in their order.
foreach(deb IN LISTS CPACK_PACKAGE_FILES)
  get_filename_component(work "${deb}.members" ABSOLUTE)
  file(REMOVE_RECURSE "${work}")
  file(MAKE_DIRECTORY "${work}")
  execute_process(COMMAND "${CPACK_PETITS_AR}" t "${deb}"
                  OUTPUT_VARIABLE members OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE listed)
  execute_process(COMMAND "${CPACK_PETITS_AR}" x "${deb}" WORKING_DIRECTORY "${work}"
                  RESULT_VARIABLE extracted)
  string(REPLACE "\n" ";" members "${members}")
  file(REMOVE "${deb}")
  execute_process(COMMAND "${CPACK_PETITS_AR}" rcD "${deb}" ${members} WORKING_DIRECTORY "${work}"
                  RESULT_VARIABLE archived)
  if(NOT listed EQUAL 0 OR NOT extracted EQUAL 0 OR NOT archived EQUAL 0)
    message(FATAL_ERROR "cannot write ${deb} again")
  endif()
  file(REMOVE_RECURSE "${work}")
endforeach()
