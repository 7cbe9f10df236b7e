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

// The page's fields as the stored preferences leave them.
MergePageFields StoredFields(const AppPreferences& prefs) {
  MergePageFields fields;
  fields.useSourceFolder = prefs.mergeAutoFolder;
  fields.useOriginalName = prefs.mergeAutoFiles;
  if (!fields.useOriginalName) fields.fileName = prefs.mergeFileName;
  return fields;
}

}  // namespace

MergePage::MergePage(AppPreferences& prefs)
    : PackagePage(IDD_MERGE_PAGE, prefs, true),
      fields_(StoredFields(prefs)),
      promptOnOverwrite_(prefs.mergePromptOnOverwrite),
      deleteWhenDone_(prefs.deleteWhenDone) {}

bool MergePage::OnInit() { return PackagePage::OnInit(); }

unsigned MergePage::SourceFilterId() const { return IDS_MASTER_FILE_FILTER; }

unsigned MergePage::DestinationTitleId() const { return IDS_MERGE_DESTINATION_LABEL; }

void MergePage::DoDataExchange(DataExchange& exchange) {
  PackagePage::DoDataExchange(exchange);
  exchange.Check(IDC_PROMPT_OVERWRITE, promptOnOverwrite_);
  exchange.Check(IDC_DELETE_WHEN_DONE, deleteWhenDone_);
  exchange.Check(IDC_USE_SOURCE_NAME, fields_.useOriginalName);
  exchange.Check(IDC_USE_SOURCE_FOLDER, fields_.useSourceFolder);
  exchange.Text(IDC_FILE_COUNT, fields_.fileCountText);
  exchange.Text(IDC_TIME_SPLIT, fields_.timeSplitText);
  exchange.Text(IDC_MAX_FILE_SIZE, fields_.maxFileSizeText);
  if (exchange.Reading()) {
    prefs_.mergePromptOnOverwrite = promptOnOverwrite_;
    prefs_.deleteWhenDone = deleteWhenDone_;
    prefs_.mergeAutoFiles = fields_.useOriginalName;
    prefs_.mergeFileName = fields_.fileName;
    prefs_.mergeAutoFolder = fields_.useSourceFolder;
    prefs_.mergeFolder = fields_.destinationFolder;
  } else {
    Item(IDC_DESTINATION).Enable(!fields_.useSourceFolder);
    Item(IDC_BROWSE_DESTINATION).Enable(!fields_.useSourceFolder);
    Item(IDC_NAME).Enable(!fields_.useOriginalName);
    // The running program cannot delete the package it is part of.
    Item(IDC_DELETE_WHEN_DONE).Enable(CanDeletePackageOf(fields_.sourcePath));
  }
}

PackagePage::CommonFields MergePage::Common() {
  return {fields_.sourcePath, fields_.destinationFolder, fields_.fileName, fields_.byteSizeText,
          fields_.comments};
}

void MergePage::ClearInfo() { ClearMergeInfo(fields_); }

// What was derived before a failure stays on the page.
void MergePage::LoadInfo() { LoadMergeInfo(fields_, {prefs_.mergeFolder, prefs_.mergeFileName}); }

void MergePage::Merge() {
  ReadFieldsOrAbort();
  if (!fields_.destinationFolder.empty() && !CheckDestinationFolder()) {
    WindowHost host(*this, Sheet().Handle());
    SetStatus(host, 0, IDS_OPERATION_NOT_COMPLETED);
    return;
  }
  const std::string target = MergeTargetPath(fields_.destinationFolder, fields_.fileName);
  WriteFields();
  MergeOptions options;
  options.promptOnOverwrite = promptOnOverwrite_;
  options.deleteWhenDone = deleteWhenDone_ && CanDeletePackageOf(fields_.sourcePath);
  const std::string source = fields_.sourcePath;
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
  const std::string source = fields_.sourcePath;
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
