#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Receives the file parts of a multipart/form-data body as the reader finds them.
class IMultipartSink {
public:
  virtual ~IMultipartSink() = default;
  // A part with a file name begins; false skips its data.  Parts without a file name never
  // reach the sink.
  virtual bool BeginPart(const std::string& fileName) = 0;
  // The next bytes of the part's content, exactly as sent.
  virtual void PartData(std::string_view bytes) = 0;
  // The part begun last (and not skipped) is complete.
  virtual void EndPart() = 0;
};

// Takes a multipart/form-data body apart as it arrives, in chunks cut anywhere.  The body is split
// at its boundary lines ("--" boundary, then CR LF, or "--" for the last one) before anything else:
// a part's content is every byte up to the CR LF in front of the next boundary line, whatever it
// contains.  Each part's header block, up to its empty line, is read next; the file name is the
// "filename" parameter of its Content-Disposition header.  Between calls the reader holds no more
// than a part header block or a boundary's length of the body.
class TMultipartReader {
public:
  // An empty boundary makes the reader fail at once.
  TMultipartReader(std::string boundary, IMultipartSink& sink,
                   size_t maxPartHeaderBytes = 8 * 1024);

  // Reads the next bytes of the body.  Does nothing once the reader failed or the last boundary
  // was read (what follows it is not part of any part).  An exception from the sink leaves the
  // reader failed.
  void Feed(std::string_view chunk);
  // At the end of the body: true when the last boundary was read, so no part was left open.
  // A reader that did not get there fails.
  bool Finish();
  // A part's header block was larger than allowed, the boundary was empty, the sink threw, or the
  // body ended early (after Finish).
  bool Failed() const { return FState == TState::Failed; }

private:
  enum class TState { Preamble, Headers, Content, Done, Failed };

  bool ScanContent(size_t& pos);
  bool ScanHeaders(size_t& pos);
  void Deliver(size_t from, size_t to);

  // CR LF "--" boundary: what precedes every boundary line.
  std::string FDelimiter;
  IMultipartSink& FSink;
  size_t FMaxPartHeaderBytes;
  TState FState = TState::Preamble;
  // The sink accepted the current part.
  bool FPartOpen = false;
  // Bytes received and not yet consumed.
  std::string FWindow;
};
