# Translates English manual pages with po4a-translate (PO4A): each of PAGES
# (paths, separated by commas) becomes OUTPUT_DIR/<page>, its
# texts taken from the PO file PO and the lines of ADDENDUM added; then the
# version goes in as configure_file puts it in the English pages, so that
# the PO file does not change with the version (PROJECT_VERSION).
# KEEP is the percentage of translated texts a page needs: the build gives 0,
# so that a page whose translation is behind keeps its new texts in English;
# the test gives 100, and fails on any page that is not wholly translated.
foreach(var PO4A PAGES PO ADDENDUM OUTPUT_DIR KEEP PROJECT_VERSION)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "translate.cmake needs -D${var}=...")
  endif()
endforeach()

string(REPLACE "," ";" PAGES "${PAGES}")
set(behind "")
foreach(source IN LISTS PAGES)
  get_filename_component(page ${source} NAME)
  set(translated ${OUTPUT_DIR}/${page}.po4a)
  file(REMOVE ${translated})
  execute_process(COMMAND ${PO4A} --format man
                          --option groff_code=verbatim
                          --master-charset UTF-8 --localized-charset UTF-8
                          --master ${source} --po ${PO}
                          --addendum ${ADDENDUM} --keep ${KEEP}
                          --localized ${translated}
                  OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "${PO4A} failed on ${page} (status ${rc}):\n${out}${err}")
  endif()
  # Below the threshold po4a-translate writes no page, says why, and still
  # exits with 0. Its other output is only a notice that it is deprecated.
  if(NOT EXISTS ${translated})
    string(APPEND behind "${err}")
    continue()
  endif()
  configure_file(${translated} ${OUTPUT_DIR}/${page} @ONLY)
  # Newer than its sources even when its content did not change.
  file(TOUCH ${OUTPUT_DIR}/${page})
  file(REMOVE ${translated})
endforeach()

if(behind)
  message(FATAL_ERROR "translations not complete or not up to date with the "
                      "English pages (update man/po/fr.po with po4a, see man/po4a.cfg):\n${behind}")
endif()
