#pragma once

#include "app/control_ids.h"

enum class EventKind { Size, Close, Control, JobFinished };

// The number of the event that ends every job.
constexpr int kJobFinishedEvent = 65536;

// One window event as the main loop hands it on.
struct Event {
    EventKind kind;
    int window;   // kMainWindowId or kAboutWindowId
    int control;  // control id for EventKind::Control
    int code;     // the control's notification code
};

void DispatchEvent(const Event& event);
