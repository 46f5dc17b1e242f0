#pragma once

// The job's thread: takes over the JobSettings it is given (allocated with new) and runs the job
// to its end.
unsigned __stdcall WorkerThread(void* settings);
