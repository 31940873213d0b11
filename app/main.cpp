#include "StartUp.h"

int main(int argc, char** argv)
{
    return runTestProgram(argc, argv);
}
