#pragma once

// The script and style blocks every page carries: the connection settings, the WebSocket client,
// the framework's browser functions, the listeners of the page's controls, the loader and the
// error overlay; and the reload that keeps a session.

#include <string>

class TFacetBaseClass;
class TFacetForm;
class TFacetHTTPRequest;
class TFacetSession;

class TFacetServerHTMLHeaders {
public:
  explicit TFacetServerHTMLHeaders(TFacetBaseClass& ABase) : FBase(ABase) {}

  // Replace the first "$_facetheader" / "$_facetbody" (any case) with the blocks.
  void ProcessHTMLHeaderIncludes(const TFacetHTTPRequest& Request, std::string& HTMLText,
                                 TFacetSession& Session, TFacetForm& PageForm) const;
  void ProcessHTMLBodyIncludes(std::string& HTMLText) const;
  // Makes the browser reload the page while keeping the session.
  void ReloadPage(TFacetSession& Session) const;

  std::string AddVariables() const;
  std::string AddHeadsIncludes() const;
  std::string AddJSFacetWS() const;
  std::string AddOnLoad(const TFacetHTTPRequest& Request, const TFacetSession& Session) const;
  std::string AddFacetMethods() const;
  std::string AddControlEvents(const TFacetSession& Session, TFacetForm& PageForm) const;
  std::string AddJSCallBackFacetMethods(const TFacetSession& Session,
                                        const TFacetForm& PageForm) const;
  // The script the page runs as it is left.
  std::string AddPageUnload(const TFacetSession& Session, const TFacetForm& PageForm) const;
  std::string AddError500() const;

private:
  TFacetBaseClass& FBase;
};

// Sets the lang attribute of the page's <html> element (added when it has none) to `ACode`.
void SetDocumentLanguage(std::string& HTMLText, const std::string& ACode);
// A script template of the built-in assets inside a script element.
std::string ScriptBlock(const std::string& AAssetName);
