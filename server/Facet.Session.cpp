#include "server/Facet.Session.h"

#include "bridge/Duo.Instance.h"
#include "bridge/Duo.Manager.h"
#include "bridge/Duo.Util.h"
#include "bridge/Duo.h"
#include "lang/Duo.Lang.Core.h"
#include "render/Duo.Facet.Page.h"
#include "render/Facet.Forms.h"
#include "runtime/Json.h"
#include "runtime/Random.h"
#include "runtime/ScopeExit.h"
#include "runtime/StrUtils.h"
#include "server/Facet.BaseClass.h"
#include "server/Facet.Server.Connection.h"
#include "server/Facet.Server.HTMLHeaders.h"
#include "server/Facet.Session.Web.h"
#include "ui/Forms.h"

#include <algorithm>
#include <iostream>

namespace {

constexpr double SessionLifeDays = 216000.0 / 86400.0;
// What a closed session's expiry becomes: far in the past, so every validity check fails.
constexpr double ClosedExpiryDays = 1080.0 / 12.0 * 365.25;

thread_local TFacetSession* CurrentSession = nullptr;

class TCurrentSessionScope {
public:
  explicit TCurrentSessionScope(TFacetSession* ASession) : FPrevious(CurrentSession) {
    CurrentSession = ASession;
  }
  ~TCurrentSessionScope() { CurrentSession = FPrevious; }
  TCurrentSessionScope(const TCurrentSessionScope&) = delete;
  TCurrentSessionScope& operator=(const TCurrentSessionScope&) = delete;

private:
  TFacetSession* FPrevious;
};

} // namespace

// ---- TFacetSessionInfo

std::string TFacetSessionInfo::GetIP() const {
  std::lock_guard guard(FLock);
  return FIP;
}

void TFacetSessionInfo::SetIP(const std::string& Value) {
  std::lock_guard guard(FLock);
  FIP = Value;
}

std::string TFacetSessionInfo::GetUser() const {
  std::lock_guard guard(FLock);
  return FUser;
}

void TFacetSessionInfo::SetUser(const std::string& Value) {
  std::lock_guard guard(FLock);
  FUser = Value;
}

std::string TFacetSessionInfo::GetIdentity() const {
  std::lock_guard guard(FLock);
  return FIdentity;
}

void TFacetSessionInfo::SetIdentity(const std::string& Value) {
  std::lock_guard guard(FLock);
  FIdentity = Value;
}

std::string TFacetSessionInfo::GetUserAgent() const {
  std::lock_guard guard(FLock);
  return FUserAgent;
}

void TFacetSessionInfo::SetUserAgent(const std::string& Value) {
  std::lock_guard guard(FLock);
  FUserAgent = Value;
}

std::string TFacetSessionInfo::FormName() const {
  std::lock_guard guard(FLock);
  return FFormName;
}

void TFacetSessionInfo::SetFormName(const std::string& Value) {
  std::lock_guard guard(FLock);
  FFormName = Value;
}

// ---- TFacetURI

bool TFacetURI::Exist(const std::string& AKeyName) const {
  return std::any_of(QueryParams.begin(), QueryParams.end(),
                     [&](const TFacetURLQueryParam& p) { return SameText(p.Key, AKeyName); });
}

std::string TFacetURI::ValueFromKey(const std::string& AKeyName) const {
  for (const TFacetURLQueryParam& p : QueryParams)
    if (SameText(p.Key, AKeyName))
      return p.Value;
  return {};
}

// ---- TFacetSession

TFacetSession::TFacetSession(TFacetBaseClass& ABase, std::string AUUID, std::string AClientAddress)
    : FBase(ABase), FUUID(std::move(AUUID)), FToken(GenerateRandomString(24)),
      FFolderName(GenerateRandomString(16)), FClientAddress(std::move(AClientAddress)),
      FCallBackID(GenerateRandomNumber(9)), FCreateDate(Now()),
      FExpireDate(FCreateDate.Value + SessionLifeDays),
      FExecutor(ABase.Limits().MaxQueuedPieces, ABase.Limits().MaxQueuedPieceBytes) {
  auto web = std::make_unique<TFacetSessionWeb>(*this);
  FWeb = web.get();
  FApplication = std::make_unique<TApplication>(std::move(web));
  TApplicationScope scope(*FApplication);
  FInstance = std::make_unique<TDuoInstance>(FApplication.get(), TDuoInstanceRole::Session);
}

TFacetSession::~TFacetSession() {
  // Normally torn down on the session's worker by Close; a session that never ran a piece (its
  // start failed) goes here.
  if (FApplication)
    TearDown();
}

TFacetSession* TFacetSession::Current() {
  return CurrentSession;
}

std::string TFacetSession::GetUUID() const {
  std::lock_guard guard(FIdentityLock);
  return FUUID;
}

