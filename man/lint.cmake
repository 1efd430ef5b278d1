# Fails when a manual page in one of PAGE_DIRS draws any warning from groff
# (GROFF) or, when MAN is set, from man -l in a UTF-8 and in an ASCII locale.
set(pages "")
foreach(dir IN LISTS PAGE_DIRS)
  file(GLOB found "${dir}/*.1" "${dir}/*.3" "${dir}/*.7")
  if(NOT found)
    message(FATAL_ERROR "no manual page in ${dir}")
  endif()
  list(APPEND pages ${found})
endforeach()

set(problems "")
foreach(page IN LISTS pages)
  foreach(device utf8 ascii)
    execute_process(COMMAND ${GROFF} -ww -z -man -Kutf8 -T${device} ${page}
                    OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE rc)
    if(NOT rc EQUAL 0 OR NOT out STREQUAL "" OR NOT err STREQUAL "")
      string(APPEND problems "groff -T${device} ${page} (status ${rc}):\n${out}${err}\n")
    endif()
  endforeach()
  if(MAN)
    foreach(locale C.UTF-8 C)
      execute_process(COMMAND ${CMAKE_COMMAND} -E env LC_ALL=${locale} MANWIDTH=80
                              MAN_DISABLE_SECCOMP=1 ${MAN} --warnings=w -l ${page}
                      OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE rc)
      if(NOT rc EQUAL 0 OR out STREQUAL "" OR NOT err STREQUAL "")
        string(APPEND problems "man -l ${page} in locale ${locale} (status ${rc}):\n${err}\n")
      endif()
    endforeach()
  endif()
endforeach()

if(problems)
  message(FATAL_ERROR "${problems}")
endif()
list(LENGTH pages count)
message(STATUS "${count} pages format without warnings")
