#pragma once

// The HTML document of one form's page: the body lines that rendering fills, the markup each
// rendered item produced (by item id), and the page skeleton used when no template file is.

#include "runtime/Strings.h"

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

class TDuoClass;

// Fired for every item that produced markup: its id, its prefixed id and its markup.
using TDuoHTMLControlsEvent = std::function<void(
    const std::string& AName, const std::string& ANamePrefix, const std::string& HTMLText)>;

class TDuoHTML {
public:
  class HTMLOptions {
  public:
    bool HTMLTags = false;
    bool IncluseBootStrap = false;
    bool IncludeCharSet = false;
    bool IncludeViewPort = false;
    bool IncludeDIVContainer = false;
    bool ValidateAllControls = false;
  };

  class HTMLRender {
  public:
    explicit HTMLRender(TDuoHTML& ADuoHTML) : FDuoHTML(ADuoHTML) {}

    // Keeps the markup under the item's id and fires OnAddHTMLControls.
    void AddHTMLControls(const std::string& AName, const std::string& ANamePrefix,
                         const std::string& HTMLText);
    // The markup of that item, or empty when none was registered.
    std::string GetHTMLControls(const std::string& AName) const;
    const std::vector<std::pair<std::string, std::string>>& HTMLControls() const {
      return FHTMLControls;
    }
    int CountHTMLControls() const { return static_cast<int>(FHTMLControls.size()); }
    // Empties the lists and the registered markup; the title stays.
    void Clear();
    // The whole document around the body, as the options ask.
    std::unique_ptr<TStringList> MakeHTML() const;
    // Takes the control tag "{%NAME ...%}" of that control out of the body.  The name is matched
    // without case and must be followed by a blank or "%", so Edit1 never matches Edit10.
    void RemoveHTMLControlToBody(const std::string& AName);

    TStringList& Meta() { return FMeta; }
    TStringList& Headers() { return FHeaders; }
    TStringList& Styles() { return FStyles; }
    TStringList& Script() { return FScript; }
    TStringList& Body() { return FBody; }
    const TStringList& Body() const { return FBody; }
    const std::string& GetTitle() const { return FTitle; }
    void SetTitle(const std::string& Value) { FTitle = Value; }

    TDuoHTMLControlsEvent OnAddHTMLControls;

  private:
    TDuoHTML& FDuoHTML;
    std::string FTitle;
    TStringList FMeta;
    TStringList FHeaders;
    TStringList FStyles;
    TStringList FScript;
    TStringList FBody;
    // Item id and markup, in the order the items rendered.
    std::vector<std::pair<std::string, std::string>> FHTMLControls;
  };

  explicit TDuoHTML(TDuoClass& ADuoBaseCalss) : FDuoBaseCalss(ADuoBaseCalss), FRender(*this) {}
  TDuoHTML(const TDuoHTML&) = delete;
  TDuoHTML& operator=(const TDuoHTML&) = delete;

  HTMLOptions& Options() { return FOptions; }
  const HTMLOptions& Options() const { return FOptions; }
  HTMLRender& Render() { return FRender; }
  const HTMLRender& Render() const { return FRender; }
  TStringList& StyleSheet() { return FStyleSheet; }
  TStringList& Script() { return FScript; }
  TDuoClass& BaseClass() const { return FDuoBaseCalss; }

private:
  TDuoClass& FDuoBaseCalss;
  HTMLOptions FOptions;
  HTMLRender FRender;
  TStringList FStyleSheet;
  TStringList FScript;
};
