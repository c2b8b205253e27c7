// OrvaScope: the oscilloscope program. The command line and the run are in
// app/cli (OrvaScope --help lists the options).
#include "orva/cli/option_group.h"

int main(int argc, char** argv) { return orva::cli::RunProgram(argc, argv); }
