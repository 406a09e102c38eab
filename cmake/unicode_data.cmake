# Writes the tables of Unicode's canonical composition (NFC) from the Unicode data files Debian
# ships (package unicode-data): each character's canonical combining class, its canonical
# decomposition, and the pairs that compose, so that no table is typed by hand.
#   cmake -DUNICODE=<folder of UnicodeData.txt and CompositionExclusions.txt> -DOUTPUT=<file.cpp>
#         -P <this file>

# Code points are padded to six hexadecimal digits, so that they sort as text sorts them.
function(padded hex out)
  string(LENGTH "${hex}" length)
  math(EXPR zeros "6 - ${length}")
  string(REPEAT "0" ${zeros} padding)
  set(${out} "${padding}${hex}" PARENT_SCOPE)
endfunction()

file(STRINGS "${UNICODE}/UnicodeData.txt" classed REGEX "^[0-9A-F]+;[^;]*;[^;]*;[1-9]")
set(classes "")
foreach(line IN LISTS classed)
  string(REGEX MATCH "^([0-9A-F]+);[^;]*;[^;]*;([0-9]+);" ignored "${line}")
  padded(${CMAKE_MATCH_1} code_point)
  set(class_of_${code_point} ${CMAKE_MATCH_2})
  string(APPEND classes "    {0x${code_point}, ${CMAKE_MATCH_2}},\n")
endforeach()

file(STRINGS "${UNICODE}/CompositionExclusions.txt" excluded REGEX "^[0-9A-F]+")
foreach(line IN LISTS excluded)
  string(REGEX MATCH "^[0-9A-F]+" code_point "${line}")
  padded(${code_point} code_point)
  set(excluded_${code_point} TRUE)
endforeach()

# Canonical decompositions only: a compatibility decomposition begins with its <tag>.
file(STRINGS "${UNICODE}/UnicodeData.txt" decomposable
     REGEX "^[0-9A-F]+;[^;]*;[^;]*;[0-9]+;[^;]*;[0-9A-F]")
set(decompositions "")
set(pairs "")
foreach(line IN LISTS decomposable)
  string(REGEX MATCH "^([0-9A-F]+);[^;]*;[^;]*;[0-9]+;[^;]*;([0-9A-F]+) ?([0-9A-F]*);" ignored
         "${line}")
  padded(${CMAKE_MATCH_1} code_point)
  padded(${CMAKE_MATCH_2} first)
  set(second 000000)
  if(CMAKE_MATCH_3)
    padded(${CMAKE_MATCH_3} second)
  endif()
  string(APPEND decompositions "    {0x${code_point}, 0x${first}, 0x${second}},\n")
  # What composes: a pair, neither excluded nor beginning with a character that combines with
  # what comes before it, into a character that does not either.
  if(CMAKE_MATCH_3 AND NOT excluded_${code_point} AND NOT class_of_${first}
     AND NOT class_of_${code_point})
    list(APPEND pairs "${first}${second}${code_point}")
  endif()
endforeach()
list(SORT pairs)
set(compositions "")
foreach(pair IN LISTS pairs)
  string(SUBSTRING "${pair}" 0 6 first)
  string(SUBSTRING "${pair}" 6 6 second)
  string(SUBSTRING "${pair}" 12 6 composite)
  string(APPEND compositions "    {0x${first}, 0x${second}, 0x${composite}},\n")
endforeach()

file(STRINGS "${UNICODE}/ReadMe.txt" version LIMIT_COUNT 1 REGEX "Version [0-9.]+")
string(REGEX MATCH "Version [0-9.]*[0-9]" version "${version}")
file(WRITE "${OUTPUT}.new" "// Written by cmake/unicode_data.cmake from the Unicode data files (${version}): do not edit.
#include \"core/unicode_data.h\"

const CombiningClass kCombiningClasses[] = {
${classes}};
const std::size_t kCombiningClassCount = std::size(kCombiningClasses);

const Decomposition kDecompositions[] = {
${decompositions}};
const std::size_t kDecompositionCount = std::size(kDecompositions);

const Composition kCompositions[] = {
${compositions}};
const std::size_t kCompositionCount = std::size(kCompositions);
")
# Rewritten only when it changes, so that nothing is rebuilt for nothing.
file(COPY_FILE "${OUTPUT}.new" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.new")
