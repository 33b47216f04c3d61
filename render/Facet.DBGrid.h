#pragma once

// The page control of a data grid: the records of a dataset shown in a browser grid that loads
// them once as JSON and pages, sorts and searches in the browser.  The server keeps the selected
// rows, takes edited cells back into the dataset, and passes clicks on cell buttons to the page
// form.

#include "data/DB.h"
#include "render/Facet.DBGrid.Columns.h"
#include "render/Facet.Forms.Controls.h"
#include "runtime/FormatSettings.h"

#include <memory>
#include <string>
#include <vector>

class TDataSource;
class TDuoTermGrid;
class TFacetDBGrid;

// What the grid asks of the page form it sits on when a cell button is clicked.
class IFacetDBGridOwner {
public:
  virtual ~IFacetDBGridOwner() = default;
  // Runs the button's handlers on the record `RowID` (already current).
  virtual void DoCellButtonClick(TFacetDBGrid& Grid, TFacetDBGridColumnButton& Button, int RowID,
                                 int ColIndex) = 0;
};

// The answer of a cell post: the HTTP status and the JSON body with "status", "errormessage" and
// "rowid".
struct TFacetDBGridPostAnswer {
  int HTTPStatus = 200;
  std::string Body;
};

class TFacetDBGrid : public TFacetControl {
  DUO_CLASS(TFacetDBGrid, TFacetControl)

public:
  explicit TFacetDBGrid(TComponent* AOwner);
  ~TFacetDBGrid() override;

  bool IsDBGrid() const override { return true; }

  int GetMaxRecords() const { return FMaxRecords; }
  void SetMaxRecords(int Value) { FMaxRecords = Value; }
  int GetRecordsPerPage() const { return FRecordsPerPage; }
  void SetRecordsPerPage(int Value) { FRecordsPerPage = Value; }
  bool GetMultiSelect() const { return FMultiSelect; }
  void SetMultiSelect(bool Value) { FMultiSelect = Value; }
  int GetMultiSelectWidth() const { return FMultiSelectWidth; }
  void SetMultiSelectWidth(int Value) { FMultiSelectWidth = Value; }
  TDataSource* GetDataSource() const;
  void SetDataSource(TDataSource* Value);
  // The bound dataset when it is open; nullptr otherwise.
  TDataSet* ActiveDataSet() const;
  // The record numbers of the selected rows.  The framework item hands over a list it keeps
  // across renderings of the form, so selections survive them.
  const std::shared_ptr<std::vector<int>>& GetSelectedRowsID() const { return FSelectedRowsID; }
  void SetSelectedRowsID(std::shared_ptr<std::vector<int>> Value);
  TFacetDBGridColumns& Columns() { return FFacetDBGridColumns; }
  const TFacetDBGridColumns& Columns() const { return FFacetDBGridColumns; }

  void SetProcGetSelectedRow(TOnGetValue Value) { FProcGetSelectedRow = std::move(Value); }
  void SetProcSetSelectedRow(TOnSetValue Value) { FProcSetSelectedRow = std::move(Value); }
  void SetProcGetEditable(TOnGetValue Value) { FProcGetEditable = std::move(Value); }
  // Separators for reading dates and numbers typed into cells and for writing dates into the
  // data; Brazilian unless set (the server's options hand over theirs).
  const TFormatSettings& GetFormatSettings() const { return FFormatSettings; }
  void SetFormatSettings(const TFormatSettings& Value) { FFormatSettings = Value; }

  // The live grid's editable state, or the state last sent when there is no procedure.
  bool GetEditable() const;
  bool GetStoredEditable() const { return FStoredEditable; }
  // The dataset's record number; -1 when it is not bound and open.
  int RecNo() const;
  // Moves the dataset to record `AValue` when it is bound, open and has that record; false
  // otherwise.  Remembers `AValue` as the record last asked for in every case.
  bool RecNo(int AValue);
  // Whether a data reload of the browser grid is pending.
  bool GetRefreshData() const { return FRefreshData; }

  // The grid's data: the JSON array the browser loads ("[]" without an open dataset).  The
  // dataset returns to its record.
  std::string GetDataToJSON();
  // Takes an edited row posted by the browser into the record its "id" names and posts it.
  // Returns false with a message when the row was refused or could not be written; `ARowID`
  // becomes the posted "id".
  bool CellPostbyJSON(const std::string& AJSON, std::string& ARowID, std::string& AErrorMessage);
  // The answer of the cell-post route for a posted body.
  TFacetDBGridPostAnswer PostCell(const std::string& AJSON);
  // The handler of a cell-button click: finds the button and passes it to the page form.
  void OnCellButtonClick(TStrings* Params);

  void Initialize() override;
  void ProcessHTML() override;
  void ProcessEventParameters(TFacetControlEvent& Event, TStrings* Parameters) override;
  void ProcessComponentState(const TJSON&) override {}
  bool GetEnableComponentState() const override { return false; }

protected:
  void UpdateControlState(std::vector<std::string>& ScriptJS, bool AForceUpdate) override;
  void Notification(TComponent* AComponent, TOperation Operation) override;

private:
  class TFacetDBGridDataLink;
  struct TCellEdit;

  TOnGetValue FProcGetSelectedRow;
  TOnSetValue FProcSetSelectedRow;
  TOnGetValue FProcGetEditable;
  int FStoredRecNo = 0;
  bool FStoredEditable = false;
  TFacetDBGridColumns FFacetDBGridColumns{this};
  bool FMultiSelect = false;
  int FMultiSelectWidth = 30;
  std::shared_ptr<std::vector<int>> FSelectedRowsID = std::make_shared<std::vector<int>>();
  bool FRefreshData = false;
  // Set while the grid walks its dataset itself to send the rows, which is no change of them.
  bool FReadingData = false;
  int FMaxRecords = 5000;
  int FRecordsPerPage = 100;
  TFormatSettings FFormatSettings;
  std::unique_ptr<TFacetDBGridDataLink> FDataLink;

  friend class TFacetDBGridDataLink;
  void MarkDataReload();
  bool Selected(int RecNo) const;
  void CallEvent(TFacetEventType EventType, TStrings* Parameters);
  void ExecJS(const std::string& Script);
  void SelectRows(const std::vector<int>& NewSet, TStrings* Parameters);
  void SelectAll();
  std::string SelectedRowsJS() const;
  std::string EventCall(TFacetEventType EventType) const;
  std::string GridScript();
  std::string CellSelectScript() const;
  std::string HandlersScript() const;
  void ResetStatements(std::vector<std::string>& ScriptJS);
  void ColPropStatements(std::vector<std::string>& ScriptJS);
  void PostMember(TCellEdit& Edit, const std::string& Name, const std::string& Text);
  // Whether a posted cell text differs from the field's value; raises when the text cannot be
  // read as the field's kind of value.
  bool CellChanged(const TField& Field, TFacetFieldType Type, const std::string& Text) const;
  // The grid texts of the session's language; nullptr without a session.
  const TDuoTermGrid* GridTerms() const;
};
