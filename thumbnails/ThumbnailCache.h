#pragma once
// The desktop's shared thumbnail cache (the freedesktop.org thumbnail
// standard): PNG entries named by the MD5 of the photo's URI, carrying
// Thumb::URI, Thumb::MTime, Thumb::Size, Thumb::Image::Width/Height and
// Software. An entry whose URI, date or size no longer matches the photo,
// or that is no PNG, or larger than its folder's size, is made again.
// Entries are written atomically with mode 0600 into folders of mode 0700.
// A photo that cannot be read gets an entry under fail/pixaldo-VERSION/.
// A cache that cannot be written (read-only, full) costs nothing but the
// reuse: the thumbnail is handed back all the same, held in memory only.
//
// Safe to use from several threads at once.
#include <filesystem>
#include <optional>
#include <string>

#include "photo_view/RgbImage.h"
#include "thumbnails/PngThumbnail.h"
#include "thumbnails/ThumbnailNames.h"

namespace pixaldo {

struct ThumbnailResult {
  std::filesystem::path entry;  // the cache file; empty when kept in memory only or failed
  RgbImage image;               // the pixels, when asked for or just made
  std::string failure;          // why the photo gave no thumbnail; empty on success
  bool Failed() const { return !failure.empty(); }
};

class ThumbnailCache {
 public:
  explicit ThumbnailCache(std::filesystem::path root = DefaultThumbnailRoot());

  const ThumbnailNames& Names() const { return names_; }
  // "Pixaldo VERSION": the Software text of the entries written here.
  static std::string Software();

  // The cache entry of the photo when it is current; nothing when it is
  // missing, stale or damaged. With `withPixels` the picture is read too.
  std::optional<PngThumbnail> Lookup(const std::filesystem::path& photo, ThumbnailSize size,
                                     bool withPixels) const;
  // Whether a current failure entry says the photo could not be read.
  bool FailedBefore(const std::filesystem::path& photo) const;

  // The current entry, made and stored when missing or stale. A photo that
  // cannot be read is recorded in fail/ and named in the result's failure.
  // With `withPixels` the result holds the picture as well.
  ThumbnailResult Obtain(const std::filesystem::path& photo, ThumbnailSize size, bool withPixels);

  // Removes the photo's entries of every size and its failure entry.
  void Forget(const std::filesystem::path& photo) const;

 private:
  struct PhotoFacts;
  PhotoFacts Facts(const std::filesystem::path& photo) const;
  bool Current(const PngThumbnail& entry, const PhotoFacts& facts) const;
  std::filesystem::path Store(const std::filesystem::path& entry, const std::string& bytes) const;

  ThumbnailNames names_;
};

// From now on every photo this program writes loses its cache entries, so
// that the desktop and this program make them again from the new file.
void InstallThumbnailRefresh();
// Told of each such photo after its entries are gone (on the writing thread;
// must not throw), so that thumbnails shown can be made again at once.
// nullptr removes it.
void SetThumbnailRefreshListener(void (*listener)(const std::filesystem::path& photo));

}  // namespace pixaldo
