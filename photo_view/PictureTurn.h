#pragma once
// The eight lossless turns of jpegtran and of the EXIF orientation, done on
// decoded pixels: the view shows a picture upright by turning what it
// decoded, and turns the picture it holds after jpegtran turned the file
// instead of decoding the rewritten file again.
#include "exif/Orientation.h"
#include "photo_view/FitGeometry.h"
#include "photo_view/JpegDecoder.h"
#include "photo_view/RgbImage.h"

namespace pixaldo {

// The size of a picture of `size` after the turn (the block size with it).
JpegSize TurnedSize(JpegSize size, Orientation turn);

// Whether jpegtran's turn of a picture of `size` (without -trim or -perfect)
// is exactly the turned picture. It is not when an edge that the turn
// mirrors ends in a partial block: jpegtran leaves such blocks where they are.
bool TurnIsExact(JpegSize size, Orientation turn);

// Where the pixels left .. right - 1, top .. bottom - 1 of a picture of
// width × height lie after the turn (a rectangle in the turned picture).
Rect TurnedRect(const Rect& rect, int width, int height, Orientation turn);

// The pixels turned.
RgbImage Turned(RgbImage image, Orientation turn);

}  // namespace pixaldo
