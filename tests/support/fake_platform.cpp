#include "tests/support/fake_platform.h"

namespace fakes {

std::vector<std::string> calls;

namespace {
void log(std::string call) { calls.push_back(std::move(call)); }
std::string num(long long value) { return std::to_string(value); }
// Any non-null pointer stands for the stream; the driver never looks inside.
FSOUND_STREAM* const theStream = reinterpret_cast<FSOUND_STREAM*>(uintptr_t(0x5000));
}  // namespace

bool FakeWindow::register_class(const char* className)
{
    log(std::string("register_class(") + className + ")");
    return !refuseClass;
}

bool FakeWindow::create_window(const char* title, int width, int height, bool fullScreen)
{
    log(std::string("create_window(") + title + ", " + num(width) + ", " + num(height) + ", " +
        num(fullScreen) + ")");
    created = !refuseWindow;
    return created;
}

void FakeWindow::show_window() { log("show_window()"); }

void FakeWindow::pump_messages(WindowProc proc)
{
    std::vector<Message> messages;
    if (pending)
        messages = pending(pumps);
    ++pumps;
    for (const Message& m : messages)
        proc(handle(), m.message, m.wParam, m.lParam);
}

LRESULT FakeWindow::default_proc(uint32_t message, WPARAM, LPARAM)
{
    defaultMessages.push_back(message);
    return 77;
}

ScreenRect FakeWindow::cursor_clip_rect()
{
    log("cursor_clip_rect()");
    return clip;
}

void FakeWindow::set_cursor_pos(int x, int y)
{
    log("set_cursor_pos(" + num(x) + ", " + num(y) + ")");
    cursorMoves.emplace_back(x, y);
}

void FakeWindow::show_cursor(bool show) { log("show_cursor(" + num(show) + ")"); }

uint32_t FakeClock::milliseconds()
{
    if (nextReading < readings.size())
        return readings[nextReading++];
    uint32_t reading = now;
    now += step;
    return reading;
}

void FakeMessageBox::show(const char* text, const char* caption)
{
    log(std::string("box(") + text + ", " + caption + ")");
    shown.emplace_back(text, caption);
    if (onShow)
        onShow();
}

float FakeSound::FSOUND_GetVersion()
{
    log("FSOUND_GetVersion()");
    return version;
}

bool FakeSound::FSOUND_SetOutput(int outputType)
{
    log("FSOUND_SetOutput(" + num(outputType) + ")");
    return true;
}

bool FakeSound::FSOUND_SetBufferSize(int milliseconds)
{
    log("FSOUND_SetBufferSize(" + num(milliseconds) + ")");
    return true;
}

bool FakeSound::FSOUND_SetDriver(int driver)
{
    log("FSOUND_SetDriver(" + num(driver) + ")");
    return true;
}

bool FakeSound::FSOUND_Init(int mixRate, int maxChannels, unsigned flags)
{
    log("FSOUND_Init(" + num(mixRate) + ", " + num(maxChannels) + ", " + num(flags) + ")");
    error = initError;
    return initError == 0;
}

FSOUND_STREAM* FakeSound::FSOUND_Stream_OpenMpeg(const char* fileName, unsigned mode)
{
    log(std::string("FSOUND_Stream_OpenMpeg(") + fileName + ", " + num(mode) + ")");
    error = openError;
    return openError == 0 ? theStream : nullptr;
}

int FakeSound::FSOUND_Stream_Play(int channel, FSOUND_STREAM* stream)
{
    log("FSOUND_Stream_Play(" + num(channel) + ", " + (stream == theStream ? "stream" : "?") +
        ")");
    error = playError;
    return playError == 0 ? 3 : -1;
}

int FakeSound::FSOUND_GetError()
{
    log("FSOUND_GetError()");
    return error;
}

bool FakeSound::FSOUND_Stream_Close(FSOUND_STREAM* stream)
{
    log(std::string("FSOUND_Stream_Close(") + (stream == theStream ? "stream" : "?") + ")");
    return true;
}

void FakeSound::FSOUND_Close() { log("FSOUND_Close()"); }

}  // namespace fakes
