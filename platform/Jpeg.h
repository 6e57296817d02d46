#pragma once
// JPEG pictures of the windows, decoded with libjpeg into QImage.

#include <QByteArray>
#include <QImage>
#include <QString>

// The picture in a JPEG image held in memory; a null image when the data is
// not a JPEG image libjpeg can decode (damaged, truncated, CMYK).
QImage DecodeJpeg(const QByteArray& data);

// The picture of a JPEG file (a Qt resource path works too); a null image
// when the file cannot be read or decoded.
QImage LoadJpeg(const QString& fileName);
