#pragma once
// The lossless rotations and flips jpegtran makes, done on decoded pixels:
// the view turns the picture it holds instead of decoding the rewritten
// file again.
#include "photo_view/JpegDecoder.h"
#include "photo_view/RgbImage.h"

namespace pixaldo {

enum class PictureTurn {
  RotateRight,  // 90° clockwise (jpegtran -rotate 90)
  RotateLeft,   // 90° anticlockwise (-rotate 270)
  FlipHorizontal,
  FlipVertical,
};

// The size of a picture of `size` after the turn.
JpegSize TurnedSize(JpegSize size, PictureTurn turn);

// Whether jpegtran's turn of a picture of `size` (without -trim or -perfect)
// is exactly the turned picture. It is not when an edge that the turn moves
// ends in a partial block: jpegtran leaves such blocks where they are.
bool TurnIsExact(JpegSize size, PictureTurn turn);

// The pixels turned.
RgbImage Turned(const RgbImage& image, PictureTurn turn);

}  // namespace pixaldo
