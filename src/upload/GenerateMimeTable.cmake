# Turns a mime.types file ("type ext ext ...", "#" comments) into the
# compiled-in MIME table: one entry per extension, the first type that lists
# it, sorted by extension.
#
#   cmake -DINPUT=/etc/mime.types -DOUTPUT=MimeTable.cpp -P GenerateMimeTable.cmake
if(NOT INPUT OR NOT OUTPUT)
  message(FATAL_ERROR "usage: cmake -DINPUT=<mime.types> -DOUTPUT=<file.cpp> -P GenerateMimeTable.cmake")
endif()

file(STRINGS "${INPUT}" lines)
set(entries "")
foreach(line IN LISTS lines)
  if(line MATCHES "^[ \t]*#" OR line MATCHES "^[ \t]*$")
    continue()
  endif()
  string(REGEX MATCHALL "[^ \t]+" tokens "${line}")
  list(POP_FRONT tokens type)
  if(NOT type MATCHES "^[A-Za-z0-9][A-Za-z0-9.+_-]*/[A-Za-z0-9][A-Za-z0-9.+_-]*$")
    continue()
  endif()
  foreach(ext IN LISTS tokens)
    string(TOLOWER "${ext}" ext)
    if(NOT ext MATCHES "^[a-z0-9][a-z0-9.+_-]*$" OR DEFINED "seen_${ext}")
      continue()
    endif()
    set("seen_${ext}" 1)
    list(APPEND entries "${ext} ${type}")
  endforeach()
endforeach()
# A space sorts before every character an extension may hold, so this is the
# byte order of the extensions alone.
list(SORT entries)

list(LENGTH entries count)
set(body "")
foreach(entry IN LISTS entries)
  string(REPLACE " " "\", \"" pair "${entry}")
  string(APPEND body "    {\"${pair}\"},\n")
endforeach()

file(WRITE "${OUTPUT}.tmp"
"// Generated from ${INPUT} by GenerateMimeTable.cmake. Do not edit.\n"
"#include \"upload/MimeTable.hpp\"\n"
"\n"
"namespace quillbox::upload {\n"
"\n"
"const MimeEntry kMimeTable[] = {\n"
"${body}"
"};\n"
"const std::size_t kMimeTableSize = ${count};\n"
"\n"
"}  // namespace quillbox::upload\n")
file(COPY_FILE "${OUTPUT}.tmp" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.tmp")
