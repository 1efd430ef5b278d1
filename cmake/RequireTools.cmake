# Tools a build needs beyond the compiler: each one missing is noted, and the
# configure then stops once, naming all of them and the apt-get line that
# installs them, rather than one per run. Needs nothing of the project, so a
# toolchain file may include it too.
#
#   petits_require_tool(<var> <program> <debian-package>)
#       find_program(<var> <program>), noting <program> when it is missing;
#   petits_require(<found> <what> <debian-package>)
#       notes <what> unless <found> is true (a find_package result, say);
#   petits_stop_if_tools_missing([<advice>])
#       stops the configure if anything was noted, <advice> ending the message.
include_guard(GLOBAL)

function(petits_require found what package)
  if(NOT found)
    set_property(GLOBAL APPEND PROPERTY PETITS_MISSING_TOOLS "${what}")
    set_property(GLOBAL APPEND PROPERTY PETITS_MISSING_PACKAGES "${package}")
  endif()
endfunction()

function(petits_require_tool var program package)
  find_program(${var} ${program})
  petits_require("${${var}}" ${program} ${package})
endfunction()

function(petits_stop_if_tools_missing)
  get_property(tools GLOBAL PROPERTY PETITS_MISSING_TOOLS)
  if(NOT tools)
    return()
  endif()
  get_property(packages GLOBAL PROPERTY PETITS_MISSING_PACKAGES)
  set(lines "")
  foreach(tool package IN ZIP_LISTS tools packages)
    string(APPEND lines "  ${tool} (Debian package ${package})\n")
  endforeach()
  # One package may bring several of the tools.
  list(REMOVE_DUPLICATES packages)
  list(JOIN packages " " packages)
  message(FATAL_ERROR "Missing tools:\n${lines}Install them with\n"
                      "  sudo apt-get install ${packages}\n${ARGV0}")
endfunction()
