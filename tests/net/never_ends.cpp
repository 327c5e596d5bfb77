// Stands in for a command that hangs: the process runner's bounded wait is
// tested against it.
#include <chrono>
#include <thread>

int main() {
    for (;;) std::this_thread::sleep_for(std::chrono::hours(1));
}
