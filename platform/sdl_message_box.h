#pragma once
// Message boxes through SDL. Without a display (no display server, or SDL's dummy video driver)
// there is nobody to click OK: the box is skipped. Callers also write the message to standard
// error, so nothing is lost.

#include "app/message_box_port.h"

class SdlMessageBox : public MessageBoxPort {
public:
    void show(const char* text, const char* caption) override;
};

// The box for fatal_error's hook.
void sdl_show_message_box(const char* text, const char* caption);
// True when a box can be seen by anyone.
bool sdl_display_available();
