#include "render/Facet.Events.h"

#include "render/Facet.Forms.Controls.h"
#include "render/Facet.Forms.Interfaces.h"
#include "runtime/Exceptions.h"
#include "runtime/Random.h"

TFacetControlEvent::TFacetControlEvent(TFacetControl& AFacetControl, TFacetEventType AEventType)
    : FEventID(GenerateRandomString(19)), FEventType(AEventType), FFacetControl(AFacetControl),
      FAutoPublishedEvent(AEventType == EventOnClick || AEventType == EventOnChange) {}

void TFacetControlEvent::CallEvent(TStrings* Parameters) const {
  if (FNotifyEvent)
    FNotifyEvent(FFacetControl.GetUIComponent());
  else if (FOnEventProc)
    FOnEventProc(Parameters);
}

std::string TFacetControlEvent::CallEventResponse() const {
  return FGetStrEvent ? FGetStrEvent() : std::string();
}

std::string TFacetControlEvent::EventJS(bool EventProc, const std::string& Parameters,
                                        bool LockCLient) const {
  const IFacetForm* form = FFacetControl.GetForm();
  const IFacetSession* session = form != nullptr ? form->GetSession() : nullptr;
  const std::string uuid = session != nullptr ? session->GetUUID() : "";
  const std::string token = session != nullptr ? session->GetToken() : "";
  const std::string formUUID = form != nullptr ? form->GetFormUUID() : "";
  return std::string("FacetServer().") + (EventProc ? "GetFromEventProc" : "ExecEvent") + "('" +
         uuid + "', '" + token + "', '" + formUUID + "', '" + FFacetControl.GetName() + "', '" +
         FEventID + "', " + (Parameters.empty() ? "''" : Parameters) + ", '" +
         (LockCLient ? "True" : "False") + "')";
}

TFacetControlEvent& TFacetControlEvents::Add(std::unique_ptr<TFacetControlEvent> AEvent) {
  if (TFacetControlEvent* existing = Item(AEvent->GetEventType()))
    return *existing;
  FEvents.push_back(std::move(AEvent));
  return *FEvents.back();
}

TFacetControlEvent& TFacetControlEvents::Add(TFacetEventType AEventType, TNotifyEvent AEvent) {
  if (TFacetControlEvent* existing = Item(AEventType))
    return *existing;
  auto event = std::make_unique<TFacetControlEvent>(FFacetControl, AEventType);
  event->SetOnEvent(std::move(AEvent));
  return Add(std::move(event));
}

TFacetControlEvent& TFacetControlEvents::Add(TFacetEventType AEventType,
                                             TOnEventProc AOnEventProc) {
  if (TFacetControlEvent* existing = Item(AEventType))
    return *existing;
  auto event = std::make_unique<TFacetControlEvent>(FFacetControl, AEventType);
  event->SetOnEvent(std::move(AOnEventProc));
  return Add(std::move(event));
}

TFacetControlEvent& TFacetControlEvents::Add(TFacetEventType AEventType, TOnEventProc AOnEventProc,
                                             bool AAutoPublishedEvent) {
  if (TFacetControlEvent* existing = Item(AEventType))
    return *existing;
  TFacetControlEvent& event = Add(AEventType, std::move(AOnEventProc));
  event.SetAutoPublishedEvent(AAutoPublishedEvent);
  return event;
}

void TFacetControlEvents::Delete(int AIndex) {
  Item(AIndex);
  FEvents.erase(FEvents.begin() + AIndex);
}

TFacetControlEvent* TFacetControlEvents::Item(TFacetEventType AEventType) const {
  for (const auto& event : FEvents)
    if (event->GetEventType() == AEventType)
      return event.get();
  return nullptr;
}

TFacetControlEvent& TFacetControlEvents::Item(int AIndex) const {
  if (AIndex < 0 || AIndex >= Count())
    throw Exception("Event index out of range (" + std::to_string(AIndex) + ")");
  return *FEvents[static_cast<size_t>(AIndex)];
}
