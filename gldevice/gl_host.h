#pragma once
// What holds the GL device's context: a headless EGL session, whose frames are read back into the
// presenter, or a window's own context (in the browser, WebGL 2 on the page's canvas), whose
// frames are shown in the window by swapping its buffers. The context is current on the calling
// thread for the host's whole life.

class GlHost {
public:
    virtual ~GlHost() = default;
    // The window's drawable in real pixels; false for a host without a window.
    virtual bool window_size(int& width, int& height) = 0;
    // Shows what was drawn into the window's back buffer.
    virtual void swap() = 0;
    // Whether the context was lost other than through a GL error (a browser's WebGL context tells
    // by an event).
    virtual bool lost() { return false; }
    // Whether a native target follows the window's size as it changes (the page's canvas); else
    // it keeps the size it started with, scaled into the window.
    virtual bool follows_window() { return false; }
};
