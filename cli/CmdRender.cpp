// render: what the photo view shows for a file in a panel of a given size.
#include <charconv>
#include <string>

#include "cli/Handlers.h"
#include "colour/ColourEngine.h"
#include "photo_view/PhotoView.h"
#include "platform/FileError.h"
#include "platform/FileSystem.h"

namespace pixaldo::cli {
namespace {

int ParseNumber(const std::string& text, const std::string& what) {
  int value = 0;
  const char* end = text.data() + text.size();
  auto [ptr, ec] = std::from_chars(text.data(), end, value);
  if (ec != std::errc() || ptr != end || text.empty()) throw UsageError("bad " + what + ": " + text);
  return value;
}

// "WxH" (also with the multiplication sign) in pixels, each 1 or more.
void ParsePanel(const std::string& text, int& width, int& height) {
  size_t at = text.find('x');
  size_t separatorLength = 1;
  if (at == std::string::npos) {
    at = text.find("\xC3\x97");  // × in UTF-8
    separatorLength = 2;
  }
  if (at == std::string::npos) throw UsageError("bad panel size: " + text + " (want WxH)");
  width = ParseNumber(text.substr(0, at), "panel width");
  height = ParseNumber(text.substr(at + separatorLength), "panel height");
  if (width < 1 || height < 1 || width > 100000 || height > 100000) throw UsageError("bad panel size: " + text);
}

std::string Ppm(const RgbImage& image) {
  std::string bytes = "P6\n" + std::to_string(image.width) + " " + std::to_string(image.height) + "\n255\n";
  bytes.append(reinterpret_cast<const char*>(image.pixels.data()), image.pixels.size());
  return bytes;
}

// Colour management on for an sRGB screen unless the options say otherwise.
ColourTarget ColourOf(const Invocation& args) {
  ColourTarget colour;
  colour.enabled = !args.Flag("no-colour-management");
  if (auto file = args.Value("screen-profile")) {
    std::string profile = ReadWholeFile(*file);
    if (!UsableScreenProfile(profile)) throw FileError(*file, "no RGB screen profile that can be used");
    colour.screenProfile = std::make_shared<const std::string>(std::move(profile));
  }
  return colour;
}

}  // namespace

int Render(const Invocation& args) {
  const std::string& file = args.Operand(0);
  int panelWidth = 0;
  int panelHeight = 0;
  ParsePanel(*args.Value("panel"), panelWidth, panelHeight);
  int filter = 0;
  if (auto text = args.Value("filter")) {
    filter = ParseNumber(*text, "filter");
    if (filter < 0 || filter > 4) throw UsageError("--filter must be 0 to 4");
  }

  PhotoView view;
  view.SetStretchFilterIndex(static_cast<unsigned>(filter));
  view.SetAutoOrient(!args.Flag("no-auto-orient"));
  view.SetColour(ColourOf(args));
  view.LoadPicture(file);
  view.FitAndShow(panelWidth, panelHeight, !args.Flag("no-square"), false);
  const FitResult& fit = view.Fit();
  PrintRow({"control " + std::to_string(fit.width) + "\xD7" + std::to_string(fit.height) + " left " +
            std::to_string(fit.left) + " top " + std::to_string(fit.top) + " zoom " + view.ZoomText()});
  if (auto output = args.Value("output")) WriteFileAtomic(*output, Ppm(view.Display()));
  return 0;
}

}  // namespace pixaldo::cli
