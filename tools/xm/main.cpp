// kalvora-xm: looks into XM files and plays them offline through the show's player.

#include "XmTool.h"

int main(int argc, char** argv)
{
    return runXmTool(argc, argv);
}
