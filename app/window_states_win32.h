#pragma once

// MainWindow's switch from idle to a running job (true) and back (false).
void ShowJobState(bool running);
