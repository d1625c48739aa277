#pragma once
// The message box as an overlay on the page (the element with id "message"): the caption, the
// text and an OK button, which takes the focus. While a run plays it waits for OK; in the page's test mode, where no one
// clicks, it is shown and the program goes on at once.

#include "app/message_box_port.h"

// Whether boxes wait for their OK button (the default) or only show.
void web_message_boxes_wait(bool wait);

// For the fatal-error hook.
void web_show_message_box(const char* text, const char* caption);

// Whether a box waits for its OK now: the keys are then the box's, not the window's.
bool web_message_box_open();

class WebMessageBox : public MessageBoxPort {
public:
    void show(const char* text, const char* caption) override;
};
