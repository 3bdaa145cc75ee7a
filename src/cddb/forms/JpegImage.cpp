// JPEG decoding with libjpeg (see JpegImage.h).
#include "cddb/forms/JpegImage.h"

#include <QFile>

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <jpeglib.h>

namespace {

constexpr JDIMENSION MaxSide = 8192;

struct TJpegError {
    jpeg_error_mgr Manager;
    std::jmp_buf Jump;
};

[[noreturn]] void ErrorExit(j_common_ptr info) {
    std::longjmp(reinterpret_cast<TJpegError*>(info->err)->Jump, 1);
}

void Quiet(j_common_ptr) {}

// Decodes into a malloc'd RGB buffer. Only plain data lives across the jump: libjpeg's error
// exit leaves this function by longjmp, which must not skip C++ destructors.
unsigned char* DecodeRgb(const unsigned char* data, size_t size, JDIMENSION& width, JDIMENSION& height) {
    jpeg_decompress_struct info;
    TJpegError error;
    info.err = jpeg_std_error(&error.Manager);
    error.Manager.error_exit = ErrorExit;
    error.Manager.output_message = Quiet;
    unsigned char* volatile pixels = nullptr;
    if (setjmp(error.Jump)) {
        std::free(pixels);
        jpeg_destroy_decompress(&info);
        return nullptr;
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, data, static_cast<unsigned long>(size));
    jpeg_read_header(&info, TRUE);
    if (info.image_width > MaxSide || info.image_height > MaxSide) {
        jpeg_destroy_decompress(&info);
        return nullptr;
    }
    info.out_color_space = JCS_RGB;
    jpeg_start_decompress(&info);
    width = info.output_width;
    height = info.output_height;
    const size_t stride = size_t(width) * 3;
    pixels = static_cast<unsigned char*>(std::malloc(stride * height));
    if (!pixels) {
        jpeg_destroy_decompress(&info);
        return nullptr;
    }
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = pixels + stride * info.output_scanline;
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return pixels;
}

} // namespace

QImage DecodeJpeg(const QByteArray& data) {
    if (data.isEmpty())
        return QImage();
    JDIMENSION width = 0;
    JDIMENSION height = 0;
    unsigned char* pixels =
        DecodeRgb(reinterpret_cast<const unsigned char*>(data.constData()), size_t(data.size()), width, height);
    if (!pixels)
        return QImage();
    QImage image(int(width), int(height), QImage::Format_RGB888);
    for (JDIMENSION y = 0; y < height; ++y)
        std::memcpy(image.scanLine(int(y)), pixels + size_t(y) * width * 3, size_t(width) * 3);
    std::free(pixels);
    return image;
}

QImage LoadJpeg(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? DecodeJpeg(f.readAll()) : QImage();
}
