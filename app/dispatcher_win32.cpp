#include "app/dispatcher_win32.h"

#include "app/app_state_win32.h"

void DispatchEvent(const Event& event) {
    switch (event.kind) {
        case EventKind::Size:
            break;
        case EventKind::Close:
            App().quitRequested = true;
            break;
        case EventKind::Control:
            break;
    }
}
