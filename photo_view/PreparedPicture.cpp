#include "photo_view/PreparedPicture.h"

#include "colour/ColourEngine.h"
#include "photo_view/PictureTurn.h"
#include "photo_view/Resampler.h"
#include "platform/FileSystem.h"

namespace pixaldo {

DecodedPicture DecodeShown(const JpegDecoder& decoder, const std::string& bytes, Orientation shownTurn,
                           int shownWidth, int shownHeight, const std::filesystem::path& file) {
  const bool swap = SwapsSides(shownTurn);
  DecodedPicture decoded =
      decoder.Decode(bytes, swap ? shownHeight : shownWidth, swap ? shownWidth : shownHeight, file);
  decoded.image = Turned(std::move(decoded.image), shownTurn);
  return decoded;
}

PreparedPicture PreparePicture(const std::filesystem::path& file, int panelWidth, int panelHeight,
                               const JpegDecoder& decoder, bool autoOrient, uint64_t quickAbovePixels) {
  PreparedPicture picture;
  picture.fileName = file;
  picture.bytes = ReadWholeFile(file);
  picture.storedSize = decoder.ReadSize(picture.bytes, file);
  picture.orientation = ReadOrientation(picture.bytes);
  picture.shownTurn = autoOrient ? picture.orientation : Orientation::Upright;
  picture.size = TurnedSize(picture.storedSize, picture.shownTurn);
  const FitResult largest =
      FitGeometry::FitToParent(panelWidth, panelHeight, picture.size.width, picture.size.height, false);
  const uint64_t pixels = static_cast<uint64_t>(picture.size.width) * static_cast<uint64_t>(picture.size.height);
  picture.quick = pixels > quickAbovePixels &&
                  JpegDecoder::ChooseScaleDenominator(picture.size, largest.width, largest.height) < 8;
  picture.decoded = picture.quick ? DecodeShown(decoder, picture.bytes, picture.shownTurn, 0, 0, file)
                                  : DecodeShown(decoder, picture.bytes, picture.shownTurn, largest.width,
                                                largest.height, file);
  return picture;
}

void PrepareDisplay(PreparedPicture& picture, int panelWidth, int panelHeight, FitChoice fit, unsigned filterIndex,
                    double devicePixelRatio) {
  picture.fit = FitInPanel(panelWidth, panelHeight, picture.size.width, picture.size.height, fit);
  picture.filterIndex = filterIndex;
  picture.devicePixelRatio = devicePixelRatio;
  picture.display = Resampler::Resample(picture.decoded.image, DevicePixels(picture.fit.width, devicePixelRatio),
                                        DevicePixels(picture.fit.height, devicePixelRatio), filterIndex);
  ConvertToScreen(picture.display.pixels.data(), picture.display.pixels.size() / 3, picture.decoded.colour);
}

void MakeTurned(PreparedPicture& picture, int panelWidth, int panelHeight, FitChoice fit, unsigned filterIndex,
                double devicePixelRatio) {
  picture.decoded.image = Turned(std::move(picture.decoded.image), picture.shownTurn);
  picture.size = TurnedSize(picture.size, picture.shownTurn);
  PrepareDisplay(picture, panelWidth, panelHeight, fit, filterIndex, devicePixelRatio);
}

}  // namespace pixaldo
