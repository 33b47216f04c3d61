#include "bridge/Duo.Item.Upload.h"

#include "bridge/Duo.BaseClass.h"
#include "bridge/Duo.Util.h"
#include "lang/Duo.Lang.Term.h"

namespace {

using TUploadTerm = std::string (TDuoTermUpload::*)() const;

// A text of the upload context in the browser's language; empty when no terms are loaded.
std::string UploadTerm(const TDuoClass& ABaseClass, TUploadTerm ATerm) {
  const TDuoTerm* terms = ABaseClass.LangNav();
  return terms != nullptr ? (terms->GetUpload().*ATerm)() : "";
}

} // namespace

TDuoItemHTMLUpload::TDuoItemHTMLUpload(TDuoClass& ABaseClass)
    : TDuoItem(ABaseClass),
      FCaptionUpload(UploadTerm(ABaseClass, &TDuoTermUpload::GetCaptionInput)) {
  FAllowedFileTypes.SetText("jpg\r\njpeg\r\npng\r\npdf");
}

void TDuoItemHTMLUpload::RenderHTML() {
  const std::string id = GetItemID();
  RenderMarkup(id);
  RenderScript(id);
}

void TDuoItemHTMLUpload::RenderMarkup(const std::string& ID) {
  const std::string multiple = FMaxFiles != 1 ? "multiple" : "";
  std::string accept;
  for (int i = 0; i < FAllowedFileTypes.Count(); ++i)
    accept += (i == 0 ? "" : ", ") + std::string(".") + HTMLEncode(FAllowedFileTypes[i]);
  if (!accept.empty())
    accept = "accept=\"" + accept + "\"";
  const std::string caption = HTMLEncode(FCaptionUpload);
  const std::string input = "<input type=\"file\" class=\"" + FCSSInput + "\" id=\"" + ID +
                            "\" name=\"" + ID + "\" " + multiple + " " + accept;
  const std::string uploadIcon = "<i class=\"" + FIconButtonUpload + "\" aria-hidden=\"true\"></i>";

  AddLine("<div class=\"duoinput\">");
  AddLine("<form id=\"" + ID + "Form\" enctype=\"multipart/form-data\">");
  AddLine("<div class=\"input-group\">");
  if (FInputVisible) {
    AddLine(input + " style=\"height: 38px;\">");
    AddLine("<div class=\"mx-1\"></div>");
    AddLine("<div class=\"input-group-append\">");
    AddLine("<button type=\"button\" class=\"" + FCSSButtonClear + "\" id=\"" + ID +
            "clearButton\"><i class=\"" + FIconButtonClear + "\" aria-hidden=\"true\"></i>" +
            HTMLEncode(UploadTerm(BaseClass(), &TDuoTermUpload::GetButtonClear)) + "</button>");
    AddLine("<button type=\"button\" class=\"" + FCSSButtonUpload + "\" id=\"" + ID +
            "uploadButton\">" + uploadIcon + caption + "</button>");
  } else {
    AddLine(input + " style=\"display: none;\">");
    AddLine("<div class=\"input-group-append\">");
    AddLine("<label for=\"" + ID + "\" class=\"" + FCSSButtonUpload + "\" id=\"" + ID +
            "fileInputButton\">" + uploadIcon + caption + "</label>");
    AddLine("<button type=\"button\" class=\"" + FCSSButtonUpload + "\" id=\"" + ID +
            "uploadButton\" style=\"display: none;\">" + uploadIcon + caption + "</button>");
  }
  for (int i = 0; i < 4; ++i)
    AddLine(i == 2 ? "</form>" : "</div>");
}

