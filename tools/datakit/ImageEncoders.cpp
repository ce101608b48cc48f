#include "ImageEncoders.h"

#include <cstdio>
#include <cstdlib>
#include <jpeglib.h>

std::vector<uint8_t> encodeJpeg(const Canvas& picture, int quality)
{
    const std::vector<uint8_t> rgb = picture.rgb8();
    jpeg_compress_struct info;
    jpeg_error_mgr errors;
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = static_cast<JDIMENSION>(picture.width());
    info.image_height = static_cast<JDIMENSION>(picture.height());
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, quality, TRUE);
    info.optimize_coding = TRUE;
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(rgb.data() + static_cast<size_t>(info.next_scanline) * picture.width() * 3);
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    std::vector<uint8_t> out(buffer, buffer + size);
    jpeg_destroy_compress(&info);
    std::free(buffer);
    return out;
}

std::vector<uint8_t> encodeTga(const Canvas& picture)
{
    const int32_t w = picture.width();
    const int32_t h = picture.height();
    std::vector<uint8_t> out = {0,
                                0,
                                2,
                                0,
                                0,
                                0,
                                0,
                                0,
                                0,
                                0,
                                0,
                                0,
                                static_cast<uint8_t>(w & 0xFF),
                                static_cast<uint8_t>(w >> 8),
                                static_cast<uint8_t>(h & 0xFF),
                                static_cast<uint8_t>(h >> 8),
                                24,
                                0};
    const std::vector<uint8_t> rgb = picture.rgb8();
    for (int32_t y = h - 1; y >= 0; --y) {
        for (int32_t x = 0; x < w; ++x) {
            const size_t at = static_cast<size_t>(y * w + x) * 3;
            out.push_back(rgb[at + 2]);
            out.push_back(rgb[at + 1]);
            out.push_back(rgb[at]);
        }
    }
    return out;
}
