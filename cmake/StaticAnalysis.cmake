# The static-analysis gate: clang-tidy, with the checks of .clang-tidy, and
# cppcheck find nothing in the product code (the tests are not product).
# The analysers are found with the other test tools (cmake/TestTools.cmake).

file(GLOB product_sources
     ${PROJECT_SOURCE_DIR}/gradebook/*.cpp ${PROJECT_SOURCE_DIR}/clock/*.cpp
     ${PROJECT_SOURCE_DIR}/quadroots/*.cpp ${PROJECT_SOURCE_DIR}/tallies/*.cpp
     ${PROJECT_SOURCE_DIR}/demos/*.cpp ${PROJECT_SOURCE_DIR}/exocheck/*/*.cpp)
list(FILTER product_sources EXCLUDE REGEX "_test\\.cpp$")

# clang-tidy reads the compile commands of this build; the options only g++
# knows are not warnings of ours. It takes seconds a source: the sources are
# dealt into four tests, which CTest runs side by side, and a source is not
# checked again while nothing clang-tidy reads of it has changed
# (cmake/static_tidy.py).
set(parts 4)
foreach(part RANGE 1 ${parts})
  set(sources_${part} "")
endforeach()
set(part 1)
foreach(source IN LISTS product_sources)
  list(APPEND sources_${part} ${source})
  math(EXPR part "${part} % ${parts} + 1")
endforeach()
foreach(part RANGE 1 ${parts})
  add_test(NAME static.clang-tidy.${part}
           COMMAND Python3::Interpreter ${CMAKE_CURRENT_LIST_DIR}/static_tidy.py
                   --build ${PROJECT_BINARY_DIR} --clang-tidy ${CLANG_TIDY_PROGRAM}
                   --config ${PROJECT_SOURCE_DIR}/.clang-tidy
                   --config ${PROJECT_SOURCE_DIR}/exocheck/.clang-tidy ${sources_${part}})
  set_tests_properties(static.clang-tidy.${part} PROPERTIES FAIL_REGULAR_EXPRESSION "warning:|error:")
endforeach()

set(include_dirs common gradebook clock quadroots tallies exocheck)
list(TRANSFORM include_dirs PREPEND -I${PROJECT_SOURCE_DIR}/)
add_test(NAME static.cppcheck
         COMMAND ${CPPCHECK_PROGRAM} --std=c++20 --language=c++ --quiet --error-exitcode=1
                 --enable=warning,style,performance,portability --inline-suppr
                 ${include_dirs} -I${PROJECT_BINARY_DIR}/common
                 "-DPETITS_SOURCE=\"\"" ${product_sources})
