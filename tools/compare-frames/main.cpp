// compare-frames: how far apart pairs of frames are, as scripts/compare-devices.sh holds the GL
// device's frames against the software device's.
//
//   compare-frames A.png B.png [A2.png B2.png ...]
//
// Prints a line a pair: its PSNR and the largest difference of a 16 x 16 block's channel mean,
// with the block. Exit 0 when every pair is within the bounds (PSNR 35 dB, 8 steps), 1 when one
// is not, 2 when the arguments or files are not usable.

#include <cstdio>
#include <string>
#include <vector>

#include "tools/compare-frames/frame_compare.h"
#include "tools/writers/png_file.h"

int main(int argc, char** argv)
{
    if (argc < 3 || argc % 2 == 0) {
        std::fprintf(stderr, "usage: compare-frames A.png B.png [A2.png B2.png ...]\n");
        return 2;
    }
    int outside = 0;
    for (int i = 1; i + 1 < argc; i += 2) {
        std::vector<uint32_t> a, b;
        int aw = 0, ah = 0, bw = 0, bh = 0;
        if (!read_png(argv[i], a, aw, ah) || !read_png(argv[i + 1], b, bw, bh)) {
            std::fprintf(stderr, "compare-frames: cannot read %s or %s as PNG\n", argv[i],
                         argv[i + 1]);
            return 2;
        }
        if (aw != bw || ah != bh) {
            std::fprintf(stderr, "compare-frames: %s is %dx%d, %s is %dx%d\n", argv[i], aw, ah,
                         argv[i + 1], bw, bh);
            return 2;
        }
        const FrameComparison c = compare_frames(a, b, aw, ah);
        const bool agree = frames_agree(c);
        outside += !agree;
        std::printf("%-48s PSNR %6.2f dB  worst block %5.2f at (%d,%d)%s\n", argv[i + 1], c.psnr,
                    c.worstBlockMean, c.worstBlockX, c.worstBlockY, agree ? "" : "  OUTSIDE");
    }
    return outside ? 1 : 0;
}
