// Upload bodies cut into chunks of every size.
#include "server/Facet.Multipart.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string_view>

namespace {

// Counts what arrives and checks that the reader's calls nest.
class TCountingSink : public IMultipartSink {
public:
  bool BeginPart(const std::string& fileName) override {
    if (FOpen || fileName.empty())
      std::abort();
    // Every other part is skipped, so skipped parts are read too.
    FOpen = (++FParts % 2) == 1;
    return FOpen;
  }
  void PartData(std::string_view bytes) override {
    if (!FOpen || bytes.empty())
      std::abort();
    FBytes += bytes.size();
  }
  void EndPart() override {
    if (!FOpen)
      std::abort();
    FOpen = false;
  }
  bool Open() const { return FOpen; }

private:
  bool FOpen = false;
  size_t FParts = 0;
  size_t FBytes = 0;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0)
    return 0;
  const size_t chunk = data[0] + 1u;
  std::string_view body(reinterpret_cast<const char*>(data + 1), size - 1);
  TCountingSink sink;
  TMultipartReader reader("XyZ", sink, 512);
  for (; !body.empty(); body.remove_prefix(std::min(chunk, body.size())))
    reader.Feed(body.substr(0, chunk));
  if (reader.Finish() && sink.Open())
    std::abort();
  return 0;
}
