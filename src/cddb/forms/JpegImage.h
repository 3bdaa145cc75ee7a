// JPEG pictures of the windows, decoded with libjpeg into a QImage.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

// The decoded picture, or a null image for data that is not a JPEG file libjpeg can decode
// (greyscale and colour; at most 8192 pixels a side).
QImage DecodeJpeg(const QByteArray& data);
// Decodes a file or Qt resource (":/...").
QImage LoadJpeg(const QString& path);
