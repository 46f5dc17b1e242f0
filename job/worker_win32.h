#pragma once

// The job's thread: given the address of JobSettings, copies it and runs the job to its end.
unsigned __stdcall WorkerThread(void* settings);
