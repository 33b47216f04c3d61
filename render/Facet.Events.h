#pragma once

// The events of a page control: which browser events it answers, the handler each runs on the
// server, the random id the browser names it by, and the script call that fires it.

#include "render/Facet.Types.h"
#include "ui/Types.h"

#include <memory>
#include <string>
#include <vector>

class TFacetControl;
class TStrings;

class TFacetControlEvent {
public:
  TFacetControlEvent(TFacetControl& AFacetControl, TFacetEventType AEventType);

  TFacetEventType GetEventType() const { return FEventType; }
  // 19 random characters, made when the event is created.
  const std::string& GetEventID() const { return FEventID; }
  void SetOnEvent(TOnEventProc AOnEventProc) { FOnEventProc = std::move(AOnEventProc); }
  void SetOnEvent(TFacetGetStrEvent AGetStrEvent) { FGetStrEvent = std::move(AGetStrEvent); }
  void SetOnEvent(TNotifyEvent ANotifyEvent) { FNotifyEvent = std::move(ANotifyEvent); }
  TFacetControl& GetFacetControl() const { return FFacetControl; }

  // Runs the notify handler with the wrapped form control as sender, or else the procedure with
  // the event's parameters.
  void CallEvent(TStrings* Parameters) const;
  // The text the string handler answers; empty without one.
  std::string CallEventResponse() const;
  // The script call that fires this event from the browser.  `Parameters` is a script
  // expression inserted as written; empty stands for the empty string.
  std::string EventJS(bool EventProc, const std::string& Parameters, bool LockCLient) const;

  // Whether the page attaches a browser listener for the event by itself: at creation true for
  // clicks and changes only.
  void SetAutoPublishedEvent(bool Value) { FAutoPublishedEvent = Value; }
  bool GetAutoPublishedEvent() const { return FAutoPublishedEvent; }

private:
  std::string FEventID;
  TNotifyEvent FNotifyEvent;
  TFacetGetStrEvent FGetStrEvent;
  TOnEventProc FOnEventProc;
  TFacetEventType FEventType;
  TFacetControl& FFacetControl;
  bool FAutoPublishedEvent;
};

// The events of one page control, in the order added, at most one per event type.
class TFacetControlEvents {
public:
  explicit TFacetControlEvents(TFacetControl& AFacetControl) : FFacetControl(AFacetControl) {}

  // Appends the event unless one of its type is there already; returns the event of that type.
  TFacetControlEvent& Add(std::unique_ptr<TFacetControlEvent> AEvent);
  TFacetControlEvent& Add(TFacetEventType AEventType, TNotifyEvent AEvent);
  TFacetControlEvent& Add(TFacetEventType AEventType, TOnEventProc AOnEventProc);
  TFacetControlEvent& Add(TFacetEventType AEventType, TOnEventProc AOnEventProc,
                          bool AAutoPublishedEvent);
  void Delete(int AIndex);
  int Count() const { return static_cast<int>(FEvents.size()); }
  // The event of that type, or nullptr.
  TFacetControlEvent* Item(TFacetEventType AEventType) const;
  TFacetControlEvent& Item(int AIndex) const;

private:
  std::vector<std::unique_ptr<TFacetControlEvent>> FEvents;
  TFacetControl& FFacetControl;
};
