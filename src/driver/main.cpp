#include "driver/run.h"

int main(int argc, char** argv)
{
    return beatplate::runBeatplate(argc, argv);
}
