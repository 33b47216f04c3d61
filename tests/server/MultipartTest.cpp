#include "server/Facet.Multipart.h"

#include <gtest/gtest.h>

#include <random>
#include <stdexcept>
#include <utility>
#include <vector>

namespace {

using TParts = std::vector<std::pair<std::string, std::string>>;

// Keeps the parts it receives, and checks that the reader calls it in order.
class TRecorder : public IMultipartSink {
public:
  bool BeginPart(const std::string& fileName) override {
    EXPECT_FALSE(FOpen) << "part begun inside another";
    if (fileName == SkipName)
      return false;
    FOpen = true;
    Parts.emplace_back(fileName, "");
    return true;
  }
  void PartData(std::string_view bytes) override {
    EXPECT_TRUE(FOpen) << "data outside a part";
    EXPECT_FALSE(bytes.empty());
    Parts.back().second.append(bytes);
  }
  void EndPart() override {
    EXPECT_TRUE(FOpen) << "end outside a part";
    FOpen = false;
    ++Ended;
  }

  std::string SkipName;
  TParts Parts;
  int Ended = 0;

private:
  bool FOpen = false;
};

struct TResult {
  TParts Parts;
  int Ended = 0;
  bool Finished = false;

  bool operator==(const TResult&) const = default;
};

// Feeds `body` in the given chunk lengths (the rest in one last chunk).
TResult Read(std::string_view body, const std::vector<size_t>& chunks = {},
             const std::string& boundary = "XyZ") {
  TRecorder sink;
  TMultipartReader reader(boundary, sink);
  for (const size_t length : chunks) {
    reader.Feed(body.substr(0, length));
    body.remove_prefix(std::min(length, body.size()));
  }
  reader.Feed(body);
  const bool finished = reader.Finish();
  return {sink.Parts, sink.Ended, finished};
}

std::string FilePart(const std::string& fileName, const std::string& content) {
  return "--XyZ\r\nContent-Disposition: form-data; name=\"file\"; filename=\"" + fileName +
         "\"\r\nContent-Type: application/octet-stream\r\n\r\n" + content + "\r\n";
}

const std::string Close = "--XyZ--\r\n";

std::string BinaryContent() {
  std::string bytes;
  for (int i = 0; i < 256; ++i)
    bytes += static_cast<char>(i);
  // Line ends, dashes and the boundary's text inside the content, but never a whole boundary
  // line.
  return bytes + "\r\n\r\n--\r\n-XyZ--\r\n--XyZx\r\n--XyZ-\r\n--XyZ \r\nXyZ--" + bytes;
}

TEST(Multipart, FilePartsArriveWithTheirBytes) {
  struct Case {
    const char* Name;
    std::string Body;
    TParts Parts;
  };
  const std::string binary = BinaryContent();
  const Case cases[] = {
      {"one part", FilePart("a.txt", "hello") + Close, {{"a.txt", "hello"}}},
      {"two parts",
       FilePart("a.txt", "first") + FilePart("b.png", "second") + Close,
       {{"a.txt", "first"}, {"b.png", "second"}}},
      {"empty content", FilePart("empty.txt", "") + Close, {{"empty.txt", ""}}},
      {"binary content", FilePart("bin.dat", binary) + Close, {{"bin.dat", binary}}},
      {"content ending in line ends",
       FilePart("a.txt", "x\r\n\r\n") + Close,
       {{"a.txt", "x\r\n\r\n"}}},
      {"a header line inside the content",
       FilePart("a.txt", "l1\r\nContent-Disposition: form-data; filename=\"evil.txt\"\r\n\r\nl2") +
           Close,
       {{"a.txt", "l1\r\nContent-Disposition: form-data; filename=\"evil.txt\"\r\n\r\nl2"}}},
      {"fields without a file name are skipped",
       "--XyZ\r\nContent-Disposition: form-data; name=\"token\"\r\n\r\nabc\r\n" +
           FilePart("a.txt", "data") +
           "--XyZ\r\nContent-Disposition: form-data; name=\"f\"; filename=\"\"\r\n\r\n\r\n" +
           "--XyZ\r\n\r\nno headers\r\n" + Close,
       {{"a.txt", "data"}}},
      {"preamble and epilogue are ignored",
       "preamble\r\n--XyZ-not\r\n" + FilePart("a.txt", "data") + Close + "epilogue\r\n--XyZ\r\n",
       {{"a.txt", "data"}}},
      {"a last boundary without line end",
       FilePart("a.txt", "data") + "--XyZ--",
       {{"a.txt", "data"}}},
      {"no parts at all", Close, {}},
      {"the file name parameter",
       "--XyZ\r\ncontent-disposition: form-data; name=\"xfilename=\"; FILENAME=\"C:\\d\\r e.txt\""
       "\r\n\r\nr\r\n--XyZ\r\nContent-Disposition: form-data; filename=plain.txt; name=x\r\n"
       "\r\np\r\n" +
           Close,
       {{"C:\\d\\r e.txt", "r"}, {"plain.txt", "p"}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    const TResult result = Read(c.Body);
    EXPECT_TRUE(result.Finished);
    EXPECT_EQ(result.Parts, c.Parts);
    EXPECT_EQ(result.Ended, static_cast<int>(c.Parts.size()));
  }
}

TEST(Multipart, EveryWayOfCuttingTheBodyGivesTheSameParts) {
  const std::string body = "--XyZ\r\nContent-Disposition: form-data; name=\"t\"\r\n\r\nv\r\n" +
                           FilePart("a.txt", "one\r\n--XyZx\r\n") +
                           FilePart("b.bin", "\r\n--XyZ-\r\ntwo") + Close;
  const TResult whole = Read(body);
  ASSERT_TRUE(whole.Finished);
  ASSERT_EQ(whole.Parts, (TParts{{"a.txt", "one\r\n--XyZx\r\n"}, {"b.bin", "\r\n--XyZ-\r\ntwo"}}));

  for (size_t cut = 0; cut <= body.size(); ++cut)
    EXPECT_EQ(Read(body, {cut}), whole) << "cut at " << cut;
  for (size_t first = 0; first <= body.size(); first += 7)
    for (size_t second = 0; second <= body.size() - first; ++second)
      ASSERT_EQ(Read(body, {first, second}), whole) << "cuts at " << first << ", " << second;
  EXPECT_EQ(Read(body, std::vector<size_t>(body.size(), 1)), whole);

  std::mt19937 random(20240611);
  for (int round = 0; round < 200; ++round) {
    std::vector<size_t> chunks;
    for (size_t fed = 0; fed < body.size();) {
      chunks.push_back(std::uniform_int_distribution<size_t>(0, 24)(random));
      fed += chunks.back();
    }
    ASSERT_EQ(Read(body, chunks), whole) << "round " << round;
  }
}

TEST(Multipart, ABodyThatEndsEarlyIsNotFinished) {
  const std::string body = FilePart("a.txt", "data") + FilePart("b.txt", "more") + Close;
  // Up to the last boundary's final "--", something is missing.
  const size_t complete = body.size() - 2;
  for (size_t length = 0; length < complete; ++length) {
    TRecorder sink;
    TMultipartReader reader("XyZ", sink);
    reader.Feed(std::string_view(body).substr(0, length));
    EXPECT_FALSE(reader.Finish()) << length;
    EXPECT_TRUE(reader.Failed()) << length;
    // A part begun is never reported complete.
    EXPECT_LE(sink.Ended, 1) << length;
    // Nothing more is read once the body was found short.
    const TParts parts = sink.Parts;
    const int ended = sink.Ended;
    reader.Feed(std::string_view(body).substr(length));
    EXPECT_EQ(sink.Parts, parts) << length;
    EXPECT_EQ(sink.Ended, ended) << length;
  }
  EXPECT_TRUE(Read(std::string_view(body).substr(0, complete)).Finished);
  EXPECT_FALSE(Read("").Finished);
  EXPECT_FALSE(Read("just text").Finished);
}

TEST(Multipart, ContentReachesTheSinkAsItArrives) {
  TRecorder sink;
  TMultipartReader reader("XyZ", sink);
  reader.Feed("--XyZ\r\nContent-Disposition: form-data; filename=\"big.bin\"\r\n\r\n");
  const std::string block(64 * 1024, 'z');
  for (int i = 1; i <= 16; ++i) {
    reader.Feed(block);
    ASSERT_EQ(sink.Parts.size(), 1u);
    // All but what could be the start of a boundary line has been handed on.
    EXPECT_GE(sink.Parts[0].second.size(), i * block.size() - 8);
  }
  reader.Feed("\r\n--XyZ--\r\n");
  EXPECT_TRUE(reader.Finish());
  EXPECT_EQ(sink.Parts[0].second.size(), 16 * block.size());
}

TEST(Multipart, SkippedPartsGetNoData) {
  TRecorder sink;
  sink.SkipName = "skip.txt";
  TMultipartReader reader("XyZ", sink);
  reader.Feed(FilePart("a.txt", "1") + FilePart("skip.txt", "2") + FilePart("c.txt", "3") + Close);
  EXPECT_TRUE(reader.Finish());
  EXPECT_EQ(sink.Parts, (TParts{{"a.txt", "1"}, {"c.txt", "3"}}));
  EXPECT_EQ(sink.Ended, 2);
}

TEST(Multipart, PartHeadersOverTheLimitFailTheBody) {
  const std::string header = "Content-Disposition: form-data; filename=\"a.txt\"\r\nX-Pad: ";
  // A header block is its lines and the empty line after them.
  const auto body = [&](size_t blockSize) {
    const std::string pad(blockSize - header.size() - 4, 'p');
    return "--XyZ\r\n" + header + pad + "\r\n\r\ndata\r\n" + Close;
  };
  {
    TRecorder sink;
    TMultipartReader reader("XyZ", sink, 100);
    reader.Feed(body(100));
    EXPECT_FALSE(reader.Failed());
    EXPECT_TRUE(reader.Finish());
    EXPECT_EQ(sink.Parts, (TParts{{"a.txt", "data"}}));
  }
  for (const size_t chunk : {size_t(1), size_t(5000)}) {
    SCOPED_TRACE(chunk);
    TRecorder sink;
    TMultipartReader reader("XyZ", sink);
    const std::string oversized = body(8 * 1024 + 1) + FilePart("b.txt", "later") + Close;
    for (size_t at = 0; at < oversized.size(); at += chunk)
      reader.Feed(std::string_view(oversized).substr(at, chunk));
    EXPECT_TRUE(reader.Failed());
    EXPECT_FALSE(reader.Finish());
    EXPECT_TRUE(sink.Parts.empty());
  }
  // Header lines that never end fail as soon as they pass the limit.
  TRecorder sink;
  TMultipartReader reader("XyZ", sink, 100);
  reader.Feed("--XyZ\r\n" + std::string(100, 'h'));
  EXPECT_FALSE(reader.Failed());
  reader.Feed("h");
  EXPECT_TRUE(reader.Failed());
}

TEST(Multipart, AnEmptyBoundaryOrAFailingSinkFailsTheReader) {
  TRecorder sink;
  TMultipartReader noBoundary("", sink);
  EXPECT_TRUE(noBoundary.Failed());
  noBoundary.Feed("--\r\nContent-Disposition: form-data; filename=\"a\"\r\n\r\nx\r\n----\r\n");
  EXPECT_FALSE(noBoundary.Finish());
  EXPECT_TRUE(sink.Parts.empty());

  class TFullDisk : public TRecorder {
  public:
    void PartData(std::string_view) override { throw std::runtime_error("disk full"); }
  } fullDisk;
  TMultipartReader reader("XyZ", fullDisk);
  EXPECT_THROW(reader.Feed(FilePart("a.txt", "data") + Close), std::runtime_error);
  EXPECT_TRUE(reader.Failed());
  reader.Feed(FilePart("b.txt", "data"));
  EXPECT_EQ(fullDisk.Parts.size(), 1u);
  EXPECT_FALSE(reader.Finish());
}

} // namespace
