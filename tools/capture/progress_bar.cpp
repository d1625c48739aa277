#include "tools/capture/progress_bar.h"

#include <unistd.h>

ProgressBar::ProgressBar(std::FILE* out, int total)
    : out_(out), total_(total > 0 ? total : 1), terminal_(isatty(fileno(out)) != 0)
{
}

void ProgressBar::update(int done)
{
    int percent = int(100L * done / total_);
    if (!terminal_ || percent == shownPercent_)
        return;
    shownPercent_ = percent;
    constexpr int kWidth = 40;
    int filled = kWidth * percent / 100;
    char bar[kWidth + 1];
    for (int i = 0; i < kWidth; ++i)
        bar[i] = i < filled ? '#' : '.';
    bar[kWidth] = '\0';
    std::fprintf(out_, "\r[%s] %3d%%  frame %d of %d", bar, percent, done, total_);
    std::fflush(out_);
}

void ProgressBar::finish()
{
    if (terminal_)
        update(total_);
    std::fprintf(out_, "%s%d frames\n", terminal_ ? "\n" : "", total_);
}
