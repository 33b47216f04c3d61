#pragma once

// A browser session: one tab's visit.  It keeps the session's identity (UUID and token), its
// expiry, its own application with the forms opened in it and their pages, the callbacks its
// pages registered, its downloads, its connection information and language, a text clipboard,
// its named waits, and the executor on which all of its form code runs.
//
// Code running a piece of the session's form code finds the session through the calling thread
// (TFacetSession::Current()); each piece runs with the session's application, instance registry
// and queue made the thread's own.

#include "bridge/Duo.Interfaces.h"
#include "lang/Duo.Lang.Types.h"
#include "runtime/DateTime.h"
#include "runtime/MainThread.h"
#include "server/Facet.Server.Connection.h"
#include "server/Facet.Session.Executor.h"
#include "server/Facet.Session.Sockets.h"
#include "server/Facet.Session.Waits.h"

#include <atomic>
#include <condition_variable>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

class TApplication;
class TDuoInstance;
class TDuoFacetPage;
class TFacetBaseClass;
class TFacetForm;
class TFacetSessionWeb;
class TFacetWebSocketConnection;
class TObject;

// Where the session's browser is and who uses it.
class TFacetSessionInfo {
public:
  std::string GetIP() const;
  void SetIP(const std::string& Value);
  std::string GetUser() const;
  void SetUser(const std::string& Value);
  std::string GetIdentity() const;
  void SetIdentity(const std::string& Value);
  std::string GetUserAgent() const;
  void SetUserAgent(const std::string& Value);
  // The class name of the form whose page is showing, else the last one known.
  std::string FormName() const;
  void SetFormName(const std::string& Value);

private:
  mutable std::mutex FLock;
  std::string FIP;
  std::string FUser = "anonymous";
  std::string FIdentity = "main";
  std::string FUserAgent;
  std::string FFormName;
};

// The address that created the session.
struct TFacetURLQueryParam {
  std::string Key;
  std::string Value;
};

class TFacetURI {
public:
  std::string Raw;
  std::string URL;
  std::string Host;
  int ServerPort = 0;
  std::string Protocol;
  std::vector<TFacetURLQueryParam> QueryParams;

  // Keys compared without case; the first match.
  bool Exist(const std::string& AKeyName) const;
  std::string ValueFromKey(const std::string& AKeyName) const;
};

