#include "colour/IccChunks.h"

#include <algorithm>

#include "exif/JpegSegmentWalk.h"
#include "platform/ByteOrder.h"

namespace pixaldo {
namespace {

constexpr std::string_view kIccName{"ICC_PROFILE\0", 12};
constexpr size_t kIccHeaderSize = 128;
constexpr size_t kSignaturePosition = 36;  // "acsp"

std::string Checked(std::string profile, std::string& problem) {
  if (profile.size() < kIccHeaderSize + 4) {
    problem = "the profile is truncated";
    return {};
  }
  if (ReadU32(profile, 0, true) != profile.size()) {
    problem = "the profile's size field does not match its data";
    return {};
  }
  if (profile.compare(kSignaturePosition, 4, "acsp") != 0) {
    problem = "the data is no ICC profile";
    return {};
  }
  return profile;
}

}  // namespace

bool ParseIccChunk(std::string_view payload, IccChunk& chunk) {
  if (payload.size() < kIccName.size() + 2 || !payload.starts_with(kIccName)) return false;
  chunk.sequence = uint8_t(payload[kIccName.size()]);
  chunk.count = uint8_t(payload[kIccName.size() + 1]);
  chunk.data = payload.substr(kIccName.size() + 2);
  return true;
}

IccAssembly AssembleIccChunks(const std::vector<IccChunk>& chunks) {
  IccAssembly result;
  if (chunks.empty()) return result;
  result.present = true;
  const int count = chunks.front().count;
  std::vector<const IccChunk*> bySequence(size_t(count), nullptr);
  for (const IccChunk& chunk : chunks) {
    if (chunk.count == 0 || chunk.count != count) {
      result.problem = "the profile's chunk count is inconsistent";
      return result;
    }
    if (chunk.sequence < 1 || chunk.sequence > count) {
      result.problem = "a profile chunk has a bad sequence number";
      return result;
    }
    const IccChunk*& slot = bySequence[size_t(chunk.sequence - 1)];
    if (slot) {
      result.problem = "a profile chunk is repeated";
      return result;
    }
    slot = &chunk;
  }
  if (std::find(bySequence.begin(), bySequence.end(), nullptr) != bySequence.end()) {
    result.problem = "profile chunks are missing";
    return result;
  }
  std::string joined;
  size_t total = 0;
  for (const IccChunk* chunk : bySequence) total += chunk->data.size();
  joined.reserve(total);
  for (const IccChunk* chunk : bySequence) joined.append(chunk->data);
  result.profile = Checked(std::move(joined), result.problem);
  return result;
}

IccAssembly AssembleIccProfile(std::string_view jpeg) {
  std::vector<IccChunk> chunks;
  WalkJpegSegments(jpeg, [&](uint8_t marker, size_t, std::string_view payload) {
    IccChunk chunk;
    if (marker == 0xE2 && ParseIccChunk(payload, chunk)) chunks.push_back(chunk);
    return true;
  });
  return AssembleIccChunks(chunks);
}

}  // namespace pixaldo
