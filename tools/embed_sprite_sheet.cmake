# Writes the bytes of the PNG file INPUT as the C++ source OUTPUT that defines builtInSpriteSheet().
file(READ ${INPUT} hex HEX)
string(LENGTH "${hex}" digits)
if(digits EQUAL 0)
  message(FATAL_ERROR "${INPUT} is empty")
endif()
# Sixteen bytes to a line keep the source readable and its lines short.
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
string(REPEAT "0x[0-9a-f][0-9a-f]," 16 line)
string(REGEX REPLACE "(${line})" "\\1\n    " bytes "${bytes}")
file(WRITE ${OUTPUT}.new
"// Written by the build from the sprite sheet it drew; do not edit.
#include \"driver/built_in_sprite_sheet.h\"

namespace beatplate {

static constexpr std::uint8_t kBuiltInSpriteSheet[] = {
    ${bytes}
};

std::span<const std::uint8_t> builtInSpriteSheet()
{
    return kBuiltInSpriteSheet;
}

} // namespace beatplate
")
file(RENAME ${OUTPUT}.new ${OUTPUT})
