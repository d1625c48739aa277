#pragma once
// An MP4 file made by ffmpeg, run as a program and fed raw frames through a pipe; the scene's
// music is muxed in from the moment the first frame shows.

#include <cstdint>
#include <string>
#include <sys/types.h>

class VideoPipe {
public:
    // Starts ffmpeg writing `path` from width x height frames at `framesPerSecond`, with the
    // audio of `music` (skipped when empty or missing) starting `musicOffset` seconds in.
    VideoPipe(const std::string& path, int width, int height, int framesPerSecond,
              const std::string& music, double musicOffset);
    ~VideoPipe();
    VideoPipe(const VideoPipe&) = delete;
    VideoPipe& operator=(const VideoPipe&) = delete;

    // Empty when ffmpeg is running, else what went wrong.
    const std::string& error() const { return error_; }
    // One frame of pixels 0x00RRGGBB, top row first; false when ffmpeg no longer takes them.
    bool write(const uint32_t* pixels);
    // Ends the stream and waits for ffmpeg; false when it failed.
    bool finish();

private:
    int width_, height_;
    int input_ = -1;
    pid_t child_ = 0;
    std::string error_;
};