std::string TFacetSession::GetToken() const {
  std::lock_guard guard(FIdentityLock);
  return FToken;
}

void TFacetSession::SetIdentity(std::string AUUID, std::string AToken) {
  std::lock_guard guard(FIdentityLock);
  FUUID = std::move(AUUID);
  FToken = std::move(AToken);
}

TDateTime TFacetSession::ExpireDate() const {
  std::lock_guard guard(FLock);
  return FExpireDate;
}

void TFacetSession::RenewExpireDate() {
  if (FClosing)
    return;
  {
    std::lock_guard guard(FLock);
    FExpireDate = TDateTime(Now().Value + SessionLifeDays);
  }
  FBase.SessionChanged(TSessionChangeType::scRenewExpire, *this);
}

bool TFacetSession::Valid(TDateTime ANow) const {
  return !FClosing && ANow <= ExpireDate();
}

std::filesystem::path TFacetSession::PathSession() const {
  return FBase.Options().RootPath() / "temp" / "Sessions" / FFolderName;
}

TFacetUploadGrant TFacetSession::UploadAllowance() const {
  const TFacetServerLimits& limits = FBase.Limits();
  TFacetUploadGrant grant;
  grant.Folder = PathSession();
  std::lock_guard guard(FLock);
  grant.FilesLeft = std::max(0, limits.MaxSessionUploadFiles - FUploadFiles);
  grant.BytesLeft =
      limits.MaxSessionUploadBytes > FUploadBytes ? limits.MaxSessionUploadBytes - FUploadBytes : 0;
  if (grant.FilesLeft == 0 || grant.BytesLeft == 0)
    grant.Refusal = "413 Payload Too Large";
  return grant;
}

void TFacetSession::UploadStored(int AFiles, std::size_t ABytes) {
  std::lock_guard guard(FLock);
  FUploadFiles += AFiles;
  FUploadBytes += ABytes;
}

// The thread's scopes of a piece: entered when it starts, left and entered again around each
// wait, since the piece may go on on another thread.
struct TFacetSession::TPieceScopes {
  explicit TPieceScopes(TFacetSession& ASession) : Session(ASession) { Enter(); }
  void Enter() {
    Current.emplace(&Session);
    Application.emplace(*Session.FApplication);
    Registry.emplace(*Session.FInstance);
    Queue.emplace(Session);
  }
  void Leave() {
    Queue.reset();
    Registry.reset();
    Application.reset();
    Current.reset();
  }

  TFacetSession& Session;
  std::optional<TCurrentSessionScope> Current;
  std::optional<TApplicationScope> Application;
  std::optional<TDuoInstanceScope> Registry;
  std::optional<TThreadQueueScope> Queue;
};

std::function<void()> TFacetSession::Wrap(std::function<void()> AProc) {
  return [self = shared_from_this(), proc = std::move(AProc)] {
    TPieceScopes scopes(*self);
    self->FCurrentScopes = &scopes;
    try {
      proc();
    } catch (const EAbort&) {
      // Work ended silently, as when the session closed while it waited.
    } catch (const std::exception& e) {
      std::cerr << ("session " + self->GetUUID() + ": " + e.what() + "\n");
    }
    if (self->FClosing)
      return;
    self->FlushPages();
    if (self->FBase.OnSessionIdle && self->FExecutor.Idle())
      try {
        self->FBase.OnSessionIdle(*self);
      } catch (const std::exception& e) {
        std::cerr << ("session " + self->GetUUID() + " going idle: " + e.what() + "\n");
      }
  };
}

bool TFacetSession::ExecThread(std::function<void()> AProc, std::size_t ABytes) {
  return FExecutor.Post(Wrap(std::move(AProc)), ABytes);
}

bool TFacetSession::Backlogged() const {
  return FExecutor.Backlogged();
}

void TFacetSession::ExecThread(bool AWait, std::function<void()> AProc) {
  if (!AWait) {
    ExecThread(std::move(AProc));
    return;
  }
  if (FExecutor.InPiece()) {
    AProc();
    return;
  }
  struct TDone {
    std::mutex Lock;
    std::condition_variable Changed;
    bool Done = false;
  };
  auto done = std::make_shared<TDone>();
  const bool posted = ExecThread([proc = std::move(AProc), done] {
    const TScopeExit signal([&done] {
      std::lock_guard guard(done->Lock);
      done->Done = true;
      done->Changed.notify_all();
    });
    proc();
  });
  if (!posted)
    return;
  std::unique_lock guard(done->Lock);
  done->Changed.wait(guard, [&] { return done->Done; });
}

void TFacetSession::WaitReleased(const TFacetSessionExecutor::TPark& APark) {
  if (!FExecutor.InPiece()) {
    FExecutor.WaitReleased(APark);
    return;
  }
  TPieceScopes* scopes = FCurrentScopes;
  scopes->Leave();
  FExecutor.WaitReleased(APark);
  FCurrentScopes = scopes;
  scopes->Enter();
}

