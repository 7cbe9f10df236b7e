#include "ui/win32/merge_page.h"

#include "app/exceptions.h"
#include "engine/merge/merge.h"
#include "res/resource.h"
#include "ui/win32/app_sheet.h"

CPPMerge::CPPMerge(CAppPrefs& prefs)
    : CPPParent(IDD_MERGE_PAGE, prefs, true),
      useSourceFolder_(prefs.mergeAutoFolder),
      useOriginalName_(prefs.mergeAutoFiles),
      promptOnOverwrite_(prefs.mergePromptOnOverwrite),
      deleteWhenDone_(prefs.deleteWhenDone) {
  if (!useOriginalName_) name_ = prefs.mergeFileName;
}

bool CPPMerge::OnInit() { return CPPParent::OnInit(); }

unsigned CPPMerge::SourceFilterId() const { return IDS_MASTER_FILE_FILTER; }

unsigned CPPMerge::DestinationTitleId() const { return IDS_MERGE_DESTINATION_LABEL; }

void CPPMerge::DoDataExchange(DataExchange& exchange) {
  CPPParent::DoDataExchange(exchange);
  exchange.Check(IDC_PROMPT_OVERWRITE, promptOnOverwrite_);
  exchange.Check(IDC_DELETE_WHEN_DONE, deleteWhenDone_);
  exchange.Check(IDC_USE_SOURCE_NAME, useOriginalName_);
  exchange.Check(IDC_USE_SOURCE_FOLDER, useSourceFolder_);
  exchange.Text(IDC_FILE_COUNT, fileCountText_);
  exchange.Text(IDC_TIME_SPLIT, timeSplitText_);
  exchange.Text(IDC_MAX_FILE_SIZE, maxFileSizeText_);
  if (exchange.Reading()) {
    prefs_.mergePromptOnOverwrite = promptOnOverwrite_;
    prefs_.deleteWhenDone = deleteWhenDone_;
    prefs_.mergeAutoFiles = useOriginalName_;
    prefs_.mergeFileName = name_;
    prefs_.mergeAutoFolder = useSourceFolder_;
    prefs_.mergeFolder = destinationFolder_;
  } else {
    Item(IDC_DESTINATION).Enable(!useSourceFolder_);
    Item(IDC_BROWSE_DESTINATION).Enable(!useSourceFolder_);
    Item(IDC_NAME).Enable(!useOriginalName_);
    // The running program cannot delete the package it is part of.
    Item(IDC_DELETE_WHEN_DONE).Enable(CanDeletePackageOf(sourcePath_));
  }
}

MergePageFields CPPMerge::Fields() const {
  MergePageFields fields;
  fields.sourcePath = sourcePath_;
  fields.destinationFolder = destinationFolder_;
  fields.fileName = name_;
  fields.useSourceFolder = useSourceFolder_;
  fields.useOriginalName = useOriginalName_;
  fields.fileCountText = fileCountText_;
  fields.maxFileSizeText = maxFileSizeText_;
  fields.timeSplitText = timeSplitText_;
  fields.byteSizeText = byteSizeText_;
  fields.comments = comments_;
  return fields;
}

void CPPMerge::TakeFields(const MergePageFields& fields) {
  destinationFolder_ = fields.destinationFolder;
  name_ = fields.fileName;
  fileCountText_ = fields.fileCountText;
  maxFileSizeText_ = fields.maxFileSizeText;
  timeSplitText_ = fields.timeSplitText;
  byteSizeText_ = fields.byteSizeText;
  comments_ = fields.comments;
}

void CPPMerge::ClearInfo() {
  MergePageFields fields = Fields();
  ClearMergeInfo(fields);
  TakeFields(fields);
}

void CPPMerge::LoadInfo() {
  MergePageFields fields = Fields();
  const MergePageDefaults defaults{prefs_.mergeFolder, prefs_.mergeFileName};
  // What was derived before a failure stays on the page.
  struct Keep {
    CPPMerge& page;
    MergePageFields& fields;
    ~Keep() { page.TakeFields(fields); }
  } keep{*this, fields};
  LoadMergeInfo(fields, defaults);
}

void CPPMerge::Merge() {
  ReadFieldsOrAbort();
  if (!destinationFolder_.empty() && !CheckDestinationFolder()) {
    WindowHost host(*this, Sheet().Handle());
    SetStatus(host, 0, IDS_OPERATION_NOT_COMPLETED);
    return;
  }
  const std::string target = MergeTargetPath(destinationFolder_, name_);
  WriteFields();
  MergeOptions options;
  options.promptOnOverwrite = promptOnOverwrite_;
  options.deleteWhenDone = deleteWhenDone_ && CanDeletePackageOf(sourcePath_);
  const std::string source = sourcePath_;
  RunOperation([&](OperationHost& host) { CFMerge().Merge(host, source, target, options); });
}

void CPPMerge::Verify() {
  VerifyOnlyScope verify;
  Merge();
}

bool CPPMerge::OnCommand(int id, int code, HWND control) {
  if (code == BN_CLICKED && id == kIdActionButton) {
    Merge();
    return true;
  }
  if (code == BN_CLICKED && id == kIdVerifyButton) {
    Verify();
    return true;
  }
  return CPPParent::OnCommand(id, code, control);
}
