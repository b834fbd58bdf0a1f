// The whole of hlqctl's run, for its main() and for a test launcher that
// first plugs in emulated devices in the same process.
#pragma once

int HLQCtl_Run(int argc, char** argv);