void TFacetSession::FlushPages(const std::string& ATrailer) {
  std::vector<std::string> scripts;
  const auto take = [&scripts](TFacetForm& APage) {
    std::string script = APage.TakeControlUpdates();
    if (!script.empty())
      scripts.push_back(std::move(script));
  };
  if (TFacetForm* page = GetActiveForm()) {
    take(*page);
    for (TFacetForm* nested : NestedPageForms(*page))
      take(*nested);
  }
  if (!ATrailer.empty())
    scripts.push_back(ATrailer);
  ExecJS(scripts);
}

TFacetForm* TFacetSession::GetActiveForm() const {
  return FWeb != nullptr ? FWeb->ActivePageForm() : nullptr;
}

TFacetForm* TFacetSession::ActiveFormByFormUUID(const std::string& AFormUUID) const {
  TFacetForm* active = GetActiveForm();
  if (active == nullptr)
    return nullptr;
  if (active->GetFormUUID() == AFormUUID)
    return active;
  for (TFacetForm* nested : NestedPageForms(*active))
    if (nested->GetFormUUID() == AFormUUID)
      return nested;
  return nullptr;
}

std::string TFacetSession::ActiveFormUUID() const {
  const TFacetForm* active = GetActiveForm();
  return active != nullptr ? active->GetFormUUID() : std::string();
}

TDuoClass* TFacetSession::ActiveDuo() const {
  const TDuoFacetPage* page = FWeb != nullptr ? FWeb->ActivePage() : nullptr;
  return page != nullptr ? &page->Duo() : nullptr;
}

std::vector<TDuoClass*> TFacetSession::GetDuoForms() const {
  return FWeb != nullptr ? FWeb->DuoForms() : std::vector<TDuoClass*>();
}

int TFacetSession::SessionIndex() const {
  return FBase.SessionIndex(*this);
}

void TFacetSession::RemoveDuoForm(TDuoClass* ADuo) {
  if (FWeb != nullptr)
    FWeb->RemoveDuo(ADuo);
}

void TFacetSession::ReloadPage() {
  FBase.FacetServerHTMLHeaders().ReloadPage(*this);
}

void TFacetSession::ExecJS(const std::string& AScript) {
  ExecJS(std::vector<std::string>{AScript});
}

void TFacetSession::ExecJS(const std::vector<std::string>& AScripts) {
  if (AScripts.empty())
    return;
  TJSON message = TJSON::object();
  message["ExecJS"] = AScripts;
  const std::shared_ptr<TFacetWebSocketConnection> connection = NewestConnection();
  if (connection) {
    connection->SendText(message.dump(-1, ' ', true));
    FBase.Metrics().CountPush();
  }
}

void TFacetSession::SendFile(const std::filesystem::path& FullFilePath, bool OpenOnFinishDownload,
                             const std::string& WebFileName) {
  std::error_code error;
  if (!std::filesystem::is_regular_file(FullFilePath, error))
    return;
  const std::string key = GenerateRandomJustString(17);
  {
    std::lock_guard guard(FLock);
    FFileDownloads[key] = FullFilePath;
  }
  const std::string url =
      "/duo/download?file=" + key + "&token=" + GetToken() + "&facetsession=" + GetUUID();
  const std::string name = WebFileName.empty() ? FullFilePath.filename().string() : WebFileName;
  ExecJS("var fileUrl = " + QuotedJSString(url) + ";\r\n" +
         "var openAfterDownload = " + (OpenOnFinishDownload ? "true" : "false") + ";\r\n" +
         "var downloadLink = document.createElement('a');\r\n" +
         "downloadLink.href = fileUrl;\r\n" + "downloadLink.download = " + QuotedJSString(name) +
         ";\r\n" + "downloadLink.click();\r\n" + "if (openAfterDownload) {\r\n" +
         "  window.open(fileUrl, '_blank');\r\n" + "}");
}

std::optional<std::filesystem::path> TFacetSession::DownloadPath(const std::string& AKey) const {
  std::lock_guard guard(FLock);
  const auto found = FFileDownloads.find(AKey);
  if (found == FFileDownloads.end())
    return std::nullopt;
  return found->second;
}

std::map<std::string, std::filesystem::path> TFacetSession::GetFileDownloads() const {
  std::lock_guard guard(FLock);
  return FFileDownloads;
}

