#include "data/DataTexts.h"

#include <atomic>

namespace {

std::atomic<std::shared_ptr<const TDataTexts>>& CurrentTexts() {
  static std::atomic<std::shared_ptr<const TDataTexts>> texts{std::make_shared<const TDataTexts>()};
  return texts;
}

} // namespace

std::shared_ptr<const TDataTexts> DataTexts() {
  return CurrentTexts().load();
}

void SetDataTexts(const TDataTexts& texts) {
  CurrentTexts().store(std::make_shared<const TDataTexts>(texts));
}

std::string FormatDataText(const std::string& text,
                           std::initializer_list<std::pair<const char*, std::string>> values) {
  std::string result;
  size_t pos = 0;
  while (pos < text.size()) {
    const size_t open = text.find('{', pos);
    const size_t close = open == std::string::npos ? open : text.find('}', open);
    if (close == std::string::npos)
      break;
    result.append(text, pos, open - pos);
    const std::string name = text.substr(open + 1, close - open - 1);
    bool replaced = false;
    for (const auto& [key, value] : values)
      if (name == key) {
        result += value;
        replaced = true;
        break;
      }
    if (!replaced)
      result.append(text, open, close - open + 1);
    pos = close + 1;
  }
  result.append(text, pos, std::string::npos);
  return result;
}
