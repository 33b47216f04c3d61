#pragma once

#include "lang/Duo.Lang.Interfaces.h"

#include <cstddef>
#include <memory>
#include <string>
#include <utility>
#include <vector>

class TDuoTermItem;

// A term tree of a language object.  It owns its items, one per context.
class TDuoTermBaseClass : public IDuoTerm {
public:
  explicit TDuoTermBaseClass(IDuoLang& ADuoLang) : FDuoLang(ADuoLang) {}
  ~TDuoTermBaseClass() override;
  TDuoTermBaseClass(const TDuoTermBaseClass&) = delete;
  TDuoTermBaseClass& operator=(const TDuoTermBaseClass&) = delete;

  IDuoLang& Language() const override { return FDuoLang; }
  // A tree itself stands for no context.
  const std::string& Context() const;

  std::size_t ItemCount() const { return FItems.size(); }
  TDuoTermItem& Items(std::size_t Index) const;

protected:
  // Creates an item of class T for this tree and adds it to the tree's items.
  template <class T> T& CreateItem() {
    auto item = std::make_unique<T>(*this);
    T& result = *item;
    FItems.push_back(std::move(item));
    return result;
  }

private:
  IDuoLang& FDuoLang;
  std::vector<std::unique_ptr<TDuoTermItem>> FItems;
};

// One context of a term tree.  Its text properties ask the tree's language object for the text
// of their key in this context.
class TDuoTermItem : public IDuoTermItem {
public:
  TDuoTermItem(TDuoTermBaseClass& ADuoTerm, std::string AContext)
      : FContext(std::move(AContext)), FDuoTerm(ADuoTerm), FDuoLang(ADuoTerm.Language()) {}
  TDuoTermItem(const TDuoTermItem&) = delete;
  TDuoTermItem& operator=(const TDuoTermItem&) = delete;

  IDuoTerm& DuoTerm() const override { return FDuoTerm; }
  IDuoLang& Language() const override { return FDuoLang; }
  const std::string& Context() const override { return FContext; }

protected:
  std::string Translate(const std::string& Term) const {
    return FDuoLang.Translate(FContext, Term);
  }

private:
  std::string FContext;
  TDuoTermBaseClass& FDuoTerm;
  IDuoLang& FDuoLang;
};

// Captions of the framework's tool buttons.
class TDuoTermButton : public TDuoTermItem {
public:
  explicit TDuoTermButton(TDuoTermBaseClass& ADuoTerm) : TDuoTermItem(ADuoTerm, "Button") {}
  std::string GetCaptionAdd() const { return Translate("CaptionAdd"); }
  std::string GetCaptionCancel() const { return Translate("CaptionCancel"); }
  std::string GetCaptionClose() const { return Translate("CaptionClose"); }
  std::string GetCaptionConfig() const { return Translate("CaptionConfig"); }
  std::string GetCaptionCopy() const { return Translate("CaptionCopy"); }
  std::string GetCaptionCut() const { return Translate("CaptionCut"); }
  std::string GetCaptionDelete() const { return Translate("CaptionDelete"); }
  std::string GetCaptionDownload() const { return Translate("CaptionDownload"); }
  std::string GetCaptionEdit() const { return Translate("CaptionEdit"); }
  std::string GetCaptionMenu() const { return Translate("CaptionMenu"); }
  std::string GetCaptionOpen() const { return Translate("CaptionOpen"); }
  std::string GetCaptionOptions() const { return Translate("CaptionOptions"); }
  std::string GetCaptionPower() const { return Translate("CaptionPower"); }
  std::string GetCaptionPrint() const { return Translate("CaptionPrint"); }
  std::string GetCaptionRefresh() const { return Translate("CaptionRefresh"); }
  std::string GetCaptionSave() const { return Translate("CaptionSave"); }
  std::string GetCaptionSearch() const { return Translate("CaptionSearch"); }
  std::string GetCaptionSelect() const { return Translate("CaptionSelect"); }
  std::string GetCaptionShare() const { return Translate("CaptionShare"); }
  std::string GetCaptionUpload() const { return Translate("CaptionUpload"); }
  std::string GetCaptionView() const { return Translate("CaptionView"); }
};

// Captions of the buttons of message dialogs.
class TDuoTermMessageButton : public TDuoTermItem {
public:
  explicit TDuoTermMessageButton(TDuoTermBaseClass& ADuoTerm)
      : TDuoTermItem(ADuoTerm, "MessageButton") {}
  std::string GetButtonAbort() const { return Translate("ButtonAbort"); }
  std::string GetButtonAll() const { return Translate("ButtonAll"); }
  std::string GetButtonCancel() const { return Translate("ButtonCancel"); }
  std::string GetButtonIgnore() const { return Translate("ButtonIgnore"); }
  std::string GetButtonmrClose() const { return Translate("ButtonmrClose"); }
  std::string GetButtonmrHelp() const { return Translate("ButtonmrHelp"); }
  std::string GetButtonNo() const { return Translate("ButtonNo"); }
  std::string GetButtonNoToAll() const { return Translate("ButtonNoToAll"); }
  std::string GetButtonOk() const { return Translate("ButtonOk"); }
  std::string GetButtonRetry() const { return Translate("ButtonRetry"); }
  std::string GetButtonYes() const { return Translate("ButtonYes"); }
  std::string GetButtonYesToAll() const { return Translate("ButtonYesToAll"); }
};

