#pragma once

// Where an upload's files go while its body is read: the multipart reader hands each file part to
// the sink, which stores it in a new file of the session's folder.

#include "server/Facet.Multipart.h"
#include "server/Facet.Server.Paths.h"

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// An upload's files as they are written, on the disk thread: each part in a new file of the
// session's folder, within the request's part limit and the session's quota.  Unless kept, the
// files are removed when the sink goes, so a refused or broken upload leaves nothing behind.
class TFacetUploadSink : public IMultipartSink {
public:
  TFacetUploadSink(std::filesystem::path AFolder, int AFilesLeft, std::size_t ABytesLeft)
      : FFolder(std::move(AFolder)), FFilesLeft(AFilesLeft), FBytesLeft(ABytesLeft) {}
  ~TFacetUploadSink() override {
    if (!FKeep)
      Discard();
  }
  // Removes every file written so far.
  void Discard() {
    FFile.reset();
    for (const std::filesystem::path& file : Files) {
      std::error_code ignored;
      std::filesystem::remove(file, ignored);
    }
    Files.clear();
  }
  bool BeginPart(const std::string& fileName) override {
    const std::string name = SanitizeUploadName(fileName);
    if (name.empty())
      return false;
    if (FFilesLeft <= 0)
      Refuse("413 Payload Too Large");
    --FFilesLeft;
    try {
      FFile.emplace(CreateUniqueFile(FFolder, name));
    } catch (const std::exception&) {
      Refuse("500 Internal Server Error");
    }
    Files.push_back(FFile->Path());
    return true;
  }
  void PartData(std::string_view bytes) override {
    if (bytes.size() > FBytesLeft)
      Refuse("413 Payload Too Large");
    FBytesLeft -= bytes.size();
    Bytes += bytes.size();
    try {
      FFile->Write(bytes);
    } catch (const std::exception&) {
      Refuse("500 Internal Server Error");
    }
  }
  void EndPart() override {
    try {
      FFile->Close();
    } catch (const std::exception&) {
      Refuse("500 Internal Server Error");
    }
    FFile.reset();
  }
  void Keep() { FKeep = true; }
  // Why the sink stopped the upload, empty when it did not.
  const std::string& Refusal() const { return FRefusal; }

  std::vector<std::filesystem::path> Files;
  std::size_t Bytes = 0;

private:
  [[noreturn]] void Refuse(const char* AStatus) {
    FRefusal = AStatus;
    throw std::runtime_error(AStatus);
  }

  std::filesystem::path FFolder;
  int FFilesLeft;
  std::size_t FBytesLeft;
  std::optional<TCreatedFile> FFile;
  std::string FRefusal;
  bool FKeep = false;
};
