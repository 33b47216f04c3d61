#include "server/Facet.Server.HTMLHeaders.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

namespace {

TEST(DocumentLanguage, TheHtmlElementNamesTheLanguage) {
  const std::pair<const char*, const char*> cases[] = {
      {R"(<!DOCTYPE html><html lang="pt-BR"><head>)",
       R"(<!DOCTYPE html><html lang="en-US"><head>)"},
      {"<html><body>", R"(<html lang="en-US"><body>)"},
      {"<HTML\n  LANG='pt'\n  dir=\"ltr\">", "<HTML\n  LANG=\"en-US\"\n  dir=\"ltr\">"},
      {"<html lang = pt-BR class=x>", R"(<html lang = "en-US" class=x>)"},
      {R"(<html xml:lang="pt" data-lang="pt">)",
       R"(<html lang="en-US" xml:lang="pt" data-lang="pt">)"},
      // Only the html element, not one whose name starts the same, nor text after it.
      {R"(<htmlx lang="pt"><html>)", R"(<htmlx lang="pt"><html lang="en-US">)"},
      {R"(<html><p lang="pt">)", R"(<html lang="en-US"><p lang="pt">)"},
      // Nothing to change.
      {"<p>no document element</p>", "<p>no document element</p>"},
      {"<html", "<html"},
      {"", ""},
  };
  for (const auto& [page, expected] : cases) {
    std::string text = page;
    SetDocumentLanguage(text, "en-US");
    EXPECT_EQ(text, expected) << page;
  }
}

} // namespace
