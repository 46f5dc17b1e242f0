#pragma once

// MainWindow's switch from idle to a running job and back.
void ShowJobRunning();
void ShowIdle();
