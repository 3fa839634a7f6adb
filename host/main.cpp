// Entry point of the kestrova executable: the simulated device. The application itself has no
// command line; every option here belongs to the device (see README).
#include "host/HostMain.h"

int main(int argc, char** argv) { return host::hostMain({argv + 1, argv + argc}); }