std::string TFacetSession::CallBackJS(const std::string& ACallBackName,
                                      const std::string& AFormUUID, const std::string& Parameters,
                                      bool LockClient) {
  const std::string formUUID = AFormUUID.empty() ? ActiveFormUUID() : AFormUUID;
  const TFacetForm* page = FWeb != nullptr ? FWeb->PageFormByUUID(formUUID) : nullptr;
  const TFacetCallBack* callBack =
      page != nullptr ? page->FormCallBacks().GetCallBack(ACallBackName) : nullptr;
  if (callBack == nullptr)
    return "";
  const std::string parameters = !Parameters.empty() ? Parameters
                                 : callBack->Parameters.empty()
                                     ? std::string("''")
                                     : SingleQuotedJSString(callBack->Parameters);
  return "FacetServer().CallBack('" + GetUUID() + "', '" + GetToken() + "', '" + formUUID + "', '" +
         callBack->ID + "', " + parameters + ", '" + (LockClient ? "True" : "False") + "')";
}

std::string TFacetSession::GetClipboardText() const {
  std::lock_guard guard(FLock);
  return FClipboardText;
}

void TFacetSession::SetClipboardText(const std::string& Value) {
  {
    std::lock_guard guard(FLock);
    FClipboardText = Value;
  }
  // The text travels as a quoted script string, so no text can end the statement early.
  ExecJS(" navigator.clipboard.writeText(" + QuotedJSString(Value) + ") ");
}

TDuoLang TFacetSession::Language() const {
  return FLanguage;
}

TDuoLang TFacetSession::GetLanguageNav() const {
  return FLanguageNav;
}

void TFacetSession::SetLanguageNav(TDuoLang Value) {
  FLanguageNav = Value;
  const TDuoManager* manager = DuoManager();
  const TDuoLangs enabled = manager != nullptr ? manager->Languages() : TDuoLangs{};
  if (enabled.count(Value) != 0)
    FLanguage = Value;
  else if (enabled.count(TDuoLang::English) != 0)
    FLanguage = TDuoLang::English;
  else if (!enabled.empty())
    FLanguage = *enabled.rbegin();
}

std::string TFacetSession::LangCode() const {
  return LanguageCode(FLanguage);
}

std::string TFacetSession::LangName() const {
  return LanguageName(FLanguage);
}

TDuoTerm* TFacetSession::Lang() const {
  return DuoLangCore ? DuoLangCore->LangByTDuoLang(FLanguage) : nullptr;
}

TDuoTerm* TFacetSession::LangNav() const {
  if (!DuoLangCore)
    return nullptr;
  TDuoTerm* term = DuoLangCore->LangByTDuoLang(FLanguageNav);
  return term != nullptr ? term : Lang();
}

TDuoAPPTerm* TFacetSession::LangAPP() const {
  return DuoLangAPPCore ? DuoLangAPPCore->LangByTDuoLang(FLanguage) : nullptr;
}

bool TFacetSession::Lock(const std::string& AWaitName) {
  if (FClosing)
    return false;
  if (!FWaits.Take(AWaitName))
    return true;
  for (;;) {
    WaitReleased([&](TFacetSessionExecutor::TResume AResume) {
      FWaits.Park(AWaitName, std::move(AResume));
    });
    if (const std::optional<bool> ended = FWaits.Ended(AWaitName))
      return *ended;
  }
}

void TFacetSession::UnLock(const std::string& AWaitName) {
  FWaits.UnLock(AWaitName);
}

void TFacetSession::SetData(std::unique_ptr<TObject> Value) {
  FData = std::move(Value);
}

void TFacetSession::ConnectionOpened() {
  FSockets.Opened();
  FBase.SessionChanged(TSessionChangeType::scWebSocketOpened, *this);
}

void TFacetSession::ConnectionClosed() {
  FSockets.Closed();
  FBase.SessionChanged(TSessionChangeType::scWebSocketClosed, *this);
}

void TFacetSession::Close() {
  if (FClosing.exchange(true))
    return;
  try {
    UnLockAll();
    FApplication->Terminate();
    FBase.SessionChanged(TSessionChangeType::scClosingSession, *this);
    {
      std::lock_guard guard(FLock);
      FExpireDate = TDateTime(Now().Value - ClosedExpiryDays);
    }
    FBase.RemoveSession(*this);
    for (const auto& connection : Connections())
      connection->Disconnect();
    FExecutor.Finish(Wrap([this] {
                       FBase.DoCloseSession(*this);
                       TearDown();
                     }),
                     [base = &FBase] { base->SessionTornDown(); });
  } catch (const std::exception& e) {
    std::cerr << ("closing session " + GetUUID() + ": " + e.what() + "\n");
  }
}

void TFacetSession::TearDown() {
  if (!FApplication)
    return;
  TApplicationScope application(*FApplication);
  {
    TDuoInstanceScope registry(*FInstance);
    FWeb->DropAllPages();
    FInstance->DestroyAllInstances();
    FData.reset();
  }
  FInstance.reset();
  FWeb = nullptr;
  FApplication.reset();
  std::error_code error;
  std::filesystem::remove_all(PathSession(), error);
}
