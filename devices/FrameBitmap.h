#pragma once
// A camera frame as a 24-bit bitmap of the image library, and written as a
// BMP file.

#include <QImage>

#include <string>

class CRasterImage;

// Fills `image` with the frame's pixels (24 bits); false for a null frame
// or one the library cannot hold.
bool FrameToRaster(const QImage& frame, CRasterImage& image);

// Writes the frame as a BMP file, replacing the file in one step; nothing
// is written for a null frame or when it cannot be encoded.
bool WriteFrameBitmap(const QImage& frame, const std::string& path);
