# Makes French manual pages with po4a (PO4A), the pages and PO files found
# under SOURCE_DIR, without changing the PO files: the page of each of
# CONFIGS (po4a configurations, separated by commas) becomes
# OUTPUT_DIR/fr/<page>, <page> being the matching one of PAGES (file names,
# separated by commas); then the version goes in as configure_file puts it
# in the English pages, so that the PO files do not change with the version
# (PROJECT_VERSION).
# KEEP is the percentage of translated texts a page needs: the build gives 0,
# so that a page whose translation is behind keeps its new texts in English;
# the test gives 100, and fails on any page that is not wholly translated.
foreach(var PO4A CONFIGS PAGES SOURCE_DIR OUTPUT_DIR KEEP PROJECT_VERSION)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "translate.cmake needs -D${var}=...")
  endif()
endforeach()
string(REPLACE "," ";" CONFIGS "${CONFIGS}")
string(REPLACE "," ";" PAGES "${PAGES}")

# po4a writes into a directory of its own, emptied first, so that a page it
# leaves out is not taken from an earlier run. It runs in another one: it
# removes from its current directory every file named as a page it writes.
set(behind "")
foreach(config page IN ZIP_LISTS CONFIGS PAGES)
  set(work ${OUTPUT_DIR}/po4a-${page})
  file(REMOVE_RECURSE ${work})
  file(MAKE_DIRECTORY ${work}/pages/fr)
  execute_process(COMMAND ${PO4A} --no-update --srcdir ${SOURCE_DIR} --destdir ${work}/pages
                          --keep ${KEEP} ${config}
                  WORKING_DIRECTORY ${work}
                  OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "${PO4A} failed on ${page} (status ${rc}):\n${out}${err}")
  endif()
  # Below the threshold po4a writes no page, says why, and still exits with 0.
  if(EXISTS ${work}/pages/fr/${page})
    configure_file(${work}/pages/fr/${page} ${OUTPUT_DIR}/fr/${page} @ONLY)
    # Newer than its sources even when its content did not change.
    file(TOUCH ${OUTPUT_DIR}/fr/${page})
  else()
    string(APPEND behind "${out}${err}")
  endif()
  file(REMOVE_RECURSE ${work})
endforeach()

if(behind)
  message(FATAL_ERROR "translations not complete or not up to date with the English pages; "
                      "update the PO files with `cmake --build <build-dir> --target update-po`, "
                      "see man/CMakeLists.txt:\n${behind}")
endif()
