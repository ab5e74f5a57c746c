// Times the photo view's zoom: from the fitted view to the first display
// bitmap at actual pixels (Ctrl+1), and a pan step at actual pixels, in
// processor time (user + system, so that other load on a shared machine
// does not count); the median of several rounds, each on a view loaded afresh (so
// that the first Ctrl+1 decodes the picture at full size as it would).
// usage: zoom_view_bench PICTURE PANEL_WIDTH PANEL_HEIGHT [ROUNDS]
// Prints "actual <ms>" and "pan <ms>" lines for bench/zoom_view.sh.
#include <algorithm>
#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <vector>

#include "photo_view/PhotoView.h"

namespace {

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const size_t n = values.size();
  return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

double Milliseconds(std::clock_t since) { return 1000.0 * double(std::clock() - since) / CLOCKS_PER_SEC; }

}  // namespace

int main(int argc, char** argv) {
  using namespace pixaldo;
  if (argc < 4) {
    std::fprintf(stderr, "usage: %s PICTURE PANEL_WIDTH PANEL_HEIGHT [ROUNDS]\n", argv[0]);
    return 2;
  }
  const std::filesystem::path picture = argv[1];
  const int width = std::atoi(argv[2]);
  const int height = std::atoi(argv[3]);
  const int rounds = argc > 4 ? std::max(1, std::atoi(argv[4])) : 5;
  constexpr int kPanSteps = 40;
  try {
    std::vector<double> actual, pan;
    for (int round = 0; round < rounds; ++round) {
      PhotoView view;
      view.SetStretchFilterIndex(4);
      view.LoadPicture(picture, width, height);
      view.FitAndShow(width, height, FitChoice{FitMode::Window}, true);
      std::clock_t start = std::clock();
      view.ActualPixels({width / 2.0, height / 2.0});
      actual.push_back(Milliseconds(start));
      // Steps of an eighth of the panel, as the wheel and the arrows take,
      // to and fro so that none stops at an edge.
      const int step = width / 8;
      start = std::clock();
      for (int i = 0; i < kPanSteps; ++i) view.PanBy(i % 8 < 4 ? step : -step, 0);
      pan.push_back(Milliseconds(start) / kPanSteps);
    }
    std::printf("actual %.1f\npan %.2f\n", Median(actual), Median(pan));
  } catch (const std::exception& error) {
    std::fprintf(stderr, "%s\n", error.what());
    return 1;
  }
  return 0;
}
