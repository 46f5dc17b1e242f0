#pragma once

#include "res/control_ids.h"

enum class EventKind { Size, Close, Control, JobFinished };

// One window event as the main loop hands it on.
struct Event {
    EventKind kind;
    int window;   // kMainWindowId or kAboutWindowId
    int control;  // control id for EventKind::Control
    int code;     // the control's notification code
};

void DispatchEvent(const Event& event);
