#include "tools/writers/jpeg_writer.h"

#include <cstdio>
#include <cstdlib>
#include <stdexcept>

#include <jpeglib.h>

#include "tools/writers/pcx_writer.h"

std::vector<uint8_t> encode_jpeg(std::span<const uint32_t> pixels, int width, int height,
                                 int quality)
{
    if (width < 1 || height < 1 || width > JPEG_MAX_DIMENSION || height > JPEG_MAX_DIMENSION ||
        pixels.size() < size_t(width) * height)
        throw std::invalid_argument("bad JPEG size");

    // Our own pixels cannot make the compressor fail; the library's default error exit (a
    // message and the end of the process) is enough here.
    jpeg_compress_struct cinfo;
    jpeg_error_mgr errors;
    cinfo.err = jpeg_std_error(&errors);
    jpeg_create_compress(&cinfo);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = JDIMENSION(width);
    cinfo.image_height = JDIMENSION(height);
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    // Full-resolution colour: small textures keep the colours of their edges.
    for (int c = 0; c < 3; ++c)
        cinfo.comp_info[c].h_samp_factor = cinfo.comp_info[c].v_samp_factor = 1;
    jpeg_start_compress(&cinfo, TRUE);

    std::vector<JSAMPLE> line(size_t(width) * 3);
    while (cinfo.next_scanline < cinfo.image_height) {
        const uint32_t* row = pixels.data() + size_t(cinfo.next_scanline) * width;
        for (int x = 0; x < width; ++x) {
            line[3 * x] = JSAMPLE(row[x] >> 16);
            line[3 * x + 1] = JSAMPLE(row[x] >> 8);
            line[3 * x + 2] = JSAMPLE(row[x]);
        }
        JSAMPROW rows[1] = {line.data()};
        jpeg_write_scanlines(&cinfo, rows, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);

    std::vector<uint8_t> out(buffer, buffer + size);
    std::free(buffer);
    return out;
}

bool write_jpeg(const std::string& path, std::span<const uint32_t> pixels, int width, int height,
                int quality)
{
    return write_file_bytes(path, encode_jpeg(pixels, width, height, quality));
}
