#include "thumbnails/ThumbnailCache.h"

#include <sys/stat.h>

#include <atomic>
#include <cerrno>
#include <system_error>

#include "file_list/JpegListing.h"
#include "platform/FileError.h"
#include "platform/FileSystem.h"
#include "thumbnails/ThumbnailMaker.h"

#ifndef PIXALDO_VERSION
#define PIXALDO_VERSION "0"
#endif

namespace pixaldo {
namespace {

constexpr char kUri[] = "Thumb::URI";
constexpr char kMTime[] = "Thumb::MTime";
constexpr char kSize[] = "Thumb::Size";
constexpr char kWidth[] = "Thumb::Image::Width";
constexpr char kHeight[] = "Thumb::Image::Height";
constexpr char kSoftware[] = "Software";
// A cache entry is a few dozen kilobytes; a file far larger is none.
constexpr uint64_t kMaxEntryBytes = 4 << 20;

// Makes the folder and those above it that are missing, each with mode 0700.
bool MakePrivateFolders(const fs::path& folder) {
  if (folder.empty() || folder == folder.root_path()) return true;
  struct stat info {};
  if (::stat(folder.c_str(), &info) == 0) return S_ISDIR(info.st_mode);
  if (!MakePrivateFolders(folder.parent_path())) return false;
  return ::mkdir(folder.c_str(), 0700) == 0 || errno == EEXIST;
}

fs::path AbsolutePath(const fs::path& photo) {
  std::error_code error;
  const fs::path absolute = fs::absolute(photo, error);
  return (error ? photo : absolute).lexically_normal();
}

// The entry is read whole even when its pixels are not wanted: one cut
// short or damaged after its header is no entry.
std::optional<PngThumbnail> ReadEntry(const fs::path& entry, int maxSide, bool withPixels) {
  try {
    std::optional<PngThumbnail> read = DecodePng(ReadWholeFile(entry, kMaxEntryBytes), maxSide, true);
    if (read && !withPixels) read->image = RgbImage();
    return read;
  } catch (const FileError&) {
    return std::nullopt;
  }
}

}  // namespace

struct ThumbnailCache::PhotoFacts {
  std::string uri;
  bool exists = false;
  std::string mtime;  // whole seconds since the epoch
  std::string size;   // bytes
};

ThumbnailCache::ThumbnailCache(fs::path root) : names_(std::move(root), "pixaldo-" PIXALDO_VERSION) {}

std::string ThumbnailCache::Software() { return "Pixaldo " PIXALDO_VERSION; }

ThumbnailCache::PhotoFacts ThumbnailCache::Facts(const fs::path& photo) const {
  PhotoFacts facts;
  const fs::path absolute = AbsolutePath(photo);
  facts.uri = FileUri(absolute);
  struct stat info {};
  if (::stat(absolute.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return facts;
  facts.exists = true;
  facts.mtime = std::to_string(info.st_mtim.tv_sec);
  facts.size = std::to_string(info.st_size);
  return facts;
}

bool ThumbnailCache::Current(const PngThumbnail& entry, const PhotoFacts& facts) const {
  if (!facts.exists || entry.Text(kUri) != facts.uri || entry.Text(kMTime) != facts.mtime) return false;
  // The size is optional in the standard; when it is there it must match.
  const std::optional<std::string> size = entry.Text(kSize);
  return !size || *size == facts.size;
}

std::optional<PngThumbnail> ThumbnailCache::Lookup(const fs::path& photo, ThumbnailSize size,
                                                   bool withPixels) const {
  const PhotoFacts facts = Facts(photo);
  std::optional<PngThumbnail> entry = ReadEntry(names_.Entry(facts.uri, size), LongerSide(size), withPixels);
  if (!entry || !Current(*entry, facts)) return std::nullopt;
  return entry;
}

bool ThumbnailCache::FailedBefore(const fs::path& photo) const {
  const PhotoFacts facts = Facts(photo);
  const std::optional<PngThumbnail> entry = ReadEntry(names_.FailEntry(facts.uri), 16, false);
  return entry && Current(*entry, facts);
}

fs::path ThumbnailCache::Store(const fs::path& entry, const std::string& bytes) const {
  if (!MakePrivateFolders(entry.parent_path())) return {};
  try {
    AtomicFileWriter writer(entry, WriteKind::CacheFile);
    writer.Write(bytes);
    writer.Commit();
    return entry;
  } catch (const FileError&) {
    return {};  // a cache that cannot be written only costs the reuse
  }
}

ThumbnailResult ThumbnailCache::Obtain(const fs::path& photo, ThumbnailSize size, bool withPixels) {
  ThumbnailResult result;
  const PhotoFacts facts = Facts(photo);
  const fs::path entry = names_.Entry(facts.uri, size);
  if (std::optional<PngThumbnail> found = ReadEntry(entry, LongerSide(size), withPixels);
      found && Current(*found, facts)) {
    result.entry = entry;
    result.image = std::move(found->image);
    return result;
  }
  std::vector<PngText> texts{{kUri, facts.uri}, {kMTime, facts.mtime}, {kSize, facts.size},
                             {kSoftware, Software()}};
  try {
    if (!facts.exists) throw FileError(photo, "the file does not exist or is not a regular file");
    MadeThumbnail made = MakeThumbnail(photo, size);
    texts.push_back({kWidth, std::to_string(made.pictureWidth)});
    texts.push_back({kHeight, std::to_string(made.pictureHeight)});
    result.entry = Store(entry, EncodePng(made.image, texts));
    result.image = std::move(made.image);
  } catch (const FileError& error) {
    result.failure = error.reason();
  } catch (const std::exception& error) {
    result.failure = error.what();
  }
  if (result.Failed() && facts.exists) {
    RgbImage dot;
    dot.width = dot.height = 1;
    dot.pixels.assign(3, 0);
    Store(names_.FailEntry(facts.uri), EncodePng(dot, texts));
  }
  return result;
}

void ThumbnailCache::Forget(const fs::path& photo) const {
  const std::string uri = FileUri(AbsolutePath(photo));
  std::error_code ignored;
  for (const ThumbnailSizeRow& row : kThumbnailSizes) fs::remove(names_.Entry(uri, row.size), ignored);
  fs::remove(names_.FailEntry(uri), ignored);
}

namespace {
std::atomic<void (*)(const fs::path&)> gRefreshListener{nullptr};
}  // namespace

void SetThumbnailRefreshListener(void (*listener)(const fs::path& photo)) { gRefreshListener.store(listener); }

void InstallThumbnailRefresh() {
  SetWrittenFileObserver([](const fs::path& target) {
    if (!IsJpegName(target.filename().native())) return;
    try {
      ThumbnailCache().Forget(target);
    } catch (...) {
      // Keeping a stale entry never harms the write that already succeeded:
      // its date or size tells the next look that it is stale.
    }
    if (const auto listener = gRefreshListener.load()) listener(target);
  });
}

}  // namespace pixaldo
