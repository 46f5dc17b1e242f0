#pragma once

// MainWindow's two states: choices open, or a job running with its status shown.
enum class MainWindowState { Choosing, JobRunning };

void ShowMainWindowState(MainWindowState state);
