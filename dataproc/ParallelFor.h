// Work spread over the machine's cores for the reading paths (search, listing, check, export).
// The calling thread takes part, and every call returns only after all of its work has ended,
// so nothing runs after a caller has its answer.
#pragma once

#include <functional>

// Threads the reading paths decode on: every core unless set otherwise. Never raises.
int DecodeThreadCount();
// 0 goes back to every core; 1 selects the single-thread path. Set before boxes are read (tests
// and benchmarks compare the two paths); never raises.
void SetDecodeThreadCount(int Count);

// Threads to use for Count items: at most DecodeThreadCount(), and none idle for want of work.
// Never raises.
int WorkersFor(int Count);

// Runs Body(Index, Worker) once for every Index in 0 .. Count-1 on Workers threads (the caller's
// included); Worker is 0 .. Workers-1 and names the thread's own state. Items are handed out in
// small runs in ascending order. Body must not raise (callers keep per-item errors). A thread
// that cannot be started leaves its share to the others, so this never raises.
void ParallelFor(int Count, int Workers, const std::function<void(int Index, int Worker)>& Body);

// The same, with the calling thread first running Alongside while the other workers start on the
// items, and then joining them; so a reader can fetch the next piece of work while this one is
// decoded. Alongside runs exactly once, also when there are no items; when it raises, the items
// are still all done before its error passes on.
void ParallelFor(int Count, int Workers, const std::function<void(int Index, int Worker)>& Body,
                 const std::function<void()>& Alongside);
