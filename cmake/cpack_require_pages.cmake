# Run by cpack on the staged files, before it builds the packages: every
# English manual page has its French translation in the same package. A
# build configured without po4a makes the English pages only, which a
# source install may do, but packages must not: they would silently differ
# from those built elsewhere.
file(GLOB_RECURSE staged RELATIVE "${CPACK_TEMPORARY_DIRECTORY}" "${CPACK_TEMPORARY_DIRECTORY}/*")
list(FILTER staged INCLUDE REGEX "/share/man/man[^/]+/[^/]+$")
set(missing "")
foreach(page IN LISTS staged)
  string(REPLACE "/share/man/man" "/share/man/fr/man" french "${page}")
  if(NOT EXISTS "${CPACK_TEMPORARY_DIRECTORY}/${french}")
    list(APPEND missing "${french}")
  endif()
endforeach()
if(missing)
  list(LENGTH missing count)
  list(GET missing 0 first)
  string(REGEX REPLACE "^[^/]+/(.*)" "\\1" first "${first}")  # less the component's folder
  message(FATAL_ERROR "No packages without the French manual pages (${count} missing, such as "
                      "${first}). They are made with po4a, which this build did not find: "
                      "install it with\n  sudo apt-get install po4a\nthen configure and build again.")
endif()
