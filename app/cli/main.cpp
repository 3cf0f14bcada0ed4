// talo7100-cli: the command-line front end.
#include "app/cli/clicommands.h"

int main(int argc, char** argv) { return RunCli(argc, argv); }
