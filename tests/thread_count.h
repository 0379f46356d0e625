// The threads of the test's process, as the system counts them: the workers
// that start and end are seen from outside their pools' own bookkeeping.
#pragma once

#include <chrono>
#include <fstream>
#include <string>
#include <thread>

inline int ThreadsNow() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.compare(0, 8, "Threads:") == 0) return std::stoi(line.substr(8));
    return -1;
}

// Waits until the process is down to n threads: idle workers end after a
// second, and a loaded machine may take longer.
inline bool ThreadsDownTo(int n) {
    for (int i = 0; i < 3000 && ThreadsNow() > n; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return ThreadsNow() == n;
}