void TDuoItemHTMLUpload::RenderScript(const std::string& ID) {
  const auto alert = [this](const std::string& icon, TUploadTerm term) {
    return "swal.fire({ title: \"\", icon: \"" + icon +
           "\", text : " + QuotedJSString(UploadTerm(BaseClass(), term)) + " });";
  };
  const auto failWith = [&](TUploadTerm term) {
    AddLine(alert("error", term));
    AddLine("return;");
    AddLine("}");
  };
  std::string allowed;
  for (int i = 0; i < FAllowedFileTypes.Count(); ++i)
    allowed += (i == 0 ? "" : ", ") + SingleQuotedJSString(FAllowedFileTypes[i]);
  const IFacetSession* session = BaseClass().GetFacetSession();
  const std::string uuid = session != nullptr ? session->GetUUID() : "";
  const std::string token = session != nullptr ? session->GetToken() : "";

  AddLine("<script>");
  AddLine("$(document).ready(function(){");
  AddLine("var allowedFileTypes = [" + allowed +
          "]; // Tipos de arquivo permitidos (deixe vazio para aceitar qualquer tipo)");
  AddLine("var maxFileCount = " + std::to_string(FMaxFiles) +
          "; // Quantidade máxima de arquivos (0 para sem limite)");
  AddLine("var maxFileSizePerFile = " + std::to_string(FMaxFileSize) +
          " * 1024 * 1024; // Tamanho máximo por arquivo (5 MB)");
  AddLine("var maxTotalFileSize = " + std::to_string(FMaxUploadSize) +
          " * 1024 * 1024; // Tamanho total máximo (20 MB)");
  AddLine("");
  if (FInputVisible) {
    AddLine("$('#" + ID + "clearButton').on('click', function(){");
    AddLine("// Limpa a lista de arquivos selecionados");
    AddLine("$('#" + ID + "').val('');");
    AddLine("});");
  }
  AddLine("");
  if (!FInputVisible) {
    AddLine("$('#" + ID + "').on('change', function () {");
    AddLine("$('#" + ID + "uploadButton').click();");
    AddLine("});");
  }
  AddLine("$('#" + ID + "uploadButton').on('click', function(){");
  AddLine("// Obtenha os arquivos selecionados");
  AddLine("var files = $('#" + ID + "')[0].files;");
  AddLine("");
  AddLine("if (files.length === 0) {");
  failWith(&TDuoTermUpload::GetMsgErrorNoFileSelect);
  AddLine("");
  AddLine("if (maxFileCount > 0 && files.length > maxFileCount) {");
  failWith(&TDuoTermUpload::GetMsgErrorManyFileSelected);
  AddLine("");
  AddLine("var totalSize = 0;");
  AddLine("for (var i = 0; i < files.length; i++) {");
  AddLine("totalSize += files[i].size;");
  AddLine("");
  AddLine("if (maxFileSizePerFile > 0 && files[i].size > maxFileSizePerFile) {");
  failWith(&TDuoTermUpload::GetMsgErrorFileSize);
  AddLine("");
  AddLine("var fileExtension = files[i].name.split('.').pop().toLowerCase();");
  AddLine("if (allowedFileTypes.length > 0 && !allowedFileTypes.includes(fileExtension)) {");
  failWith(&TDuoTermUpload::GetMsgErrorFileType);
  AddLine("}");
  AddLine("");
  AddLine("if (maxTotalFileSize > 0 && totalSize > maxTotalFileSize) {");
  failWith(&TDuoTermUpload::GetMsgErrorTotalFilesSize);
  AddLine("");
  AddLine("var formData = new FormData($('#" + ID + "Form')[0]);");
  AddLine("LockThreadClient();");
  AddLine("");
  AddLine("$.ajax({");
  AddLine("url: '/duo/upload?token=" + token + "&facetsession=" + uuid +
          "', // Substitua pelo URL do seu endpoint de envio");
  AddLine("type: 'POST',");
  AddLine("data: formData,");
  AddLine("processData: false,");
  AddLine("contentType: false,");
  AddLine("success: function(response){");
  AddLine("$('#" + ID + "clearButton').click();");
  AddLine("UnLockThreadClient();");
  if (FShowFinishMessage)
    AddLine(alert("success", &TDuoTermUpload::GetMsgSuccessUpload));
  AddLine("},");
  AddLine("error: function(xhr, status, error) {");
  AddLine("UnLockThreadClient();");
  AddLine(alert("error", &TDuoTermUpload::GetMsgErrorOnUpload));
  AddLine("}");
  AddLine("});");
  AddLine("});");
  AddLine("});");
  AddLine("</script>");
}
