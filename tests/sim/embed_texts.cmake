# Writes a C++ source holding text files, so that the simulated desktop reads
# its resources from the library itself, whatever the working folder.
#   cmake -DINPUTS=<a|b|...> -DOUTPUT=<file.cpp> -P embed_texts.cmake
string(REPLACE "|" ";" INPUTS "${INPUTS}")
set(entries "")
foreach(input IN LISTS INPUTS)
  get_filename_component(name "${input}" NAME)
  file(READ "${input}" hex HEX)
  string(LENGTH "${hex}" digits)
  math(EXPR bytes "${digits} / 2")
  # Every byte as \xNN, 64 bytes a line.
  set(literal " \"\"")
  if(bytes GREATER 0)
    set(literal "")
    math(EXPR last "${digits} - 1")
    foreach(at RANGE 0 ${last} 128)
      string(SUBSTRING "${hex}" ${at} 128 chunk)
      string(REGEX REPLACE "(..)" "\\\\x\\1" chunk "${chunk}")
      string(APPEND literal "\n                   \"${chunk}\"")
    endforeach()
  endif()
  string(APPEND entries "      {\"${name}\", std::string(${literal},\n                   ${bytes})},\n")
endforeach()
file(WRITE "${OUTPUT}" "// Generated from res/ by tests/sim/embed_texts.cmake.
#include \"tests/sim/rc_script.h\"

namespace mm::sim {

const std::map<std::string, std::string>& EmbeddedResourceFiles() {
  static const std::map<std::string, std::string> files = {
${entries}  };
  return files;
}

}  // namespace mm::sim
")
