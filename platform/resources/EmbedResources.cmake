# Writes a C++ source that holds a compiled resource file (.res) as a byte array and registers it
# with the layer at start-up.
#
#   cmake -DINPUT=file.res -DOUTPUT=file.cpp -DPROGRAM=Name -P EmbedResources.cmake
#
# PROGRAM names the program in the message shown if the embedded bytes turn out damaged.
foreach(var INPUT OUTPUT PROGRAM)
    if(NOT DEFINED ${var})
        message(FATAL_ERROR "EmbedResources: ${var} is not set")
    endif()
endforeach()

file(READ "${INPUT}" hex HEX)
string(LENGTH "${hex}" digits)
if(digits EQUAL 0)
    message(FATAL_ERROR "EmbedResources: ${INPUT} is empty")
endif()
math(EXPR size "${digits} / 2")

# Sixteen bytes a line.
string(REPEAT "[0-9a-f]" 32 line_digits)
string(REGEX REPLACE "(${line_digits})" "\\1\n    " lines "${hex}")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${lines}")

get_filename_component(input_name "${INPUT}" NAME)
file(WRITE "${OUTPUT}.tmp"
"// Generated at build time from ${input_name} (${size} bytes): do not edit.
#include <cstddef>

namespace afx
{
void RegisterResourceModule(const char* programName, const unsigned char* data, std::size_t size);
}

namespace
{

const unsigned char kResources[] = {
    ${bytes}
};

struct Registration
{
    Registration() { afx::RegisterResourceModule(\"${PROGRAM}\", kResources, sizeof kResources); }
} registration;

} // namespace

// Referenced by the link (--undefined) so that this object is taken from its library.
extern \"C\" const int afx_resource_module_anchor = 1;
")
file(RENAME "${OUTPUT}.tmp" "${OUTPUT}")
