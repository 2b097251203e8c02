#include "sprite_sheet.h"

namespace beatplate {

Canvas drawSpriteSheet()
{
    Canvas sheet(kSheetWidth, kSheetHeight);
    drawNoteSprites(sheet);
    drawScoreSprites(sheet);
    return sheet;
}

} // namespace beatplate
