#pragma once

// Container items behind a navigation: a tab set, an accordion and a modal popup.

#include "bridge/Duo.ItemCommon.h"

#include <memory>
#include <string>
#include <vector>

class TDuoItemHTMLTabs : public TDuoItem {
public:
  class TDuoItemHTMLTabItem {
  public:
    explicit TDuoItemHTMLTabItem(TDuoClass& ABaseClass) : Items(ABaseClass) {}
    const std::string& GetTitle() const { return FTitle; }
    void SetTitle(const std::string& Value) { FTitle = Value; }
    TDuoItems Items;

  private:
    std::string FTitle;
  };

  explicit TDuoItemHTMLTabs(TDuoClass& ABaseClass);

  const std::vector<std::unique_ptr<TDuoItemHTMLTabItem>>& GetTabs() const { return FTabs; }
  const std::string& GetColSize() const { return FColSize; }
  void SetColSize(const std::string& Value) { FColSize = Value; }
  TDuoItemHTMLTabItem& AddTab(const std::string& ATitle = "");
  // Appends a tab made elsewhere (with its items); the tab set owns it from now on.
  TDuoItemHTMLTabItem& AddTab(std::unique_ptr<TDuoItemHTMLTabItem> Item);
  void Render() override;

private:
  void BeginReader();

  std::vector<std::unique_ptr<TDuoItemHTMLTabItem>> FTabs;
  std::string FColSize = "col";
};

class TDuoItemHTMLAccordion : public TDuoItem {
public:
  class TDuoItemHTMLAccordionItem {
  public:
    explicit TDuoItemHTMLAccordionItem(TDuoClass& ABaseClass) : Items(ABaseClass) {}
    const std::string& GetTitle() const { return FTitle; }
    void SetTitle(const std::string& Value) { FTitle = Value; }
    TDuoItems Items;

  private:
    std::string FTitle;
  };

  explicit TDuoItemHTMLAccordion(TDuoClass& ABaseClass);

  const std::vector<std::unique_ptr<TDuoItemHTMLAccordionItem>>& GetAccordionItems() const {
    return FAccordionItems;
  }
  const std::string& GetColSize() const { return FColSize; }
  void SetColSize(const std::string& Value) { FColSize = Value; }
  TDuoItemHTMLAccordionItem& AddAccordionItem(const std::string& ATitle = "");
  // Appends an item made elsewhere (with its items); the accordion owns it from now on.
  TDuoItemHTMLAccordionItem& AddAccordionItem(std::unique_ptr<TDuoItemHTMLAccordionItem> Item);
  void Render() override;

private:
  void BeginReader();
  void EndReader();

  std::vector<std::unique_ptr<TDuoItemHTMLAccordionItem>> FAccordionItems;
  std::string FColSize;
};

// A modal dialog of the page, opened and closed by the form; its script reports the browser's
// transitions to the server.
class TDuoItemHTMLPopup : public TDuoItem {
public:
  explicit TDuoItemHTMLPopup(TDuoClass& ABaseClass);

  const std::string& GetTitle() const { return FTitle; }
  void SetTitle(const std::string& Value) { FTitle = Value; }
  bool GetShowButtonClose() const { return FShowButtonClose; }
  void SetShowButtonClose(bool Value) { FShowButtonClose = Value; }
  void Render() override;

  TDuoItems Items;

private:
  void BeginReader();
  void EndReader();

  std::string FTitle;
  bool FShowButtonClose = true;
};
