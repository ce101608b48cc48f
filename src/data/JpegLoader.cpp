// JPEG pictures through libjpeg's version-6 interface, fed from a PackFile in 4096-byte pieces.

#include "data/ImageLoader.h"

#include "data/Bitmap.h"
#include "data/PackFile.h"
#include "platform/Platform.h"

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <type_traits>

#include <jerror.h>
#include <jpeglib.h>

namespace {

constexpr size_t kInputBufferSize = 4096;

// libjpeg's error manager followed by the place a fatal error jumps back to.
struct JpegErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

// libjpeg's source manager followed by the file it reads.
struct JpegSource {
    jpeg_source_mgr pub;
    PackFile* file;
    JOCTET* buffer;
    boolean startOfFile;
};

// Everything the decode touches after its jump target is set lives here, outside that frame,
// so a fatal error that jumps back finds it intact.
struct JpegJob {
    jpeg_decompress_struct cinfo;
    JpegErrorManager error;
    PackFile* file;
    Bitmap* image;
};

const JOCTET kFakeEndOfImage[2] = {0xFF, JPEG_EOI};

void jumpBack(j_common_ptr cinfo)
{
    auto* error = reinterpret_cast<JpegErrorManager*>(cinfo->err);
    // The message is formatted for a debugger's eyes only; a fatal error is not shown.
    (*cinfo->err->format_message)(cinfo, error->message);
    std::longjmp(error->jump, 1);
}

// libjpeg shows the first warning of each picture through this; later ones are only counted.
void showWarning(j_common_ptr cinfo)
{
    char text[JMSG_LENGTH_MAX];
    (*cinfo->err->format_message)(cinfo, text);
    platform().messageBox(text, "JPEG Error");
}

void initSource(j_decompress_ptr cinfo)
{
    reinterpret_cast<JpegSource*>(cinfo->src)->startOfFile = TRUE;
}

boolean fillInputBuffer(j_decompress_ptr cinfo)
{
    auto* src = reinterpret_cast<JpegSource*>(cinfo->src);
    int32_t n = src->file->read(src->buffer, int32_t(kInputBufferSize));
    if (n <= 0) {
        if (src->startOfFile)
            ERREXIT(cinfo, JERR_INPUT_EMPTY);
        WARNMS(cinfo, JWRN_JPEG_EOF);
        // A truncated picture ends here, as if its end-of-image marker had come.
        std::memcpy(src->buffer, kFakeEndOfImage, sizeof kFakeEndOfImage);
        n = int32_t(sizeof kFakeEndOfImage);
    }
    src->pub.next_input_byte = src->buffer;
    src->pub.bytes_in_buffer = size_t(n);
    src->startOfFile = FALSE;
    return TRUE;
}

void skipInputData(j_decompress_ptr cinfo, long count)
{
    auto* src = reinterpret_cast<JpegSource*>(cinfo->src);
    if (count <= 0)
        return;
    while (count > long(src->pub.bytes_in_buffer)) {
        count -= long(src->pub.bytes_in_buffer);
        fillInputBuffer(cinfo);
    }
    src->pub.next_input_byte += count;
    src->pub.bytes_in_buffer -= size_t(count);
}

void termSource(j_decompress_ptr)
{}

void installSource(j_decompress_ptr cinfo, PackFile* file)
{
    auto* src = static_cast<JpegSource*>(
        (*cinfo->mem->alloc_small)(reinterpret_cast<j_common_ptr>(cinfo), JPOOL_PERMANENT, sizeof(JpegSource)));
    src->buffer = static_cast<JOCTET*>(
        (*cinfo->mem->alloc_small)(reinterpret_cast<j_common_ptr>(cinfo), JPOOL_PERMANENT, kInputBufferSize));
    src->file = file;
    src->startOfFile = TRUE;
    src->pub.init_source = initSource;
    src->pub.fill_input_buffer = fillInputBuffer;
    src->pub.skip_input_data = skipInputData;
    src->pub.resync_to_restart = jpeg_resync_to_restart;
    src->pub.term_source = termSource;
    src->pub.bytes_in_buffer = 0;
    src->pub.next_input_byte = nullptr;
    cinfo->src = &src->pub;
}

// Decodes into `job->image` as format 3 (grey) or 4 (R, G, B). Only plain data lives in this frame:
// a fatal error inside libjpeg jumps back here past C frames, with no destructor to skip.
int decode(JpegJob* job)
{
    j_decompress_ptr cinfo = &job->cinfo;
    cinfo->err = jpeg_std_error(&job->error.pub);
    job->error.pub.error_exit = jumpBack;
    job->error.pub.output_message = showWarning;
    if (setjmp(job->error.jump)) {
        jpeg_destroy_decompress(cinfo);
        job->image->destroy();
        return 0;
    }
    jpeg_create_decompress(cinfo);
    installSource(cinfo, job->file);
    jpeg_read_header(cinfo, TRUE);
    // Only grey and colour pictures, and no size beyond the cap, before libjpeg allocates for them.
    if ((cinfo->out_color_space != JCS_GRAYSCALE && cinfo->out_color_space != JCS_RGB) ||
        int64_t(cinfo->image_width) * int64_t(cinfo->image_height) > kMaxImagePixels) {
        jpeg_destroy_decompress(cinfo);
        return 0;
    }
    jpeg_start_decompress(cinfo);
    const int components = cinfo->output_components;
    const JDIMENSION width = cinfo->output_width;
    const JDIMENSION height = cinfo->output_height;
    if ((components != 1 && components != 3) || width == 0 || height == 0 ||
        !job->image->create(int32_t(width), int32_t(height),
                            components == 1 ? Bitmap::FormatGrey8 : Bitmap::FormatRgb24)) {
        jpeg_destroy_decompress(cinfo);
        return 0;
    }
    JSAMPARRAY rowBuffer = (*cinfo->mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(cinfo), JPOOL_IMAGE,
                                                       width * JDIMENSION(components), 1);
    while (cinfo->output_scanline < height) {
        if (jpeg_read_scanlines(cinfo, rowBuffer, 1) != 1)
            break; // cannot happen with a source that never suspends; guards against an endless loop
        std::memcpy(job->image->row(int32_t(cinfo->output_scanline - 1)), rowBuffer[0],
                    size_t(width) * size_t(components));
    }
    jpeg_finish_decompress(cinfo);
    jpeg_destroy_decompress(cinfo);
    return 1;
}

} // namespace

int loadJpeg(Bitmap& image, const char* fileName)
{
    image.destroy();
    PackFile file;
    if (!file.open(fileName))
        return 0;
    static_assert(std::is_trivially_destructible_v<JpegJob>);
    JpegJob job;
    std::memset(&job, 0, sizeof job);
    job.file = &file;
    job.image = &image;
    if (!decode(&job))
        return 0;
    return image.convert(Bitmap::FormatXrgb32);
}
