# Writes the word list as a C++ table: cmake -DINPUT=list.txt -DOUTPUT=out.cpp
# -P make_word_list.cmake. Each input line is five dice digits, a TAB and
# the word.
file(STRINGS ${INPUT} lines)
list(LENGTH lines count)
if(NOT count EQUAL 7776)
  message(FATAL_ERROR "${INPUT}: ${count} lines, expected 7776")
endif()
set(table "")
foreach(line IN LISTS lines)
  if(NOT line MATCHES "^[1-6][1-6][1-6][1-6][1-6]\t([a-z-]+)$")
    message(FATAL_ERROR "${INPUT}: not a word list line: '${line}'")
  endif()
  string(APPEND table "    \"${CMAKE_MATCH_1}\",\n")
endforeach()
file(WRITE ${OUTPUT}.new
     "// Generated from ${INPUT} by make_word_list.cmake; do not edit.\n"
     "#include \"U_Keyvale_Word_List.h\"\n\n"
     "namespace {\n\nconstexpr std::string_view kWords[] = {\n${table}};\n\n} // namespace\n\n"
     "std::span<const std::string_view> EffLargeWordList() { return kWords; }\n")
file(COPY_FILE ${OUTPUT}.new ${OUTPUT} ONLY_IF_DIFFERENT)
file(REMOVE ${OUTPUT}.new)