// Titles of message dialogs by kind.
class TDuoTermMessageType : public TDuoTermItem {
public:
  explicit TDuoTermMessageType(TDuoTermBaseClass& ADuoTerm)
      : TDuoTermItem(ADuoTerm, "MessageType") {}
  std::string GetTypeError() const { return Translate("TypeError"); }
  std::string GetTypeInfo() const { return Translate("TypeInfo"); }
  std::string GetTypeInformation() const { return Translate("TypeInformation"); }
  std::string GetTypeQuestion() const { return Translate("TypeQuestion"); }
  std::string GetTypeSuccess() const { return Translate("TypeSuccess"); }
  std::string GetTypeWarning() const { return Translate("TypeWarning"); }
};

// Captions and messages of the upload item.
class TDuoTermUpload : public TDuoTermItem {
public:
  explicit TDuoTermUpload(TDuoTermBaseClass& ADuoTerm) : TDuoTermItem(ADuoTerm, "Upload") {}
  std::string GetButtonClear() const { return Translate("ButtonClear"); }
  std::string GetButtonUpload() const { return Translate("ButtonUpload"); }
  std::string GetCaptionInput() const { return Translate("CaptionInput"); }
  std::string GetMsgErrorFileSize() const { return Translate("MsgErrorFileSize"); }
  std::string GetMsgErrorFileType() const { return Translate("MsgErrorFileType"); }
  std::string GetMsgErrorManyFileSelected() const { return Translate("MsgErrorManyFileSelected"); }
  std::string GetMsgErrorNoFileSelect() const { return Translate("MsgErrorNoFileSelect"); }
  std::string GetMsgErrorOnUpload() const { return Translate("MsgErrorOnUpload"); }
  std::string GetMsgErrorTotalFilesSize() const { return Translate("MsgErrorTotalFilesSize"); }
  // The texts have always been stored under the key spelt with one "c".
  std::string GetMsgSuccessUpload() const { return Translate("MsgSucessUpload"); }
};

// The prompt of combo boxes.
class TDuoTermCombobox : public TDuoTermItem {
public:
  explicit TDuoTermCombobox(TDuoTermBaseClass& ADuoTerm) : TDuoTermItem(ADuoTerm, "Combobox") {}
  std::string GetSelect() const { return Translate("Select"); }
};

// Texts of the data grid.
class TDuoTermGrid : public TDuoTermItem {
public:
  explicit TDuoTermGrid(TDuoTermBaseClass& ADuoTerm) : TDuoTermItem(ADuoTerm, "Grid") {}
  std::string GetEmptyRecords() const { return Translate("EmptyRecords"); }
  std::string GetFooterRecordPageText() const { return Translate("FooterRecordPageText"); }
  std::string GetFooterRecordText() const { return Translate("FooterRecordText"); }
  std::string GetLoadingData() const { return Translate("LoadingData"); }
  std::string GetMsgErrorCellNoneValue() const { return Translate("MsgErrorCellNoneValue"); }
  std::string GetMsgErrorCellValue() const { return Translate("MsgErrorCellValue"); }
};

// The loader's waiting text.
class TDuoTermLoader : public TDuoTermItem {
public:
  explicit TDuoTermLoader(TDuoTermBaseClass& ADuoTerm) : TDuoTermItem(ADuoTerm, "Loader") {}
  std::string GetWaitText() const { return Translate("WaitText"); }
};

// The error page's title and text.
class TDuoTermError500 : public TDuoTermItem {
public:
  explicit TDuoTermError500(TDuoTermBaseClass& ADuoTerm) : TDuoTermItem(ADuoTerm, "Error500") {}
  std::string GetText() const { return Translate("Text"); }
  std::string GetTitle() const { return Translate("Title"); }
};

// The framework's own terms: one item per context, created in this order.
class TDuoTerm : public TDuoTermBaseClass {
public:
  explicit TDuoTerm(IDuoLang& ADuoLang);

  TDuoTermButton& GetButton() const { return FButton; }
  TDuoTermMessageButton& GetMessageButton() const { return FMessageButton; }
  TDuoTermMessageType& GetMessageType() const { return FMessageType; }
  TDuoTermUpload& GetUpload() const { return FUpload; }
  TDuoTermCombobox& GetCombobox() const { return FCombobox; }
  TDuoTermGrid& GetGrid() const { return FGrid; }
  TDuoTermLoader& GetLoader() const { return FLoader; }
  TDuoTermError500& GetError500() const { return FError500; }

private:
  TDuoTermButton& FButton;
  TDuoTermMessageButton& FMessageButton;
  TDuoTermMessageType& FMessageType;
  TDuoTermUpload& FUpload;
  TDuoTermCombobox& FCombobox;
  TDuoTermGrid& FGrid;
  TDuoTermLoader& FLoader;
  TDuoTermError500& FError500;
};

// The application's term tree.  It has no items: the application's template tags ask its
// language object directly with the context and key of each tag.
class TDuoAPPTerm : public TDuoTermBaseClass {
public:
  using TDuoTermBaseClass::TDuoTermBaseClass;
};
