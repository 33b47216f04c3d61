#include "server/Facet.Server.Routes.h"

#include "runtime/StrUtils.h"
#include "server/Facet.HTTP.h"
#include "server/Facet.Multipart.h"
#include "server/Facet.Server.Paths.h"
#include "server/Facet.Server.Response.h"
#include "server/Facet.Server.StaticAssets.h"
#include "server/Facet.Server.UploadSink.h"
#include "server/Facet.Server.Wire.h"

#include <algorithm>
#include <utility>

namespace {

using TClock = std::chrono::steady_clock;

constexpr const char* CRLF = "\r\n";

// The value of a query pair inside the path, for the few routes that read one before parsing.
std::string Query(const TFacetHTTPHeader& AHeader, std::string_view AName) {
  return QueryValue(AHeader.QueryParams, AName);
}

// Answers with a bare status (and the lines every answer has), then closes.
void AnswerStatus(IFacetExchange& AExchange, std::string_view AStatus) {
  AExchange.Answer(TFacetResponseHead(AStatus).Protect(TFacetAnswerKind::Data).Text());
}

// An upload refused with its status, counted by its reason.
void RefuseUpload(IFacetExchange& AExchange, std::string_view AStatus) {
  AExchange.Server().Metrics.CountRefusal(StartsText("403", AStatus) ? TFacetRefusal::UploadRefused
                                          : StartsText("413", AStatus)
                                              ? TFacetRefusal::UploadTooLarge
                                              : TFacetRefusal::BadRequest);
  AnswerStatus(AExchange, AStatus);
}

// A plain-text answer of the monitoring routes.
void AnswerText(IFacetExchange& AExchange, const TFacetHTTPResponse& AResponse) {
  TFacetResponseHead head(AResponse.StatusCode);
  head.Add("Content-Type", AResponse.ContentType)
      .Add("Content-Length", std::to_string(AResponse.Content.size()))
      .Protect(TFacetAnswerKind::Data);
  AExchange.Answer(head.Text() + AResponse.Content);
}

void TakeQuery(IFacetExchange& AExchange) {
  const TFacetHTTPHeader& header = AExchange.Request().Header;
  TFacetWebSocketContext& context = *AExchange.Context();
  context.Token = Query(header, "token");
  context.ChannelName = Query(header, "channelname");
  context.FacetSessionUUID = Query(header, "facetsession");
  context.FormUUID = Query(header, "FormUUID");
}

// Reads the rest of a body of `ALength` bytes into the input.
void ReadBody(IFacetExchange& AExchange, size_t ALength, std::function<void()> AThen) {
  std::string& input = AExchange.Input();
  if (input.size() >= ALength) {
    input.resize(ALength);
    AThen();
    return;
  }
  AExchange.ReadSome([&AExchange, ALength, then = std::move(AThen)]() mutable {
    ReadBody(AExchange, ALength, std::move(then));
  });
}

// The lines that set (or, with an empty token, clear) the three reload cookies for the folder
// of the request: read by the server only, sent to this site only, and short-lived, since they
// serve one reload.
std::string ReloadCookies(IFacetExchange& AExchange, const std::string& AToken,
                          const std::string& AUUID) {
  const std::string folder = CookieFolder(AExchange.Request().Header.PathWithoutParams());
  const bool clear = AToken.empty();
  std::string attributes = "; Path=" + folder + "; HttpOnly; SameSite=Strict";
  attributes += clear ? "; expires=Thu, 01 Jan 1970 00:00:00 UTC" : "; Max-Age=60";
  if (AExchange.Request().Header.Secure)
    attributes += "; Secure";
  std::string lines;
  for (const auto& [name, value] : {std::pair<const char*, std::string>{"Duo_Token", AToken},
                                    {"Duo_FacetSession", AUUID},
                                    {"Duo_ReloadPage", clear ? "" : "true"}})
    lines += std::string("Set-Cookie: ") + name + "=" + value + attributes + CRLF;
  return lines;
}

// The reconnect probe: 202 while the session is valid, 401 once it is not.  A page about to
// reload asks with "reloadpage=true" and gets its session's reload cookies from the answer:
// cookies written by the page's script can reach the browser's cookie store after the reload's
// request has left without them, and that reload would start a new session on the login page.
// Cookies of an answer are stored before the page sees the answer.
void Reconnect(IFacetExchange& AExchange) {
  const TFacetHTTPHeader& header = AExchange.Request().Header;
  const std::string token = Query(header, "token");
  const std::string uuid = Query(header, "facetsession");
  if (!AExchange.Server().Handler.ReconnectValid(token, uuid)) {
    AnswerStatus(AExchange, "401 Unauthorized");
    return;
  }
  TFacetResponseHead head("202 Accepted");
  std::string text = head.Protect(TFacetAnswerKind::Data).Text();
  if (SameText(Query(header, "reloadpage"), "true"))
    text.insert(text.find("Connection: Close"), ReloadCookies(AExchange, token, uuid));
  AExchange.Answer(std::move(text));
}

void Page(IFacetExchange& AExchange) {
  const TFacetHTTPHeader& header = AExchange.Request().Header;
  std::string cookies;
  if (header.ReloadPage) {
    cookies = ReloadCookies(AExchange, {}, {});
    AExchange.Context()->Token = header.Token;
    AExchange.Context()->FacetSessionUUID = header.FacetSession;
    AExchange.Server().Handler.DropSessionSockets(header.Token, header.FacetSession);
  }
  AExchange.Disarm();
  AExchange.Server().Handler.GetHTML(
      AExchange.Request(), AExchange.Context(),
      [self = AExchange.Hold(), cookies,
       accepted = header.AcceptEncoding](TFacetHTTPResponse AResponse) mutable {
        // Compressed here, on the thread that made the page (the session's), not on the
        // connection's.
        TFacetResponseHead head(AResponse.StatusCode);
        head.Add("Content-Type", "text/html; charset=UTF-8");
        std::string body = EncodeForClient(std::move(AResponse.Content), accepted, head);
        std::string text = head.Protect(TFacetAnswerKind::Page).Text();
        text.insert(text.find("Connection: Close"), cookies);
        self->Later([answer = std::move(text) + body](IFacetExchange& AThis) mutable {
          AThis.Answer(std::move(answer));
        });
      });
}

void StaticFile(IFacetExchange& AExchange) {
  TFacetServerTCP::TImpl& server = AExchange.Server();
  const TFacetHTTPRequest& request = AExchange.Request();
  const std::optional<std::filesystem::path> file =
      ResolveStaticFile(server.Root, request.Header.Path);
  std::error_code error;
  if (file && std::filesystem::is_regular_file(*file, error)) {
    AExchange.SendFile(*file, server.Owner.MimesType().GetMIMEType(file->filename().string()));
    return;
  }
  const std::string path = request.Header.PathWithoutParams();
  const std::string name = path.substr(path.find_last_of('/') + 1);
  const TFacetGetFileAnswer answer = server.Handler.GetFile(request, name);
  if (answer.Asset) {
    // Asset requests come in bursts from one page: their connection stays open for the next.
    const bool keepOpen = WantsPersistent(request.Header);
    TFacetAssetAnswer reply = AnswerAsset(*answer.Asset, request.Header, keepOpen);
    AExchange.Answer(std::move(reply.Head), answer.Asset, reply.Body, keepOpen);
  } else if (!answer.RedirectURL.empty())
    AExchange.Answer(TFacetResponseHead("302 Found")
                         .Add("Location", answer.RedirectURL)
                         .Protect(TFacetAnswerKind::File)
                         .Text());
  else
    AExchange.Close();
}

void Download(IFacetExchange& AExchange) {
  TakeQuery(AExchange);
  const TFacetHTTPResponse response =
      AExchange.Server().Handler.DownloadData(AExchange.Request(), AExchange.Context());
  if (response.FileName.empty())
    AExchange.Close();
  else
    AExchange.SendFile(response.FileName, "application/octet-stream");
}

void REST(IFacetExchange& AExchange) {
  TakeQuery(AExchange);
  const TFacetHTTPHeader& header = AExchange.Request().Header;
  const bool post = header.Path.find("/rest/json/jqgrid/post") != std::string::npos;
  const std::optional<uint64_t> length = ParseContentLength(header.ContentLength);
  const auto ask = [&AExchange, post] {
    AExchange.Request().Header.Content = post ? AExchange.Input() : std::string();
    AExchange.Disarm();
    AExchange.Server().Handler.RESTData(
        AExchange.Request(), AExchange.Context(),
        [self = AExchange.Hold(), post,
         accepted = AExchange.Request().Header.AcceptEncoding](TFacetHTTPResponse AResponse) {
          if (AResponse.Content.empty()) {
            self->Later([post, response = std::move(AResponse)](IFacetExchange& AThis) {
              // A post is always answered, a refused one with its status (never as if it had
              // been taken); a data load with nothing to say is closed.
              if (post)
                AnswerStatus(AThis, response.Error ? response.StatusCode : "200 OK");
              else
                AThis.Close();
            });
            return;
          }
          // A grid's rows are the largest answers the server makes: compressed for a client
          // that accepts it, here on the session's thread.
          TFacetResponseHead head(AResponse.StatusCode);
          head.Add("Content-Type", AResponse.ContentType + "; charset=UTF-8");
          auto body = std::make_shared<const std::string>(
              EncodeForClient(std::move(AResponse.Content), accepted, head));
          self->Later([head = head.Protect(TFacetAnswerKind::Data).Text(),
                       body](IFacetExchange& AThis) mutable {
            AThis.Answer(std::move(head), body, *body, false);
          });
        });
  };
  if (post && length && *length > 0) {
    if (*length > AExchange.Server().Limits.MaxPostBytes) {
      AExchange.Close();
      return;
    }
    ReadBody(AExchange, static_cast<size_t>(*length), ask);
    return;
  }
  AExchange.Input().clear();
  ask();
}

// ---- uploads, granted by the session's page and streamed to its folder on the disk thread

// One upload in progress: where its parts go, and how fast its body comes.
struct TUpload {
  std::shared_ptr<TFacetUploadSink> Sink;
  std::shared_ptr<TMultipartReader> Reader;
  size_t Left = 0;
  TClock::time_point Started = TClock::now();
  size_t Read = 0;
};

void ContinueUpload(IFacetExchange& AExchange, const std::shared_ptr<TUpload>& AUpload);

void UploadFed(IFacetExchange& AExchange, const std::shared_ptr<TUpload>& AUpload, bool AFailed) {
  TFacetServerTCP::TImpl& server = AExchange.Server();
  if (AFailed) {
    const std::string& refusal = AUpload->Sink->Refusal();
    RefuseUpload(AExchange, refusal.empty() ? "400 Bad Request" : refusal);
    return;
  }
  if (AUpload->Left > 0) {
    // A body may come slowly, but not slower on average than the limits' rate, and no read
    // may wait longer than the read timeout.
    const auto elapsed = TClock::now() - AUpload->Started;
    const double seconds = std::chrono::duration<double>(elapsed).count();
    if (elapsed > server.Limits.ReadTimeout &&
        static_cast<double>(AUpload->Read) < seconds * server.Limits.MinUploadBytesPerSecond) {
      AExchange.Close();
      return;
    }
    AExchange.Arm(server.Limits.ReadTimeout);
    AExchange.ReadSome([&AExchange, AUpload] { ContinueUpload(AExchange, AUpload); });
    return;
  }
  AUpload->Sink->Keep();
  server.Metrics.CountUpload(static_cast<int>(AUpload->Sink->Files.size()), AUpload->Sink->Bytes);
  AExchange.Disarm();
  server.Handler.UploadDone(
      AExchange.Request(), AUpload->Sink->Files, AUpload->Sink->Bytes, [self = AExchange.Hold()] {
        self->Later([](IFacetExchange& AThis) {
          AThis.Answer(TFacetResponseHead("200 OK").Protect(TFacetAnswerKind::Data).Text());
        });
      });
}

// Hands what was read of the body to the disk thread; its answer comes back to the strand.
void ContinueUpload(IFacetExchange& AExchange, const std::shared_ptr<TUpload>& AUpload) {
  std::string& input = AExchange.Input();
  const size_t take = std::min(AUpload->Left, input.size());
  std::string chunk = input.substr(0, take);
  input.erase(0, take);
  AUpload->Left -= take;
  AUpload->Read += take;
  asio::post(*AExchange.Server().Disk, [self = AExchange.Hold(), AUpload,
                                        chunk = std::move(chunk)] {
    bool failed = false;
    try {
      AUpload->Reader->Feed(chunk);
      failed = AUpload->Reader->Failed() || (AUpload->Left == 0 && !AUpload->Reader->Finish());
    } catch (const std::exception&) {
      failed = true;
    }
    // A failed upload leaves nothing behind by the time it is answered.
    if (failed)
      AUpload->Sink->Discard();
    self->Later([AUpload, failed](IFacetExchange& AThis) { UploadFed(AThis, AUpload, failed); });
  });
}

void StartUpload(IFacetExchange& AExchange, const TFacetUploadGrant& AGrant, size_t ALength) {
  if (!AGrant.Refusal.empty()) {
    RefuseUpload(AExchange, AGrant.Refusal);
    return;
  }
  const int files = std::min(AGrant.FilesLeft, AExchange.Server().Limits.MaxUploadParts);
  auto upload = std::make_shared<TUpload>();
  upload->Sink = std::make_shared<TFacetUploadSink>(AGrant.Folder, files, AGrant.BytesLeft);
  upload->Reader =
      std::make_shared<TMultipartReader>(AExchange.Request().Header.Boundary, *upload->Sink);
  upload->Left = ALength;
  ContinueUpload(AExchange, upload);
}

void Upload(IFacetExchange& AExchange) {
  const TFacetHTTPHeader& header = AExchange.Request().Header;
  const std::optional<uint64_t> length = ParseContentLength(header.ContentLength);
  if (header.Boundary.empty() || !length || *length == 0) {
    RefuseUpload(AExchange, "400 Bad Request");
    return;
  }
  if (*length > AExchange.Server().Limits.MaxUploadBytes) {
    RefuseUpload(AExchange, "413 Payload Too Large");
    return;
  }
  AExchange.Disarm();
  AExchange.Server().Handler.BeginUpload(
      AExchange.Request(),
      [self = AExchange.Hold(), left = static_cast<size_t>(*length)](TFacetUploadGrant AGrant) {
        self->Later([left, grant = std::move(AGrant)](IFacetExchange& AThis) {
          StartUpload(AThis, grant, left);
        });
      });
}

// ---- WebSocket

void AdmitWebSocket(IFacetExchange& AExchange) {
  const TFacetHTTPHeader& header = AExchange.Request().Header;
  TFacetWebSocketContext& context = *AExchange.Context();
  if (context.Token.empty())
    TakeQuery(AExchange);
  context.ChannelName = header.Path.find("/websocket/connectionparams") != std::string::npos
                            ? MainChannelName
                            : ResponseChannelName;
  if (!AExchange.Server().Handler.AdmitWebSocket(context)) {
    AExchange.Close();
    return;
  }
  AExchange.OpenChannel();
}

} // namespace

