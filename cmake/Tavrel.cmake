# tavrel_library(<folder> [DEPS lib...] [PACKAGES pkg-config-name...])
# One static library per folder: every .cpp directly in the folder (and in
# its named sub-folders given as SUBDIRS) goes into tavrel_<folder>.
function(tavrel_library folder)
  cmake_parse_arguments(ARG "" "" "DEPS;SUBDIRS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  foreach(sub ${ARG_SUBDIRS})
    file(GLOB more CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${sub}/*.cpp)
    list(APPEND sources ${more})
  endforeach()
  if(sources)
    add_library(tavrel_${folder} STATIC ${sources})
    target_include_directories(tavrel_${folder} PUBLIC ${PROJECT_SOURCE_DIR})
    target_link_libraries(tavrel_${folder} PUBLIC ${ARG_DEPS})
  else()  # headers only so far
    add_library(tavrel_${folder} INTERFACE)
    target_include_directories(tavrel_${folder} INTERFACE ${PROJECT_SOURCE_DIR})
    target_link_libraries(tavrel_${folder} INTERFACE ${ARG_DEPS})
  endif()
endfunction()

# tavrel_tests(<folder> [THREADED] [DEPS lib...])
# One GoogleTest binary per folder from <folder>/tests/*.cpp, registered in
# CTest test by test with the folder's name as label. Under ThreadSanitizer
# only the suites marked THREADED are built.
function(tavrel_tests folder)
  if(NOT TAVREL_BUILD_TESTS)
    return()
  endif()
  cmake_parse_arguments(ARG "THREADED" "" "DEPS" ${ARGN})
  if(TAVREL_SANITIZE MATCHES "thread" AND NOT ARG_THREADED)
    return()
  endif()
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/tests/*.cpp)
  set(target ${folder}_tests)
  add_executable(${target} ${sources})
  target_link_libraries(${target} PRIVATE tavrel_${folder} ${ARG_DEPS} GTest::gtest GTest::gmock)
  gtest_discover_tests(${target}
    DISCOVERY_MODE PRE_TEST
    WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}
    PROPERTIES LABELS ${folder} TIMEOUT 300)
endfunction()
