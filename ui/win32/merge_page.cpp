#include "ui/win32/merge_page.h"

#include "base/exceptions.h"
#include "base/message_format.h"
#include "base/path_text.h"
#include "engine/disk_space.h"
#include "engine/merge/merger.h"
#include "res/resource.h"
#include "ui/package_report_text.h"
#include "ui/win32/main_sheet.h"
#include "ui/win32/message_box.h"

namespace {

std::string FirstLine(const std::string& text) { return text.substr(0, text.find('\n')); }

// The first paragraph of a prompt's reason: the piece's error, without the words on removable
// media that follow it.
std::string FirstParagraph(const std::string& text) { return text.substr(0, text.find("\n\n")); }

}  // namespace

MergePage::MergePage(AppPreferences& prefs)
    : PackagePage(IDD_MERGE_PAGE, prefs, true),
      useSourceFolder_(prefs.mergeAutoFolder),
      useOriginalName_(prefs.mergeAutoFiles),
      promptOnOverwrite_(prefs.mergePromptOnOverwrite),
      deleteWhenDone_(prefs.deleteWhenDone) {
  if (!useOriginalName_) name_ = prefs.mergeFileName;
}

bool MergePage::OnInit() { return PackagePage::OnInit(); }

unsigned MergePage::SourceFilterId() const { return IDS_MASTER_FILE_FILTER; }

unsigned MergePage::DestinationTitleId() const { return IDS_MERGE_DESTINATION_LABEL; }

void MergePage::DoDataExchange(DataExchange& exchange) {
  PackagePage::DoDataExchange(exchange);
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

MergePageFields MergePage::Fields() const {
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

void MergePage::TakeFields(const MergePageFields& fields) {
  destinationFolder_ = fields.destinationFolder;
  name_ = fields.fileName;
  fileCountText_ = fields.fileCountText;
  maxFileSizeText_ = fields.maxFileSizeText;
  timeSplitText_ = fields.timeSplitText;
  byteSizeText_ = fields.byteSizeText;
  comments_ = fields.comments;
}

void MergePage::ClearInfo() {
  MergePageFields fields = Fields();
  ClearMergeInfo(fields);
  TakeFields(fields);
}

void MergePage::LoadInfo() {
  MergePageFields fields = Fields();
  const MergePageDefaults defaults{prefs_.mergeFolder, prefs_.mergeFileName};
  // What was derived before a failure stays on the page.
  struct Keep {
    MergePage& page;
    MergePageFields& fields;
    ~Keep() { page.TakeFields(fields); }
  } keep{*this, fields};
  LoadMergeInfo(fields, defaults);
}

void MergePage::Merge() {
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
  options.searchFolders = FoldersGivenFor(source);
  std::vector<std::string> rebuilt;
  std::optional<ReportView> damage;
  try {
    RunOperation(LoadMessage(IDS_TITLE_MERGING, {FileNamePart(target)}).value_or(""),
                 [&](WindowHost& host) {
                   Merger merge;
                   try {
                     merge.Merge(host, source, target, options);
                   } catch (const CException& error) {
                     RememberFolders(host);
                     damage = ReportOfFailure(host, error, source);
                     if (!damage) throw;
                     // The report tells what went wrong, in place of the error's message box.
                     host.ShowFailure();
                     ThrowUserAbort();
                   }
                   RememberFolders(host);
                   rebuilt = merge.Rebuilt();
                   if (rebuilt.empty()) return;
                   host.SetStatusText(
                       LoadMessage(IDS_OPERATION_COMPLETED).value_or("") + " " +
                       LoadMessage(IDS_RECOVERY_REBUILT, {JoinedNames(rebuilt)}).value_or(""));
                 });
  } catch (const CUserException&) {
    if (damage) ActivePrompter().ShowReport(Sheet().Handle(), *damage);
    throw;
  }
}

std::optional<ReportView> MergePage::ReportOfFailure(WindowHost& host, const CException& error,
                                                     const std::string& master) {
  const bool aborted = dynamic_cast<const CUserException*>(&error) != nullptr;
  const bool package = aborted ? host.DeclinedPiece().has_value()
                               : dynamic_cast<const CAppException*>(&error) && host.ReadData();
  if (!package) return std::nullopt;
  const PackageCheck check = CheckPackage(host, master, FoldersGivenFor(master));
  const std::string why = aborted ? FirstParagraph(*host.DeclinedPiece()) : ReasonOf(error);
  return MakeReportView(master, check, why);
}

// Verify Files: the package's report, as verify --report gives it, in the report dialog.
void MergePage::Verify() {
  ReadFieldsOrAbort();
  WriteFields();
  const std::string source = sourcePath_;
  std::optional<ReportView> view;
  RunOperation(LoadMessage(IDS_TITLE_VERIFYING, {FileNamePart(source)}).value_or(""),
               [&](WindowHost& host) {
                 const PackageCheck check = CheckPackage(host, source, FoldersGivenFor(source));
                 view = MakeReportView(source, check, {});
                 if (check.report.AllGood()) {
                   SetStatus(host, 0, IDS_OPERATION_COMPLETED);
                   return;
                 }
                 SetStatus(host, 0);
                 host.SetStatusText(FirstLine(view->summary));
                 host.ShowFailure();
               });
  ActivePrompter().ShowReport(Sheet().Handle(), *view);
}

std::vector<std::string> MergePage::FoldersGivenFor(const std::string& master) {
  if (master != foldersMaster_) {
    foldersMaster_ = master;
    foldersGiven_.clear();
  }
  return foldersGiven_;
}

void MergePage::RememberFolders(const WindowHost& host) {
  for (const std::string& folder : host.FoldersChosen()) AddSearchFolder(foldersGiven_, folder);
}

bool MergePage::OnCommand(int id, int code, HWND control) {
  if (code == BN_CLICKED && id == IDC_ACTION_BUTTON) {
    Merge();
    return true;
  }
  if (code == BN_CLICKED && id == IDC_VERIFY_BUTTON) {
    Verify();
    return true;
  }
  return PackagePage::OnCommand(id, code, control);
}
