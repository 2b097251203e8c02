# Writes the files of the page (FILES, in the directory DIRECTORY) as the C++ source OUTPUT
# that defines builtInWebPage(); FILES are separated by commas.
string(REPLACE "," ";" FILES "${FILES}")
set(entries "")
set(arrays "")
set(index 0)
foreach(name ${FILES})
  file(READ ${DIRECTORY}/${name} hex HEX)
  string(LENGTH "${hex}" digits)
  if(digits EQUAL 0)
    message(FATAL_ERROR "${DIRECTORY}/${name} is empty")
  endif()
  math(EXPR size "${digits} / 2")
  # Sixteen bytes to a line keep the source readable and its lines short.
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "'\\\\x\\1'," bytes "${hex}")
  string(REPEAT "'\\\\x[0-9a-f][0-9a-f]'," 16 line)
  string(REGEX REPLACE "(${line})" "\\1\n    " bytes "${bytes}")
  string(APPEND arrays "static constexpr char kFile${index}[] = {\n    ${bytes}\n};\n")
  string(APPEND entries "    { \"${name}\", std::string_view(kFile${index}, ${size}) },\n")
  math(EXPR index "${index} + 1")
endforeach()
file(WRITE ${OUTPUT}.new
"// Written by the build from the files of web/; do not edit.
#include \"server/built_in_web_page.h\"

namespace beatplate {

${arrays}
static constexpr BuiltInWebFile kBuiltInWebPage[] = {
${entries}};

std::span<const BuiltInWebFile> builtInWebPage()
{
    return kBuiltInWebPage;
}

} // namespace beatplate
")
file(RENAME ${OUTPUT}.new ${OUTPUT})
