#pragma once
// The handlers named in the command table, one file of cli/ each.
#include "cli/CliCommand.h"

namespace pixaldo::cli {

Listing Summary(const Invocation&, const std::filesystem::path& file);
Listing Tags(const Invocation&, const std::filesystem::path& file);
Listing Segments(const Invocation&, const std::filesystem::path& file);
int Xml(const Invocation&, const std::filesystem::path& file);
int Export(const Invocation&);
int SetIptc(const Invocation&, const std::filesystem::path& file);
int SetRating(const Invocation&, const std::filesystem::path& file);
int Comment(const Invocation&);
int DeleteExif(const Invocation&, const std::filesystem::path& file);
int DeleteComment(const Invocation&, const std::filesystem::path& file);
int DeleteIptc(const Invocation&, const std::filesystem::path& file);
int ImportExif(const Invocation&, const std::filesystem::path& target);
int RestoreThumbnail(const Invocation&, const std::filesystem::path& file);
int RotateLeft(const Invocation&, const std::filesystem::path& file);
int RotateRight(const Invocation&, const std::filesystem::path& file);
int FlipHorizontal(const Invocation&, const std::filesystem::path& file);
int FlipVertical(const Invocation&, const std::filesystem::path& file);
int AutoRotate(const Invocation&, const std::filesystem::path& file);
int Crop(const Invocation&);
int StripMetadata(const Invocation&);
int Render(const Invocation&);
int Thumbnails(const Invocation&);

}  // namespace pixaldo::cli
