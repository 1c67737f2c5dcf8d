# Writes a C++ source that holds the bytes of one file as a constant, so the
# vorlat program carries what it needs and reads nothing at run time.
# Run as a script: cmake -DINPUT=file -DOUTPUT=out.cpp -DNAME=identifier -DNAMESPACE=ns -P EmbedFile.cmake
file(READ "${INPUT}" _hex HEX)
string(LENGTH "${_hex}" _hex_length)
math(EXPR _size "${_hex_length} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "'\\\\x\\1'," _bytes "${_hex}")
# Break the initialiser into lines of 32 bytes so compilers and editors cope.
string(REGEX REPLACE "(('[^']+',){32})" "\\1\n" _bytes "${_bytes}")
file(WRITE "${OUTPUT}.tmp" "// Generated from ${INPUT} by cmake/EmbedFile.cmake: do not edit.
#include <cstddef>
#include <string_view>

namespace ${NAMESPACE} {
namespace {
constexpr char BYTES[${_size} + 1] = {
${_bytes}
'\\0'};
}  // namespace
std::string_view ${NAME}() { return {BYTES, ${_size}}; }
}  // namespace ${NAMESPACE}
")
file(COPY_FILE "${OUTPUT}.tmp" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.tmp")