void RouteRequest(IFacetExchange& AExchange) {
  const TFacetHTTPHeader& header = AExchange.Request().Header;
  const std::string& path = header.Path;
  const auto contains = [&](const char* part) { return path.find(part) != std::string::npos; };
  if (header.HasRequestLine && header.WebMethod == TWebMethod::wmtHEAD &&
      contains("reconnect?token=")) {
    Reconnect(AExchange);
  } else if (contains("/duo/upload")) {
    Upload(AExchange);
  } else if (contains("/duo/download?file=")) {
    Download(AExchange);
  } else if (contains("/rest/json/jqgrid/")) {
    REST(AExchange);
  } else if (!header.HasRequestLine) {
    AExchange.Close();
  } else if (header.Upgrade == "websocket" && !header.SecWebSocketKey.empty() &&
             (contains("/websocket/connectionparams") ||
              contains("/websocket/connectionresponseparams")) &&
             !AExchange.Context()->Established) {
    AdmitWebSocket(AExchange);
  } else if (header.PathWithoutParams() == "/health") {
    AnswerText(AExchange, AExchange.Server().Handler.Health());
  } else if (header.PathWithoutParams() == "/metrics") {
    AnswerText(AExchange, AExchange.Server().Handler.Metrics(AExchange.Context()->ClientAddress));
  } else if (path.empty() || path == "/" || StartsText("/?", path)) {
    Page(AExchange);
  } else {
    StaticFile(AExchange);
  }
}
