#pragma once

// The upload item: a small form with a file input and buttons, and a script that checks the
// selection in the browser (number of files, size of each, total size, type) and posts the files
// to the server's upload route with the session's token.  The limits are checked in the browser
// only; the server applies its own.

#include "bridge/Duo.ItemCommon.h"
#include "runtime/Strings.h"

#include <string>

class TDuoItemHTMLUpload : public TDuoItem {
public:
  explicit TDuoItemHTMLUpload(TDuoClass& ABaseClass);

  const std::string& GetCaptionUpload() const { return FCaptionUpload; }
  void SetCaptionUpload(const std::string& Value) { FCaptionUpload = Value; }
  bool GetInputVisible() const { return FInputVisible; }
  void SetInputVisible(bool Value) { FInputVisible = Value; }
  const std::string& GetCSSInput() const { return FCSSInput; }
  void SetCSSInput(const std::string& Value) { FCSSInput = Value; }
  const std::string& GetCSSButtonClear() const { return FCSSButtonClear; }
  void SetCSSButtonClear(const std::string& Value) { FCSSButtonClear = Value; }
  const std::string& GetCSSButtonUpload() const { return FCSSButtonUpload; }
  void SetCSSButtonUpload(const std::string& Value) { FCSSButtonUpload = Value; }
  const std::string& GetIconButtonUpload() const { return FIconButtonUpload; }
  void SetIconButtonUpload(const std::string& Value) { FIconButtonUpload = Value; }
  const std::string& GetIconButtonClear() const { return FIconButtonClear; }
  void SetIconButtonClear(const std::string& Value) { FIconButtonClear = Value; }
  // Files in one upload; 0 means no limit.
  int GetMaxFiles() const { return FMaxFiles; }
  void SetMaxFiles(int Value) { FMaxFiles = Value; }
  // Megabytes per file and for the whole upload; 0 means no limit.
  int GetMaxFileSize() const { return FMaxFileSize; }
  void SetMaxFileSize(int Value) { FMaxFileSize = Value; }
  int GetMaxUploadSize() const { return FMaxUploadSize; }
  void SetMaxUploadSize(int Value) { FMaxUploadSize = Value; }
  bool GetShowFinishMessage() const { return FShowFinishMessage; }
  void SetShowFinishMessage(bool Value) { FShowFinishMessage = Value; }
  // Allowed extensions, lower case and without the dot; empty allows every type.  Edited in
  // place by the caller.
  TStrings& AllowedFileTypes() { return FAllowedFileTypes; }

  void RenderHTML() override;

private:
  void RenderMarkup(const std::string& ID);
  void RenderScript(const std::string& ID);

  std::string FCaptionUpload;
  int FMaxFiles = 1;
  TStringList FAllowedFileTypes;
  int FMaxFileSize = 20;
  int FMaxUploadSize = 20;
  bool FInputVisible = true;
  std::string FCSSInput;
  std::string FCSSButtonClear;
  std::string FCSSButtonUpload;
  std::string FIconButtonClear;
  std::string FIconButtonUpload;
  bool FShowFinishMessage = false;
};
