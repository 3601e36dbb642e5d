# cmake -DINPUT=file -DOUTPUT=file.cpp -DFUNCTION=name -DHEADER=header -P EmbedText.cmake
# Writes a C++ file whose function `std::string_view FUNCTION()` (namespace vexa) returns the
# bytes of INPUT exactly, so a data file kept in the repository is compiled into a program.
file(READ "${INPUT}" hex HEX)
string(LENGTH "${hex}" hexLength)
math(EXPR byteCount "${hexLength} / 2")
# 16 bytes a line
string(REGEX REPLACE "([0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f])"
       "\\1\n" hex "${hex}")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
get_filename_component(inputName "${INPUT}" NAME)
set(text "// Generated at build time from ${inputName}; edit that file, not this one.
#include \"${HEADER}\"

namespace vexa {

namespace {

const unsigned char kBytes[${byteCount} + 1] = {
${bytes}0};

}  // namespace

std::string_view ${FUNCTION}() {
    return {reinterpret_cast<const char*>(kBytes), ${byteCount}};
}

}  // namespace vexa
")
file(WRITE "${OUTPUT}" "${text}")
