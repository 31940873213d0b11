#include "StationProgram.h"

int main(int argc, char** argv)
{
    return StationProgram::run(argc, argv, StationProgram::Setup());
}
