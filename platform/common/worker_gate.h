// The picture and sound workers stop still, at a point where they hold no
// lock, while the game's thread has another process copied from this one
// (SDL shows a message box from such a copy, and a copy made while a worker
// holds an allocator or library lock would wait on that lock for ever).
// A worker marks each stretch of its work with Enter and Leave, and calls
// Checkpoint between the short pieces a stretch is cut into.
#pragma once

namespace worker_gate {

// Called by worker threads only.
void Enter();       // waits while a hold is on
void Leave();
void Checkpoint();  // between pieces: waits out a hold that is asked for
// Before a worker ends: hands the heap it freed back to the system.
void TrimHeap();

// Called by the game's thread: Hold returns once no worker is inside a piece
// of work, and keeps them out until Release.
void Hold();
void Release();

}  // namespace worker_gate
