#pragma once
// A one-line progress bar on the terminal, redrawn in place; nothing when the stream is not a
// terminal except a last line.

#include <cstdio>

class ProgressBar {
public:
    ProgressBar(std::FILE* out, int total);
    void update(int done);
    void finish();

private:
    std::FILE* out_;
    int total_;
    int shownPercent_ = -1;
    bool terminal_;
};
