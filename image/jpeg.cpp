#include "image/jpeg.h"

// jpeglib.h needs size_t and FILE declared before it.
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <jpeglib.h>
#include <jerror.h>

#include "core/alloc_block.h"
#include "core/fatal_error.h"
#include "core/file_open.h"
#include "image/image_bounds.h"
#include "image/texture_file.h"

namespace {

// Larger images are refused like corrupt data: no device takes a larger texture, and the library
// makes up the rest of an image whose data breaks off, so a few bytes may ask for all of it.
constexpr JDIMENSION max_side = max_image_side;
constexpr long library_memory = long(decoder_memory);

// A progressive stream splitting every coefficient of three components into scans of its own
// needs 192 scans; encoders write about ten. Every scan, even one that holds no data, walks all
// blocks of the image (about a millisecond at 4096 x 4096), so a stream of thousands of empty
// scans would stall the load: beyond this many it is refused like corrupt data.
constexpr int max_scans = 300;

struct JpegErrorManager {
    jpeg_error_mgr pub;  // first, so that the library's pointer to it is a pointer to this
    std::jmp_buf recovery;
};

// Replaces the library's error exit, which would end the process: the message goes out as usual
// and decoding unwinds to the recovery point in decode_stream.
[[noreturn]] void jpeg_error_exit(j_common_ptr cinfo)
{
    (*cinfo->err->output_message)(cinfo);
    auto* manager = reinterpret_cast<JpegErrorManager*>(cinfo->err);
    std::longjmp(manager->recovery, 1);
}

// Called by the library as it consumes the input; stops a stream with too many scans.
void jpeg_scan_monitor(j_common_ptr cinfo)
{
    auto* dinfo = reinterpret_cast<j_decompress_ptr>(cinfo);
    if (dinfo->input_scan_number > max_scans)
        ERREXIT1(cinfo, JERR_BAD_SCAN_SCRIPT, dinfo->input_scan_number);
}

struct DecodedImage {
    uint32_t* pixels;
    int width, height;
};

// Decodes the open file into a block from alloc_block. False when the library reported an error;
// then nothing is left allocated. Nothing with a destructor lives in this frame, so the jump
// back from jpeg_error_exit skips no clean-up.
bool decode_stream(std::FILE* file, DecodedImage& image)
{
    jpeg_decompress_struct cinfo;
    std::memset(&cinfo, 0, sizeof cinfo);
    JpegErrorManager errors;
    cinfo.err = jpeg_std_error(&errors.pub);
    errors.pub.error_exit = jpeg_error_exit;
    // Set between the jump's mark and the jump itself, so kept out of registers.
    uint32_t* volatile pixels = nullptr;
    if (setjmp(errors.recovery)) {
        jpeg_destroy_decompress(&cinfo);
        std::free(pixels);
        return false;
    }

    jpeg_create_decompress(&cinfo);
    jpeg_progress_mgr progress{};
    progress.progress_monitor = jpeg_scan_monitor;
    cinfo.progress = &progress;
    // Bounds the library's whole-image buffers (progressive and multi-scan files) as well.
    cinfo.mem->max_memory_to_use = library_memory;
    jpeg_stdio_src(&cinfo, file);
    jpeg_read_header(&cinfo, TRUE);

    cinfo.out_color_space = JCS_RGB;
    cinfo.scale_num = 1;
    cinfo.scale_denom = 1;
    cinfo.dct_method = JDCT_ISLOW;
    cinfo.do_fancy_upsampling = TRUE;
    cinfo.do_block_smoothing = TRUE;
    cinfo.quantize_colors = FALSE;
    cinfo.dither_mode = JDITHER_FS;
    cinfo.two_pass_quantize = TRUE;
    cinfo.desired_number_of_colors = 256;

    if (cinfo.image_width > max_side || cinfo.image_height > max_side) {
        std::fprintf(stderr, "JPEG image of %u x %u pixels is too large\n", cinfo.image_width,
                     cinfo.image_height);
        jpeg_destroy_decompress(&cinfo);
        return false;
    }

    jpeg_start_decompress(&cinfo);
    if (cinfo.output_components != 3)
        ERREXIT(&cinfo, JERR_CONVERSION_NOTIMPL);
    JDIMENSION width = cinfo.output_width;
    JDIMENSION height = cinfo.output_height;
    JSAMPARRAY line = (*cinfo.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&cinfo),
                                                 JPOOL_IMAGE, width * 3, 1);
    pixels = static_cast<uint32_t*>(alloc_block(width * height * 4));

    uint32_t* row = pixels;
    while (cinfo.output_scanline < height) {
        if (jpeg_read_scanlines(&cinfo, line, 1) != 1)
            ERREXIT(&cinfo, JERR_INPUT_EMPTY);  // a stdio source never suspends; never loop
        const JSAMPLE* rgb = line[0];
        for (JDIMENSION x = 0; x < width; ++x, rgb += 3)
            row[x] = uint32_t(rgb[0]) << 16 | uint32_t(rgb[1]) << 8 | rgb[2];
        row += width;
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);

    image = {pixels, int(width), int(height)};
    return true;
}

}  // namespace

void jpeg_decode(char* name, Image& map)
{
    FilePtr file = open_image_file(name, "jpg");
    if (!file) {
        std::printf("No file \"%s\" ", name);
        std::fflush(stdout);
        fatal_error("found!");
    }

    DecodedImage image;
    if (!decode_stream(file.get(), image)) {
        // The texture is used all the same: a single black pixel stands in for the broken image.
        image.pixels = static_cast<uint32_t*>(alloc_block(4));
        image.pixels[0] = 0;
        image.width = image.height = 1;
    }
    map.pixels = image.pixels;
    map.width = image.width;
    map.height = image.height;
    map.bytesPerPixel = 4;
    map.palette = nullptr;
}
