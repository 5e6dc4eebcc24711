// rivan-sim: serves a simulated unit on a pseudo-terminal.
#include <cstdio>

int main() {
    std::puts("rivan-sim: not built yet");
    return 1;
}
