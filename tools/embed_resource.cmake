# Turns a file into a C++ source that carries it as one of the program's
# resources, the way a Windows program carries its icon in its own file.
#   cmake -DIN=icon.png -DOUT=program_resources.cpp -DID=101 -P embed_resource.cmake
file(READ "${IN}" hex HEX)
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
string(REGEX REPLACE "((0x..,){16})" "\\1\n    " bytes "${bytes}")
get_filename_component(name "${IN}" NAME)
file(WRITE "${OUT}" "// Written by tools/embed_resource.cmake from ${name}; do not edit.
#include \"platform/common/program_resources.h\"

namespace {
const uint8_t kResource${ID}[] = {
    ${bytes}
};
}  // namespace

extern const ProgramResource kProgramResources[] = {{${ID}, kResource${ID}, sizeof kResource${ID}}};
extern const int kProgramResourceCount = 1;
")
