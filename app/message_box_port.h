#pragma once
// A modal message box with no owner window and a single OK button; returns when it is closed.

class MessageBoxPort {
public:
    virtual ~MessageBoxPort() = default;
    virtual void show(const char* text, const char* caption) = 0;
};
