#pragma once
// The ICC profile a JPEG file carries in its APP2 "ICC_PROFILE" segments:
// each holds a sequence number (1-based) and the number of chunks, then one
// piece of the profile. The pieces are joined by sequence number, whatever
// order the segments stand in. Only a complete, consistent set gives a
// profile; anything else gives the reason it cannot be used.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace pixaldo {

struct IccChunk {
  int sequence = 0;  // 1-based
  int count = 0;
  std::string_view data;
};

struct IccAssembly {
  bool present = false;  // at least one ICC_PROFILE segment
  std::string profile;   // the joined profile; empty when not usable
  std::string problem;   // why the segments give no usable profile
  bool Usable() const { return present && problem.empty(); }
};

// The chunk an APP2 payload (after the length field) holds; false when the
// payload is no ICC_PROFILE segment.
bool ParseIccChunk(std::string_view payload, IccChunk& chunk);

// Joins chunks by sequence number and checks the profile header's size and
// signature; `chunks` are in file order.
IccAssembly AssembleIccChunks(const std::vector<IccChunk>& chunks);

// The same for the segments of a JPEG stream before its first scan.
IccAssembly AssembleIccProfile(std::string_view jpeg);

}  // namespace pixaldo
