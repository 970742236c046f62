# tavrel_library(<name> [DIRS dir...] [EXCLUDE file...] [DEPS lib...])
# One static library, tavrel_<name>, of every .cpp in the given folders of
# the current source folder ("." for the folder itself, the default), but
# the excluded files. A folder with headers only so far gives an interface
# library.
function(tavrel_library name)
  cmake_parse_arguments(ARG "" "" "DIRS;EXCLUDE;DEPS" ${ARGN})
  if(NOT ARG_DIRS)
    set(ARG_DIRS .)
  endif()
  set(sources)
  foreach(dir ${ARG_DIRS})
    file(GLOB more CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${dir}/*.cpp)
    list(APPEND sources ${more})
  endforeach()
  foreach(file ${ARG_EXCLUDE})
    list(REMOVE_ITEM sources ${CMAKE_CURRENT_SOURCE_DIR}/${file})
  endforeach()
  if(sources)
    add_library(tavrel_${name} STATIC ${sources})
    target_include_directories(tavrel_${name} PUBLIC ${PROJECT_SOURCE_DIR})
    target_link_libraries(tavrel_${name} PUBLIC ${ARG_DEPS})
  else()  # headers only so far
    add_library(tavrel_${name} INTERFACE)
    target_include_directories(tavrel_${name} INTERFACE ${PROJECT_SOURCE_DIR})
    target_link_libraries(tavrel_${name} INTERFACE ${ARG_DEPS})
  endif()
endfunction()

# tavrel_tests(<folder> [THREADED] [DEPS lib...])
# One GoogleTest binary per folder from <folder>/tests/*.cpp, registered in
# CTest as TAVREL_TEST_SHARDS shards with the folder's name as label
# (ctest -L audio; one test alone: audio/audio_tests --gtest_filter=...). Only the folders named
# in TAVREL_TEST_FOLDERS are built when it is set, and under ThreadSanitizer
# only the suites marked THREADED. Every test program joins tavrel_check, the
# target a test pass builds. With TAVREL_TEST_PCH each program parses the
# test framework's header once, not once per file. TAVREL_FULL_SWEEPS (on in Release) tells the
# tests to run their whole parameter sweeps; other builds keep one
# representative case per path.
function(tavrel_tests folder)
  if(NOT TAVREL_BUILD_TESTS)
    return()
  endif()
  cmake_parse_arguments(ARG "THREADED" "" "DEPS" ${ARGN})
  if(TAVREL_SANITIZE MATCHES "thread" AND NOT ARG_THREADED)
    return()
  endif()
  if(TAVREL_TEST_FOLDERS AND NOT folder IN_LIST TAVREL_TEST_FOLDERS)
    return()
  endif()
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/tests/*.cpp)
  set(target ${folder}_tests)
  add_executable(${target} ${sources})
  target_link_libraries(${target} PRIVATE tavrel_${folder} ${ARG_DEPS} GTest::gtest GTest::gmock)
  if(TAVREL_FULL_SWEEPS)
    target_compile_definitions(${target} PRIVATE TAVREL_FULL_SWEEPS=1)
  else()
    target_compile_definitions(${target} PRIVATE TAVREL_FULL_SWEEPS=0)
  endif()
  if(TAVREL_TEST_PCH)
    target_precompile_headers(${target} PRIVATE <gtest/gtest.h> <algorithm> <cmath> <cstring> <functional>
                              <memory> <string> <thread> <vector>)
  endif()
  add_dependencies(tavrel_check ${target})
  # A few shards per program rather than one process per test: each process
  # starts the modules, the sanitizers and the test framework anew, which
  # cost more than most tests themselves.
  math(EXPR last "${TAVREL_TEST_SHARDS} - 1")
  foreach(shard RANGE ${last})
    add_test(NAME ${folder}.${shard} COMMAND ${target} --gtest_brief=1
             WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
    set_tests_properties(${folder}.${shard} PROPERTIES
      LABELS ${folder} TIMEOUT 1200
      ENVIRONMENT "GTEST_TOTAL_SHARDS=${TAVREL_TEST_SHARDS};GTEST_SHARD_INDEX=${shard}")
  endforeach()
endfunction()

# tavrel_foreign_library(<target>)
# A test library that stands in for an outside vendor's: it declares the
# vendor's types itself, as the vendor's own header would. Clang's
# function-type check would take those look-alike types, met through
# GetProcAddress, for a mismatch, so it is off in such a library; the
# program calling it keeps every check.
function(tavrel_foreign_library target)
  if(CMAKE_CXX_COMPILER_ID MATCHES "Clang" AND TAVREL_SANITIZE MATCHES "undefined")
    target_compile_options(${target} PRIVATE -fno-sanitize=function)
  endif()
endfunction()

# tavrel_fuzz(<name> <source>... [DEPS lib...])
# The libFuzzer target fuzz_<name>, built with -DTAVREL_FUZZ=ON only. Its
# hand-kept seeds live in fuzz/corpus/<name> of the folder, grown corpora in
# the build tree (README, "For developers").
function(tavrel_fuzz name)
  if(NOT TAVREL_FUZZ)
    return()
  endif()
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  add_executable(fuzz_${name} ${ARG_UNPARSED_ARGUMENTS})
  target_link_libraries(fuzz_${name} PRIVATE ${ARG_DEPS})
endfunction()

# Every executable named fuzz_* under `dir` links libFuzzer's main and
# joins tavrel_fuzz, however its folder made it.
function(tavrel_join_fuzz_targets dir)
  get_property(targets DIRECTORY ${dir} PROPERTY BUILDSYSTEM_TARGETS)
  foreach(target ${targets})
    get_target_property(type ${target} TYPE)
    if(type STREQUAL "EXECUTABLE" AND target MATCHES "^fuzz_")
      set_property(TARGET ${target} APPEND PROPERTY LINK_OPTIONS -fsanitize=fuzzer)
      add_dependencies(tavrel_fuzz ${target})
    endif()
  endforeach()
  get_property(subdirs DIRECTORY ${dir} PROPERTY SUBDIRECTORIES)
  foreach(sub ${subdirs})
    tavrel_join_fuzz_targets(${sub})
  endforeach()
endfunction()

# tavrel_resources(<target> <function> {<type> <name> <file>}...)
# Compiles files into <target> as program resources (platform/ui/resources.h):
# a generated source defines std::span<const TResource> <function>() listing
# them, which a module start-up registers with HInstance(). <type> is
# BITMAP (a BMP file), CURSOR (a .cur file) or RCDATA (any bytes); a <name>
# of digits only makes a numbered resource; files are relative to the
# current source folder. No resource compiler: EmbedResources.cmake writes
# the bytes out as arrays whenever a file changes.
set(TAVREL_EMBED_SCRIPT ${CMAKE_CURRENT_LIST_DIR}/EmbedResources.cmake)
function(tavrel_resources target function)
  set(args ${ARGN})
  list(LENGTH args count)
  math(EXPR odd "${count} % 3")
  if(count EQUAL 0 OR NOT odd EQUAL 0)
    message(FATAL_ERROR "tavrel_resources(${function}): give a type, a name and a file for each resource")
  endif()
  set(listing "")
  set(files)
  while(args)
    list(POP_FRONT args type name file)
    if(NOT type MATCHES "^(BITMAP|CURSOR|RCDATA)$")
      message(FATAL_ERROR "tavrel_resources(${function}): unknown resource type ${type}")
    endif()
    if(NOT name MATCHES "^[A-Za-z0-9_]+$")
      message(FATAL_ERROR "tavrel_resources(${function}): resource name ${name} is not an identifier or a number")
    endif()
    get_filename_component(path ${file} ABSOLUTE BASE_DIR ${CMAKE_CURRENT_SOURCE_DIR})
    string(APPEND listing "${type} ${name} ${path}\n")
    list(APPEND files ${path})
  endwhile()
  set(dir ${CMAKE_CURRENT_BINARY_DIR}/resources)
  set(listing_file ${dir}/${function}.txt)
  # Written only when it changes, so that the sources are not made again for nothing.
  set(old "")
  if(EXISTS ${listing_file})
    file(READ ${listing_file} old)
  endif()
  if(NOT old STREQUAL listing)
    file(WRITE ${listing_file} "${listing}")
  endif()
  set(source ${dir}/${function}.cpp)
  add_custom_command(OUTPUT ${source}
    COMMAND ${CMAKE_COMMAND} -DLISTING=${listing_file} -DFUNCTION=${function} -DOUT=${source}
            -P ${TAVREL_EMBED_SCRIPT}
    DEPENDS ${listing_file} ${files} ${TAVREL_EMBED_SCRIPT}
    COMMENT "Embedding the resources of ${function}"
    VERBATIM)
  target_sources(${target} PRIVATE ${source})
endfunction()
