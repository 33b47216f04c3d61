#include "server/Facet.Multipart.h"

#include "runtime/StrUtils.h"

#include <algorithm>

namespace {

constexpr std::string_view CRLF = "\r\n";

// The "filename" parameter of a Content-Disposition value such as
// `form-data; name="file"; filename="a b.txt"`.  Parameters are split at ";" outside quotes, so a
// field name that itself contains `filename="` is not taken for the file name.
std::string FileNameParameter(std::string_view value) {
  size_t i = 0;
  while (i < value.size()) {
    size_t end = i;
    while (end < value.size() && value[end] != '=' && value[end] != ';')
      ++end;
    const std::string name = Trim(value.substr(i, end - i));
    std::string parameter;
    if (end < value.size() && value[end] == '=') {
      ++end;
      while (end < value.size() && value[end] == ' ')
        ++end;
      if (end < value.size() && value[end] == '"') {
        const size_t close = value.find('"', end + 1);
        const size_t stop = close == std::string_view::npos ? value.size() : close;
        parameter = std::string(value.substr(end + 1, stop - end - 1));
        end = stop;
      } else {
        parameter = Trim(value.substr(end, value.find(';', end) - end));
      }
      end = std::min(value.find(';', end), value.size());
    }
    if (SameText(name, "filename"))
      return parameter;
    i = end + 1;
  }
  return {};
}

// The file name a part's header block gives, or the empty text.
std::string PartFileName(std::string_view block) {
  while (!block.empty()) {
    const size_t end = block.find(CRLF);
    const std::string_view line = block.substr(0, end);
    const size_t colon = line.find(':');
    if (colon != std::string_view::npos &&
        SameText(Trim(line.substr(0, colon)), "content-disposition"))
      return FileNameParameter(line.substr(colon + 1));
    block.remove_prefix(end == std::string_view::npos ? block.size() : end + CRLF.size());
  }
  return {};
}

} // namespace

TMultipartReader::TMultipartReader(std::string boundary, IMultipartSink& sink,
                                   size_t maxPartHeaderBytes)
    : FDelimiter("\r\n--" + boundary), FSink(sink), FMaxPartHeaderBytes(maxPartHeaderBytes) {
  if (boundary.empty())
    FState = TState::Failed;
  // The first boundary line may open the body, with no line end in front of it: reading starts
  // as if one had just been seen.
  FWindow = CRLF;
}

void TMultipartReader::Feed(std::string_view chunk) {
  if (FState == TState::Done || FState == TState::Failed)
    return;
  try {
    FWindow.append(chunk);
    size_t pos = 0;
    bool progress = true;
    while (progress) {
      if (FState == TState::Preamble || FState == TState::Content)
        progress = ScanContent(pos);
      else if (FState == TState::Headers)
        progress = ScanHeaders(pos);
      else
        progress = false;
    }
    if (FState == TState::Done || FState == TState::Failed)
      FWindow.clear();
    else
      FWindow.erase(0, pos);
  } catch (...) {
    FState = TState::Failed;
    FWindow.clear();
    throw;
  }
}

bool TMultipartReader::Finish() {
  if (FState != TState::Done) {
    FState = TState::Failed;
    FWindow.clear();
  }
  return FState == TState::Done;
}

void TMultipartReader::Deliver(size_t from, size_t to) {
  if (FState == TState::Content && FPartOpen && to > from)
    FSink.PartData(std::string_view(FWindow).substr(from, to - from));
}

// Passes on content (or skips the preamble) up to the next boundary line.  A boundary line is the
// delimiter followed by CR LF (another part follows) or by "--" (the last one); the delimiter
// followed by anything else is content.  Returns whether a boundary line was consumed.
bool TMultipartReader::ScanContent(size_t& pos) {
  size_t searchFrom = pos;
  while (true) {
    const size_t hit = FWindow.find(FDelimiter, searchFrom);
    if (hit == std::string::npos) {
      // The tail could be the start of a delimiter: it waits for the next bytes.
      const size_t keep = std::min(FWindow.size() - pos, FDelimiter.size() - 1);
      Deliver(pos, FWindow.size() - keep);
      pos = FWindow.size() - keep;
      return false;
    }
    const size_t after = hit + FDelimiter.size();
    if (FWindow.size() < after + 2) {
      Deliver(pos, hit);
      pos = hit;
      return false;
    }
    const std::string_view follower = std::string_view(FWindow).substr(after, 2);
    if (follower == CRLF || follower == "--") {
      Deliver(pos, hit);
      if (FPartOpen) {
        FPartOpen = false;
        FSink.EndPart();
      }
      pos = after + 2;
      FState = follower == CRLF ? TState::Headers : TState::Done;
      return true;
    }
    searchFrom = hit + 1;
  }
}

// Reads a part's header block up to its empty line and begins the part when it names a file.
// Returns whether the block was complete.
bool TMultipartReader::ScanHeaders(size_t& pos) {
  const std::string_view rest = std::string_view(FWindow).substr(pos);
  size_t blockSize = 0;
  size_t contentStart = 0;
  if (rest.starts_with(CRLF)) {
    // No header lines at all: the empty line comes first.
    contentStart = CRLF.size();
  } else {
    const size_t end = rest.find("\r\n\r\n");
    if (end == std::string_view::npos) {
      if (rest.size() > FMaxPartHeaderBytes)
        FState = TState::Failed;
      return false;
    }
    blockSize = end;
    contentStart = end + 2 * CRLF.size();
  }
  if (contentStart > FMaxPartHeaderBytes) {
    FState = TState::Failed;
    return false;
  }
  const std::string fileName = PartFileName(rest.substr(0, blockSize));
  FPartOpen = !fileName.empty() && FSink.BeginPart(fileName);
  FState = TState::Content;
  pos += contentStart;
  return true;
}
