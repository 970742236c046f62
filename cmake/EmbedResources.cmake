# Writes the C++ source of a resource list (see tavrel_resources in
# Tavrel.cmake): one byte array per file and the function that lists them.
# cmake -DLISTING=<list> -DFUNCTION=<name> -DOUT=<source> -P EmbedResources.cmake
file(STRINGS ${LISTING} lines)
set(arrays "")
set(entries "")
set(index 0)
foreach(line IN LISTS lines)
  if(NOT line MATCHES "^([A-Z]+) ([A-Za-z0-9_]+) (.+)$")
    message(FATAL_ERROR "bad resource line: ${line}")
  endif()
  set(type RT_${CMAKE_MATCH_1})
  set(name ${CMAKE_MATCH_2})
  set(path ${CMAKE_MATCH_3})
  file(READ ${path} hex HEX)
  string(LENGTH "${hex}" digits)
  if(digits EQUAL 0)
    set(bytes "{}")
  else()
    # Sixteen bytes a line (CMake's expressions have no counted repeats).
    string(REPEAT "[0-9a-f][0-9a-f]" 16 line)
    string(REGEX REPLACE "(${line})" "\\1\n" hex "${hex}")
    string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
    string(REPLACE "\n" "\n    " bytes "${bytes}")
    string(APPEND arrays "const uint8_t kData${index}[] = {\n    ${bytes}};\n")
    set(bytes "kData${index}")
  endif()
  if(name MATCHES "^[0-9]+$")
    string(APPEND entries "    {${type}, {}, ${name}, ${bytes}},\n")
  else()
    string(APPEND entries "    {${type}, \"${name}\", 0, ${bytes}},\n")
  endif()
  math(EXPR index "${index} + 1")
endforeach()
file(WRITE ${OUT}.tmp "// Made by cmake/EmbedResources.cmake from ${LISTING}; do not edit.
#include <cstdint>
#include <span>

#include \"platform/ui/resources.h\"

namespace tavrel {

namespace {

${arrays}
const TResource kResources[] = {
${entries}};

}  // namespace

std::span<const TResource> ${FUNCTION}() { return kResources; }

}  // namespace tavrel
")
file(RENAME ${OUT}.tmp ${OUT})