class TFacetSession : public IFacetSession,
                      public IThreadQueue,
                      public std::enable_shared_from_this<TFacetSession> {
public:
  // A session is made by the server (TFacetBaseClass::CreateSession) and lives in its registry
  // until it is closed; it is freed when nothing refers to it any more.
  TFacetSession(TFacetBaseClass& ABase, std::string AUUID, std::string AClientAddress = {});
  ~TFacetSession() override;
  TFacetSession(const TFacetSession&) = delete;
  TFacetSession& operator=(const TFacetSession&) = delete;

  // The session whose form code the calling thread runs, or nullptr.
  static TFacetSession* Current();

  TFacetBaseClass& Base() const { return FBase; }
  std::string GetUUID() const override;
  std::string GetToken() const override;
  // A new UUID and token (the registry's TFacetBaseClass::RenewIdentity calls it): the old pair
  // names nothing from then on.
  void SetIdentity(std::string AUUID, std::string AToken);
  // The address the session was started from (see ClientAddress).
  const std::string& ClientAddress() const { return FClientAddress; }
  // Marked by the application once the session is worth keeping (an accepted login): it no
  // longer counts against its address's anonymous sessions and is never closed to make room.
  bool Established() const { return FEstablished; }
  void MarkEstablished() { FEstablished = true; }
  // Whether the session still counts against its address's anonymous sessions; true once, for
  // the caller that gives the count back.
  bool ReleaseAnonymous() { return FCountedAnonymous.exchange(false); }
  const std::string& GetCallBackID() const { return FCallBackID; }
  TDateTime CreateDate() const { return FCreateDate; }
  TDateTime ExpireDate() const;
  // Another 60 hours from now; tells the server controller.
  void RenewExpireDate();
  bool GetExpire() const { return FExpire; }
  void SetExpire(bool Value) { FExpire = Value; }
  // Registered (the caller checks), not closing and now not past the expiry.
  bool Valid(TDateTime ANow) const;
  // The folder of the session's uploads, created at the first upload.
  std::filesystem::path PathSession() const;
  // What the session may still store by upload: the folder and what is left of its quota (a
  // refusal when nothing is left).
  TFacetUploadGrant UploadAllowance() const;
  // Files of an upload were stored.
  void UploadStored(int AFiles, std::size_t ABytes);

  // ---- form code
  // Queues a procedure as a piece of the session's form code; false once the session closes.
  // `ABytes` is what the piece holds of the browser's data, for the queue's budget.
  bool ExecThread(std::function<void()> AProc, std::size_t ABytes = 0);
  // Whether so much work is queued that the session's sockets should wait before reading more.
  bool Backlogged() const;
  // The same, and with AWait the caller blocks until the procedure has run (at once when the
  // caller already runs a piece of this session).  Never called on an I/O thread.
  void ExecThread(bool AWait, std::function<void()> AProc);
  void RunSoon(std::function<void()> AWork) override { ExecThread(std::move(AWork)); }
  void Queue(TThreadProcedure AProc) override { ExecThread(std::move(AProc)); }
  // Parks the calling piece with the form lock released until `APark`'s resume is called (see
  // TFacetSessionExecutor::WaitReleased); outside a piece, blocks until then.
  void WaitReleased(const TFacetSessionExecutor::TPark& APark);
  TFacetSessionExecutor& Executor() { return FExecutor; }

  // ---- pages
  TApplication& Application() const { return *FApplication; }
  TDuoInstance& Instance() const { return *FInstance; }
  TFacetSessionWeb& Web() const { return *FWeb; }
  // The page form of the session's active page, nullptr when there is none.
  TFacetForm* GetActiveForm() const;
  // The active page form when its UUID matches, else the first nested page form with it.
  TFacetForm* ActiveFormByFormUUID(const std::string& AFormUUID) const;
  std::string ActiveFormUUID() const override;
  TDuoClass* ActiveDuo() const override;
  // The bridge objects of the session's top-level pages, the one shown last at the end; read by
  // the session's form code.
  std::vector<TDuoClass*> GetDuoForms() const;
  void RemoveDuoForm(TDuoClass* ADuo) override;
  void ReloadPage() override;

  // ---- browser
  // Pushes a script statement to the browser as {"ExecJS": [statement]}.
  void ExecJS(const std::string& AScript) override;
  // Pushes statements as one message, {"ExecJS": [first, second, ...]}, evaluated in order;
  // nothing when there are none.
  void ExecJS(const std::vector<std::string>& AScripts);
  // Offers a file for download; nothing when it does not exist.
  void SendFile(const std::filesystem::path& FullFilePath, bool OpenOnFinishDownload,
                const std::string& WebFileName = {});
  std::optional<std::filesystem::path> DownloadPath(const std::string& AKey) const;
  // The files offered for download, by their keys.
  std::map<std::string, std::filesystem::path> GetFileDownloads() const;
  // The browser's call of the named callback of a page (the active page when AFormUUID is
  // empty); empty when that page has no callback of that name.  Without Parameters the call
  // passes the callback's default parameters.
  std::string CallBackJS(const std::string& ACallBackName, const std::string& AFormUUID,
                         const std::string& Parameters, bool LockClient) override;
  std::string GetClipboardText() const;
  void SetClipboardText(const std::string& Value);

  // ---- language
  TDuoLang Language() const override;
  TDuoLang GetLanguageNav() const;
  // The browser's language; the session uses it when it is enabled, else English when that is,
  // else the last enabled language in the enumeration's order.
  void SetLanguageNav(TDuoLang Value);
  std::string LangCode() const override;
  std::string LangName() const override;
  TDuoTerm* Lang() const override;
  TDuoTerm* LangNav() const override;
  TDuoAPPTerm* LangAPP() const override;

  // ---- named waits
  // Waits until the name is unlocked: false when the session closes meanwhile or the wait
  // outlives the limits' MaxWait (it is then unlocked).
  bool Lock(const std::string& AWaitName) override;
  void UnLock(const std::string& AWaitName) override;
  void UnLockAll() { FWaits.UnLockAll(); }
  // Ends the waits that began before `ADeadline` (the sweep calls it).
  void ExpireWaits(std::chrono::steady_clock::time_point ADeadline) { FWaits.Expire(ADeadline); }

  // ---- application data
  TObject* GetData() const { return FData.get(); }
  void SetData(std::unique_ptr<TObject> Value);
  // The session's own value of a variable the application keeps per session (its key is the
  // variable's address); read and written only by the session's form code.
  void*& Slot(const void* AKey) { return FSlots[AKey]; }
  TFacetSessionInfo& InfoConnection() { return FInfoConnection; }
  TFacetURI& URI() { return FURI; }

  // ---- connections
  // The established main WebSockets of the session, oldest first.
  void AddConnection(const std::shared_ptr<TFacetWebSocketConnection>& AConnection) {
    FSockets.Add(AConnection);
  }
  void RemoveConnection(const TFacetWebSocketConnection* AConnection) {
    FSockets.Remove(AConnection);
  }
  // Where pushes go: the socket the page opened last (see TFacetSessionSockets::Newest).
  std::shared_ptr<TFacetWebSocketConnection> NewestConnection() const { return FSockets.Newest(); }
  std::vector<std::shared_ptr<TFacetWebSocketConnection>> Connections() const {
    return FSockets.All();
  }
  int OpenedConnections() const { return FSockets.OpenedCount(); }
  // Any socket of the session opened or closed; the server controller is told.
  void ConnectionOpened();
  void ConnectionClosed();
  // When the session last had no open WebSocket (its creation when it never had one).
  std::chrono::steady_clock::time_point IdleSince() const { return FSockets.IdleSince(); }

  // ---- end
  // Ends the session: waiting form code is released, the controller is told, the registry entry
  // and the sockets go, and the forms are freed on the session's own worker once every handler
  // has ended.  Never raises; a second call does nothing.
  void Close();
  bool Closing() const { return FClosing; }
  // The session's place among the registry's sessions in the registry's order (1 for the first),
  // 0 when it is not registered.
  int SessionIndex() const;

  // Sends what changed on the shown page (and its nested pages) to the browser as one message,
  // with `ATrailer` (when given) as its last statement.
  void FlushPages(const std::string& ATrailer = {});

private:
  // Runs a piece with the session's scopes, its error handling and the page comparison after it.
  std::function<void()> Wrap(std::function<void()> AProc);
  struct TPieceScopes;
  // The scopes of the piece holding the form lock.
  TPieceScopes* FCurrentScopes = nullptr;
  void TearDown();

  TFacetBaseClass& FBase;
  mutable std::mutex FIdentityLock;
  std::string FUUID;
  std::string FToken;
  // The folder of the uploads has a random name of its own, which renewals do not change.
  const std::string FFolderName;
  const std::string FClientAddress;
  std::atomic<bool> FEstablished = false;
  std::atomic<bool> FCountedAnonymous = true;
  int FUploadFiles = 0;
  std::size_t FUploadBytes = 0;
  const std::string FCallBackID;
  const TDateTime FCreateDate;
  mutable std::mutex FLock; // expiry, downloads, callbacks, clipboard
  TDateTime FExpireDate;
  bool FExpire = true;
  std::atomic<bool> FClosing = false;
  TFacetNamedWaits FWaits{FClosing};
  std::map<std::string, std::filesystem::path> FFileDownloads;
  std::string FClipboardText;
  TFacetSessionSockets FSockets;
  std::atomic<TDuoLang> FLanguageNav = TDuoLang::English;
  std::atomic<TDuoLang> FLanguage = TDuoLang::English;
  TFacetSessionInfo FInfoConnection;
  TFacetURI FURI;
  std::unique_ptr<TApplication> FApplication;
  TFacetSessionWeb* FWeb = nullptr; // the application's backend
  std::unique_ptr<TDuoInstance> FInstance;
  std::unique_ptr<TObject> FData;
  std::map<const void*, void*> FSlots;
  TFacetSessionExecutor FExecutor;
};
