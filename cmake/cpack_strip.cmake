# Run by cpack on the staged files, before it builds the packages: strips
# them as Debian's own tools do. The programs lose their symbols and the
# compiler's notes; the object modules lose only their debugging data and
# notes, and keep the symbols they exist to provide.
function(strip_staged pattern)
  file(GLOB_RECURSE files "${CPACK_TEMPORARY_DIRECTORY}/*/${pattern}")
  foreach(file IN LISTS files)
    execute_process(COMMAND "${CPACK_PETITS_STRIP}" ${ARGN} --remove-section=.comment
                            --remove-section=.note "${file}"
                    RESULT_VARIABLE rc)
    if(NOT rc EQUAL 0)
      message(FATAL_ERROR "cannot strip ${file}")
    endif()
  endforeach()
endfunction()

strip_staged(usr/bin/*)
strip_staged(usr/lib/petits-calculs/*.o --strip-debug)
