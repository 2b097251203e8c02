#include "render/header_text_pass.h"

#include "render/text_header.h"

namespace beatplate {

void drawHeaderText(const HeaderLines& lines, DrawTarget target)
{
    drawHeaderLines(target.canvas, lines, target.top);
}

void drawHeaderText(const ChartDocument& document, const HeaderFont& font, DrawTarget target)
{
    drawHeaderLines(target.canvas, font, document, target.top);
}

} // namespace beatplate
