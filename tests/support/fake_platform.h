#pragma once
// Fakes of the driver's platform ports: a window whose message queue the test scripts, a clock
// the test drives, a message box and a sound library that record what they were asked.

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "app/clock_port.h"
#include "app/message_box_port.h"
#include "app/sound_port.h"
#include "app/window_port.h"

namespace fakes {

// Shared log of every port call, in order, so that tests can check the order across ports.
extern std::vector<std::string> calls;

struct Message {
    uint32_t message;
    WPARAM wParam;
    LPARAM lParam;
};

class FakeWindow : public WindowPort {
public:
    bool register_class(const char* className) override;
    bool create_window(const char* title, int width, int height, bool fullScreen) override;
    void show_window() override;
    void* handle() override { return created ? this : nullptr; }
    void pump_messages(WindowProc proc) override;
    LRESULT default_proc(uint32_t message, WPARAM wParam, LPARAM lParam) override;
    ScreenRect cursor_clip_rect() override;
    void set_cursor_pos(int x, int y) override;
    void show_cursor(bool show) override;

    bool refuseClass = false;
    bool refuseWindow = false;
    ScreenRect clip{0, 0, 1024, 768};
    // Called at the start of every pump with the number of pumps before it; returns the
    // messages that are pending then.
    std::function<std::vector<Message>(int pump)> pending;
    int pumps = 0;
    bool created = false;
    std::vector<std::pair<int, int>> cursorMoves;
    std::vector<uint32_t> defaultMessages;
};

// Returns the scripted readings in order while they last; then the current count, moving it on
// by step after each reading.
class FakeClock : public ClockPort {
public:
    uint32_t milliseconds() override;
    std::vector<uint32_t> readings;
    size_t nextReading = 0;
    uint32_t now = 0;
    uint32_t step = 0;
};

class FakeMessageBox : public MessageBoxPort {
public:
    void show(const char* text, const char* caption) override;
    std::vector<std::pair<std::string, std::string>> shown;  // text, caption
    std::function<void()> onShow;
};

class FakeSound : public SoundLibrary {
public:
    float FSOUND_GetVersion() override;
    bool FSOUND_SetOutput(int outputType) override;
    bool FSOUND_SetBufferSize(int milliseconds) override;
    bool FSOUND_SetDriver(int driver) override;
    bool FSOUND_Init(int mixRate, int maxChannels, unsigned flags) override;
    FSOUND_STREAM* FSOUND_Stream_OpenMpeg(const char* fileName, unsigned mode) override;
    int FSOUND_Stream_Play(int channel, FSOUND_STREAM* stream) override;
    int FSOUND_GetError() override;
    bool FSOUND_Stream_Close(FSOUND_STREAM* stream) override;
    void FSOUND_Close() override;

    float version = 3.2f;
    // The error code of the call that fails; 0 for none.
    int initError = 0, openError = 0, playError = 0;
    int error = 0;
};

}  // namespace fakes
