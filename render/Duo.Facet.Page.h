#pragma once

// A form served as a page: the form's bridge object with the web framework type, the layout the
// form declares, its page form, and the page built from the form's template files.

#include <filesystem>
#include <memory>
#include <string>

class IFacetSession;
class TDuo;
class TDuoFacetFramework;
class TDuoForm;
class TFacetForm;

// The marks where the server puts its script headers and its body additions.
inline constexpr const char* FacetHeaderMark = "$_facetheader";
inline constexpr const char* FacetBodyMark = "$_facetbody";

class TDuoFacetPage {
public:
  // Gives the form a bridge object in the session, lets it declare its layout and creates its
  // page form, of the form's template class when it names one.  The page form belongs to the
  // form, so the page goes before its form does.
  TDuoFacetPage(TDuoForm& AForm, IFacetSession* ASession);
  ~TDuoFacetPage();
  TDuoFacetPage(const TDuoFacetPage&) = delete;
  TDuoFacetPage& operator=(const TDuoFacetPage&) = delete;

  TDuoForm& Form() const { return FForm; }
  TDuo& Duo() const { return *FDuo; }
  TFacetForm& PageForm() const { return *FPageForm; }

  // Renders the layout afresh and builds the page: the form's master and page templates from
  // `WebRoot` (or the page skeleton when it names none) with every tag resolved and the two
  // marks in place.  A named template that does not exist raises an error naming it.
  std::string Build(const std::filesystem::path& WebRoot);

private:
  std::string LoadTemplates(const std::filesystem::path& WebRoot);

  TDuoForm& FForm;
  std::unique_ptr<TDuo> FDuo;
  TDuoFacetFramework* FFramework = nullptr;
  TFacetForm* FPageForm = nullptr;
};
