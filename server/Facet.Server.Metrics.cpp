#include "server/Facet.Server.Metrics.h"

#include <cstdio>
#include <string_view>

namespace {

// The label each refusal is counted under, in the order of TFacetRefusal.
constexpr std::array<std::string_view, FacetRefusalCount> RefusalLabels = {
    "connection_cap",       "connections_per_address",
    "sessions_per_address", "new_sessions_per_address",
    "session_table_full",   "upload_refused",
    "upload_too_large",     "bad_request",
    "login_throttled",      "metrics_forbidden"};

std::string Number(double AValue) {
  char text[32];
  std::snprintf(text, sizeof text, "%.17g", AValue);
  return text;
}

void Head(std::string& AText, std::string_view AName, std::string_view AType,
          std::string_view AHelp) {
  AText.append("# HELP ").append(AName).append(" ").append(AHelp).append("\n");
  AText.append("# TYPE ").append(AName).append(" ").append(AType).append("\n");
}

void Counter(std::string& AText, std::string_view AName, std::string_view AHelp,
             std::uint64_t AValue) {
  Head(AText, AName, "counter", AHelp);
  AText.append(AName).append(" ").append(std::to_string(AValue)).append("\n");
}

} // namespace

void TFacetMetrics::CountRefusal(TFacetRefusal AReason) {
  FRefusals[static_cast<std::size_t>(AReason)].fetch_add(1, std::memory_order_relaxed);
}

void TFacetMetrics::CountSessionStarted() {
  FSessionsStarted.fetch_add(1, std::memory_order_relaxed);
}

void TFacetMetrics::CountEvent(TClock::duration ATook) {
  const double seconds = std::chrono::duration<double>(ATook).count();
  std::size_t bucket = 0;
  while (bucket < EventBuckets.size() && seconds > EventBuckets[bucket])
    ++bucket;
  FEventBuckets[bucket].fetch_add(1, std::memory_order_relaxed);
  FEventMicroseconds.fetch_add(
      static_cast<std::uint64_t>(
          std::chrono::duration_cast<std::chrono::microseconds>(ATook).count()),
      std::memory_order_relaxed);
}

void TFacetMetrics::CountCallBack() {
  FCallBacks.fetch_add(1, std::memory_order_relaxed);
}

void TFacetMetrics::CountPush() {
  FPushes.fetch_add(1, std::memory_order_relaxed);
}

void TFacetMetrics::CountUpload(int AFiles, std::uint64_t ABytes) {
  FUploadFiles.fetch_add(static_cast<std::uint64_t>(AFiles), std::memory_order_relaxed);
  FUploadBytes.fetch_add(ABytes, std::memory_order_relaxed);
}

void TFacetMetrics::AddGauge(std::string AName, std::string AHelp, std::function<double()> ARead) {
  std::lock_guard guard(FGaugesLock);
  FGauges.push_back({std::move(AName), std::move(AHelp), std::move(ARead)});
}

std::string TFacetMetrics::Text() const {
  std::string text;
  {
    std::lock_guard guard(FGaugesLock);
    std::string_view family;
    for (const TGauge& gauge : FGauges) {
      // Gauges of one family (one name, several labels) are added one after another and share
      // their description.
      const std::string_view name = std::string_view(gauge.Name).substr(0, gauge.Name.find('{'));
      if (name != family)
        Head(text, name, "gauge", gauge.Help);
      family = name;
      text.append(gauge.Name).append(" ").append(Number(gauge.Read())).append("\n");
    }
  }
  Counter(text, "duo_sessions_started_total", "Sessions made since the server started.",
          FSessionsStarted.load(std::memory_order_relaxed));

  constexpr std::string_view events = "duo_event_duration_seconds";
  Head(text, events, "histogram",
       "Events from their arrival at the server to the end of their handling.");
  std::uint64_t count = 0;
  for (std::size_t bucket = 0; bucket < FEventBuckets.size(); ++bucket) {
    count += FEventBuckets[bucket].load(std::memory_order_relaxed);
    const std::string bound =
        bucket < EventBuckets.size() ? Number(EventBuckets[bucket]) : std::string("+Inf");
    text.append(events).append("_bucket{le=\"").append(bound).append("\"} ");
    text.append(std::to_string(count)).append("\n");
  }
  text.append(events).append("_sum ");
  text.append(
      Number(static_cast<double>(FEventMicroseconds.load(std::memory_order_relaxed)) / 1e6));
  text.append("\n").append(events).append("_count ").append(std::to_string(count)).append("\n");

  Counter(text, "duo_callbacks_total", "Page callbacks run.",
          FCallBacks.load(std::memory_order_relaxed));
  Counter(text, "duo_pushes_total", "Messages the server pushed to browsers.",
          FPushes.load(std::memory_order_relaxed));
  Counter(text, "duo_upload_files_total", "Uploaded files stored.",
          FUploadFiles.load(std::memory_order_relaxed));
  Counter(text, "duo_upload_bytes_total", "Bytes of uploaded files stored.",
          FUploadBytes.load(std::memory_order_relaxed));

  constexpr std::string_view refused = "duo_refused_total";
  Head(text, refused, "counter", "Connections, requests and logins refused, by reason.");
  for (std::size_t reason = 0; reason < FRefusals.size(); ++reason) {
    text.append(refused).append("{reason=\"").append(RefusalLabels[reason]).append("\"} ");
    text.append(std::to_string(FRefusals[reason].load(std::memory_order_relaxed))).append("\n");
  }
  return text;
}
