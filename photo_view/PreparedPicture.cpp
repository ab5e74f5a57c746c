#include "photo_view/PreparedPicture.h"

#include "photo_view/Resampler.h"
#include "platform/FileSystem.h"

namespace pixaldo {

PreparedPicture PreparePicture(const std::filesystem::path& file, int panelWidth, int panelHeight,
                               const JpegDecoder& decoder, uint64_t quickAbovePixels) {
  PreparedPicture picture;
  picture.fileName = file;
  picture.bytes = ReadWholeFile(file);
  picture.size = decoder.ReadSize(picture.bytes, file);
  const FitResult largest =
      FitGeometry::FitToParent(panelWidth, panelHeight, picture.size.width, picture.size.height, false);
  const uint64_t pixels = static_cast<uint64_t>(picture.size.width) * static_cast<uint64_t>(picture.size.height);
  picture.quick = pixels > quickAbovePixels &&
                  JpegDecoder::ChooseScaleDenominator(picture.size, largest.width, largest.height) < 8;
  picture.decoded = picture.quick ? decoder.Decode(picture.bytes, 0, 0, file)
                                  : decoder.Decode(picture.bytes, largest.width, largest.height, file);
  return picture;
}

void PrepareDisplay(PreparedPicture& picture, int panelWidth, int panelHeight, bool squareBox, unsigned filterIndex) {
  picture.fit =
      FitGeometry::FitToParent(panelWidth, panelHeight, picture.size.width, picture.size.height, squareBox);
  picture.filterIndex = filterIndex;
  picture.display = Resampler::Resample(picture.decoded.image, picture.fit.width, picture.fit.height, filterIndex);
}

}  // namespace pixaldo
