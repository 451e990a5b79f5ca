// gravon-cli: the headless program. Filled in as the command line lands.
#include <cstdio>

int main(int argc, char** argv) {
    std::fprintf(stderr, "gravon-cli: not yet implemented\n");
    return 1;
}
