// hlqctl's entry point (hlqctl/run.cpp does the work).
#include "hlqctl/run.h"

int main(int argc, char** argv) { return HLQCtl_Run(argc, argv); }
