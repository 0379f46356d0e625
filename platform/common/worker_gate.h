// The picture and sound workers stop still, at a point where they hold no
// lock, while the game's thread has another process copied from this one
// (SDL shows a message box from such a copy, and a copy made while a worker
// holds an allocator or library lock would wait on that lock for ever).
// A worker marks each stretch of its work with Enter and Leave, and calls
// Checkpoint between the short pieces a stretch is cut into. The copy has
// none of the threads, and an exit there (Xlib's, when the X server goes)
// ends it at once: the workers' waits and locks it carries would never end.
#pragma once

#include <chrono>
#include <functional>
#include <thread>
#include <vector>

namespace worker_gate {

// Called by worker threads only.
void Enter();       // waits while a hold is on
void Leave();
void Checkpoint();  // between pieces: waits out a hold that is asked for
// Before a worker ends: hands the heap it freed back to the system.
void TrimHeap();

// Workers end themselves after this long without work. The ids of those
// that ended are kept (under their pool's lock) until the pool next starts
// one, where JoinEnded joins them and drops them from threads.
constexpr auto kIdleEnd = std::chrono::seconds(1);
void JoinEnded(std::vector<std::thread>& threads, std::vector<std::thread::id>& ended);

// Joins the ended workers, then starts one more running work. False when the
// system will not start a thread (too many for the user, or no memory for
// its stack), or when a limit on the user's threads leaves only the few the
// rest of the game needs: the work is then left to the workers already
// running, or to the caller. A worker that started has room in ended to
// record its end.
bool Start(std::vector<std::thread>& threads, std::vector<std::thread::id>& ended, std::function<void()> work);

// Tests: the next count starts fail, as where no thread can be had.
void FailNextStarts(int count);

// Called by the game's thread: Hold returns once no worker is inside a piece
// of work, and keeps them out until Release.
void Hold();
void Release();

// Called by a pool's destructor, at exit, before it joins its workers. An
// exit can come while a hold is on: Xlib ends the process from inside the
// message box when the X server goes, and the workers waiting at the gate
// would never come out to be joined. The hold is lifted.
void LiftHolds();

// Workers waiting at the gate for a hold to end. For tests.
int Waiting();

}  // namespace worker_gate
