#include "platform/common/worker_gate.h"

#include <malloc.h>
#include <pthread.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <new>
#include <system_error>

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define POTE_CLANG_ASAN 1
#endif
#endif
#ifndef POTE_CLANG_ASAN
#define POTE_CLANG_ASAN 0
#endif

namespace worker_gate {

namespace {

struct Gate {
    std::mutex mutex;
    std::condition_variable changed;
    int inside = 0;  // workers between Enter and Leave
    int waiting = 0;  // workers held at Enter
    int holds = 0;
    std::atomic<bool> held{false};  // read without the lock between pieces
};

// Never destroyed: workers may pass through it while the process exits.
Gate& TheGate() {
    static Gate* gate = new Gate;
    return *gate;
}

// A decode the game's thread does itself passes the same checkpoints; only
// a worker that entered steps out for a hold.
thread_local bool t_inside = false;

std::atomic<int> g_failStarts{0};

// Threads the rest of the game may still need once the workers have started:
// SDL's audio thread, and the copy of the process a message box is shown from.
constexpr rlim_t kLeftToTheGame = 2;

// Under a limit on the user's threads (ulimit -u) the workers leave the game
// a few. The limit counts the user's other processes as well, which are not
// seen here: a start can still fail.
bool RoomForAWorker() {
    struct rlimit limit;
    if (getrlimit(RLIMIT_NPROC, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) return true;
    long threads = 0;
    if (FILE* f = fopen("/proc/self/stat", "r")) {
        // The command name in parentheses may hold spaces: the fields count from its end.
        char line[1024];
        const char* end = fgets(line, sizeof line, f) ? strrchr(line, ')') : nullptr;
        if (end && sscanf(end + 1, " %*c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %*u %*u %*d %*d %*d %*d %ld",
                          &threads) != 1)
            threads = 0;
        fclose(f);
    }
    return (rlim_t)threads + kLeftToTheGame < limit.rlim_cur;
}

// Under a limit on address space (ulimit -v) each worker's own heap would
// reserve 64 MB of it, and a few workers left the game no room for its
// window or its audio thread: the threads share two heaps instead.
void ShareHeapsUnderALimit() {
    struct rlimit limit;
    if (getrlimit(RLIMIT_AS, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY) mallopt(M_ARENA_MAX, 2);
}

// SDL's copy ends itself with _exit, which runs nothing. An exit that runs
// the copy's handlers and destructors would join threads that are not there
// and wait on what they held when it was made.
void EndCopy(int status, void*) { _exit(status); }

// Runs in the child of each fork after the first hold; a copy made while a
// hold is on is the message box's.
void MadeCopy() {
    if (TheGate().held.load()) on_exit(EndCopy, nullptr);
}

}  // namespace

void Enter() {
    Gate& g = TheGate();
    std::unique_lock<std::mutex> lock(g.mutex);
    if (g.holds > 0) {
        ++g.waiting;
        g.changed.wait(lock, [&] { return g.holds == 0; });
        --g.waiting;
    }
    ++g.inside;
    t_inside = true;
}

void Leave() {
    Gate& g = TheGate();
    std::lock_guard<std::mutex> lock(g.mutex);
    --g.inside;
    t_inside = false;
    g.changed.notify_all();
}

void Checkpoint() {
    if (!t_inside || !TheGate().held.load(std::memory_order_relaxed)) return;
    Leave();
    Enter();
}

void TrimHeap() {
    // Under AddressSanitizer the C library's heap is not the one in use, and
    // is first set up by whichever worker trims it: glibc then counts that
    // worker as the main thread's, and two such workers ending trip its
    // check on that count.
#if !defined(__SANITIZE_ADDRESS__) && !POTE_CLANG_ASAN
    malloc_trim(0);
#endif
}

void JoinEnded(std::vector<std::thread>& threads, std::vector<std::thread::id>& ended) {
    for (std::thread::id id : ended) {
        auto it = std::find_if(threads.begin(), threads.end(), [&](std::thread& t) { return t.get_id() == id; });
        if (it == threads.end()) continue;
        it->join();
        threads.erase(it);
    }
    ended.clear();
}

bool Start(std::vector<std::thread>& threads, std::vector<std::thread::id>& ended, std::function<void()> work) {
    JoinEnded(threads, ended);
    static std::once_flag heaps;
    std::call_once(heaps, ShareHeapsUnderALimit);
    try {
        if (!RoomForAWorker()) return false;
        // As std::thread fails where the system will not start a thread.
        for (int n = g_failStarts.load(); n > 0;)
            if (g_failStarts.compare_exchange_weak(n, n - 1))
                throw std::system_error(EAGAIN, std::generic_category(), "worker start failed for a test");
        ended.reserve(threads.size() + 1);
        threads.emplace_back(std::move(work));
    } catch (const std::system_error&) {
        return false;
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

void FailNextStarts(int count) { g_failStarts = count; }

void Hold() {
    static std::once_flag watchCopies;
    std::call_once(watchCopies, [] { pthread_atfork(nullptr, nullptr, MadeCopy); });
    Gate& g = TheGate();
    std::unique_lock<std::mutex> lock(g.mutex);
    ++g.holds;
    g.held = true;
    g.changed.wait(lock, [&] { return g.inside == 0; });
}

void Release() {
    Gate& g = TheGate();
    std::lock_guard<std::mutex> lock(g.mutex);
    if (g.holds > 0 && --g.holds == 0) g.held = false;
    g.changed.notify_all();
}

void LiftHolds() {
    Gate& g = TheGate();
    std::lock_guard<std::mutex> lock(g.mutex);
    g.holds = 0;
    g.held = false;
    g.changed.notify_all();
}

int Waiting() {
    Gate& g = TheGate();
    std::lock_guard<std::mutex> lock(g.mutex);
    return g.waiting;
}

}  // namespace worker_gate
