#include "ProgramEnd.h"

#include <cstdlib>

void ProcessEnd::endProgram(int exitCode)
{
    std::exit(exitCode);
}
