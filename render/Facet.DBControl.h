#pragma once

// What the data-aware page controls share: the link to one field of a data source's current
// record, and the rule by which a value the browser sent is written into that field.

#include "data/DB.h"
#include "render/Facet.Forms.Controls.h"

#include <functional>
#include <string>

// A field data link that reports every data event together with whether the dataset was open
// before it.
class TFacetFieldDataLink : public TFieldDataLink {
public:
  std::function<void(TDataEvent Event, bool WasActive)> OnDataEvent;

protected:
  void DataEvent(TDataEvent Event, TField* Field) override;

private:
  bool FWasActive = false;
};

class TFacetDBControl : public TFacetControl {
  DUO_CLASS(TFacetDBControl, TFacetControl)

public:
  using TFacetControl::TFacetControl;
  ~TFacetDBControl() override;

  void SetDataSource(TDataSource* Value);
  TDataSource* GetDataSource() const { return FDataLink.GetDataSource(); }
  void SetDataField(const std::string& Value) { FDataLink.SetFieldName(Value); }
  const std::string& GetDataField() const { return FDataLink.GetFieldName(); }

protected:
  // The linked field while its data source's dataset is open and has it; nullptr otherwise
  // (the control then shows empty text and writes nothing).
  TField* Field() const { return FDataLink.GetField(); }
  // The field's text, empty when there is no field.
  std::string FieldText() const;
  // Writes a value the browser sent into the field.  Only a value that differs from the one
  // last sent is written: an unchanged value is never written back, so a value the control
  // cannot show exactly (a time part, more digits) is kept.  While the page applies browser
  // state, a browsing dataset is put into edit mode first.
  void WriteField(bool Changed, const std::function<void(TField&)>& Write);
  void Notification(TComponent* AComponent, TOperation Operation) override;
  // Follows a data source for as long as it exists.
  void WatchDataSource(TDataSource* Previous, TDataSource* Value);

  TFacetFieldDataLink FDataLink;
};
