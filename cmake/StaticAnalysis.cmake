# The static-analysis gate: clang-tidy, with the checks of .clang-tidy, and
# cppcheck find nothing in the product code (the tests are not product).
# The analysers are found with the other test tools (cmake/TestTools.cmake).

file(GLOB product_sources
     ${PROJECT_SOURCE_DIR}/gradebook/*.cpp ${PROJECT_SOURCE_DIR}/clock/*.cpp
     ${PROJECT_SOURCE_DIR}/quadroots/*.cpp ${PROJECT_SOURCE_DIR}/tallies/*.cpp
     ${PROJECT_SOURCE_DIR}/demos/*.cpp ${PROJECT_SOURCE_DIR}/exocheck/*.cpp)
list(FILTER product_sources EXCLUDE REGEX "_test\\.cpp$")

# clang-tidy reads the compile commands of this build; the options only g++
# knows are not warnings of ours.
add_test(NAME static.clang-tidy
         COMMAND ${CLANG_TIDY_PROGRAM} -p ${PROJECT_BINARY_DIR} --quiet
                 --extra-arg=-Wno-unknown-warning-option ${product_sources})
set_tests_properties(static.clang-tidy PROPERTIES FAIL_REGULAR_EXPRESSION "warning:|error:")

set(include_dirs common gradebook clock tallies exocheck)
list(TRANSFORM include_dirs PREPEND -I${PROJECT_SOURCE_DIR}/)
add_test(NAME static.cppcheck
         COMMAND ${CPPCHECK_PROGRAM} --std=c++20 --language=c++ --quiet --error-exitcode=1
                 --enable=warning,style,performance,portability --inline-suppr
                 ${include_dirs} -I${PROJECT_BINARY_DIR}/common
                 "-DPETITS_SOURCE=\"\"" ${product_sources})
