#include "driver/built_in_sprite_sheet.h"
#include "driver/run.h"

int main(int argc, char** argv)
{
    return beatplate::runBeatplate(argc, argv, beatplate::builtInSpriteSheet());
}
