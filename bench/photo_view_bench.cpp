// Times the steps of showing a picture in the photo view: reading the file,
// DCT-scaled decoding and resampling, each the best of several runs, in
// processor time (user + system) so that other load on the machine does not
// count.
// usage: photo_view_bench PICTURE PANEL_WIDTH PANEL_HEIGHT [FILTER] [RUNS]
#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <functional>
#include <string>

#include "photo_view/FitGeometry.h"
#include "photo_view/JpegDecoder.h"
#include "photo_view/PhotoView.h"
#include "photo_view/Resampler.h"
#include "platform/FileSystem.h"

namespace {

double BestMilliseconds(int runs, const std::function<void()>& step) {
  double best = 1e300;
  for (int i = 0; i < runs; ++i) {
    const std::clock_t start = std::clock();
    step();
    const double took = 1000.0 * static_cast<double>(std::clock() - start) / CLOCKS_PER_SEC;
    if (took < best) best = took;
  }
  return best;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace pixaldo;
  if (argc < 4) {
    std::fprintf(stderr, "usage: %s PICTURE PANEL_WIDTH PANEL_HEIGHT [FILTER] [RUNS]\n", argv[0]);
    return 2;
  }
  const std::filesystem::path picture = argv[1];
  const int panelWidth = std::atoi(argv[2]);
  const int panelHeight = std::atoi(argv[3]);
  const unsigned filter = argc > 4 ? static_cast<unsigned>(std::atoi(argv[4])) : 4;
  const int runs = argc > 5 ? std::atoi(argv[5]) : 5;
  try {
    std::string bytes;
    JpegDecoder decoder;
    const double read = BestMilliseconds(runs, [&] { bytes = ReadWholeFile(picture); });
    const JpegSize size = decoder.ReadSize(bytes, picture);
    const FitResult fit = FitGeometry::FitToParent(panelWidth, panelHeight, size.width, size.height, true);
    DecodedPicture decoded;
    const double decode = BestMilliseconds(runs, [&] { decoded = decoder.Decode(bytes, fit.width, fit.height, picture); });
    RgbImage shown;
    const double resample = BestMilliseconds(runs, [&] { shown = Resampler::Resample(decoded.image, fit.width, fit.height, filter); });
    const double whole = BestMilliseconds(runs, [&] {
      PhotoView view;
      view.SetStretchFilterIndex(filter);
      view.LoadPicture(picture);
      view.FitAndShow(panelWidth, panelHeight, true, true);
    });
    std::printf("picture %dx%d, decoded at 1/%d (%dx%d), shown %dx%d\n", size.width, size.height,
                decoded.scaleDenominator, decoded.image.width, decoded.image.height, shown.width, shown.height);
    std::printf("read %.1f ms, decode %.1f ms, resample %.1f ms, whole view %.1f ms\n", read, decode, resample, whole);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "%s\n", error.what());
    return 1;
  }
  return 0;
}
