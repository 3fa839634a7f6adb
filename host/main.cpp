// Entry point of the kestrova executable: the simulated device. The application itself has no
// command line; every option here belongs to the device (see README).
int main(int argc, char** argv) {
    (void)argc;
    (void)argv;
    return 0;
}
