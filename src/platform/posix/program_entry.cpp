#include "platform/program_entry.h"

int main(int argc, char** argv)
{
    return beatplate::programMain(argc, argv);
}
