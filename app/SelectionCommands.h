#pragma once
// The main window's commands on a selection of several photos: rotate
// left and right, flip, Rotate by EXIF, Metadata delete (into copies named
// as the save dialog proposes), Delete EXIF, comment and IPTC, Restore
// thumbnail, moving to the trash, the info panel's fields for several
// photos (see SelectionFields), and the press fields by the same rule
// ("Press fields…" in the list's menu). They run on TBatchRun with its progress
// bar under the file list; the file list's context menu offers them all.
//
// It also owns the undo store and the "Undo" command (Ctrl+Z, and in the
// list's context menu; in a text field Ctrl+Z stays the field's own), which
// takes back the last command, on one photo or on a selection; and at start
// it offers to put back the files of a store that a crash left.
#include <QAction>
#include <QMenu>
#include <QObject>
#include <QStringList>
#include <filesystem>
#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "photo_record/PressEdits.h"

namespace pixaldo {

namespace fs = std::filesystem;
class TFormMain;
struct MainWindowSettings;
class TBatchRun;
class TBatchProgress;
class UndoStore;
enum class TransformKind : int;

class TSelectionCommands : public QObject {
  Q_OBJECT

 public:
  // `undoRoot` empty: the default folder in the user's cache.
  explicit TSelectionCommands(TFormMain& form, const fs::path& undoRoot = {});
  ~TSelectionCommands() override;

  // The selected photos in list order.
  QStringList SelectedFiles() const;
  bool Several() const { return SelectedFiles().size() > 1; }

  // Runs a main-window command on the selection when several photos are
  // selected (or a selection command still runs, so that it waits for
  // that); false when the command is the single photo's.
  bool Take(const char* name);
  // Begins the undo entry of a single-photo command that rewrites `target`;
  // null when it keeps none (no store, a selection command running, or the
  // user goes on without undo when the original does not fit); nothing when
  // the user would rather not run the command at all.
  std::optional<UndoStore*> UndoFor(TransformKind kind, const fs::path& target);
  // The same for any other command on one photo, undone as `name`.
  std::optional<UndoStore*> UndoFor(const QString& name, const fs::path& target);
  // Runs after the window's enabling rule: the selection's own.
  void AdjustStates();

  // The info panel's fields show the selection's values (not one photo's).
  bool ShowsSeveral() const;
  // Starts a command on the selection once the user has agreed where asked.
  void Start(const QString& name, const std::function<void(const fs::path&, UndoStore*)>& step,
             const QStringList& files);

  // Runs a write of one photo made elsewhere (the metadata window's
  // buttons) as a command of its own that Undo can take back; not at all
  // when its original does not fit the undo store and the user stops there.
  void RecordEdit(const QString& name, const fs::path& file, const std::function<bool()>& write);
  // Asks for the press fields of the selected photos (or the current one)
  // and writes the fields typed into to each of them.
  void PressFields();
  // Shows the photos' press fields and returns what the user typed; nothing
  // for cancel (a dialog; tests answer it).
  std::function<std::optional<PressEdits>(const std::vector<PressTexts>&)> AskPressFields;

  // Asks whether to put back what a crashed run left, then removes it.
  void OfferLeftBehind();
  void Undo();
  // Takes the texts of the language chosen.
  void ApplyTexts();

  TBatchRun* Run = nullptr;
  TBatchProgress* Progress = nullptr;
  QAction* UndoAction = nullptr;
  QMenu* Menu = nullptr;  // the file list's context menu
  std::unique_ptr<UndoStore> Store;

 private:
  void RunTransform(TransformKind kind, const QString& name);
  // Asks once about the photos of the run whose edges the turn cannot turn
  // (unless the settings trim always): trims them all, turns them as they
  // are, or cancels the run (false).
  bool SettleEdges(TransformKind kind, bool asShown, MainWindowSettings& settings, QStringList& files) const;
  void RunEdit(const QString& name, std::function<bool(const fs::path&, bool keepDate)> edit);
  void Trash();
  // Whether a command on `files` keeps undo: when their originals do not
  // fit into the undo store, the user is asked whether to go on without
  // (false) or not to run it (nothing).
  std::optional<bool> KeepsUndo(const std::vector<fs::path>& files) const;
  void Finished(bool cancelled);
  // Shows the current photo again after a command or an undo changed it.
  void ShowCurrentAgain();
  void SelectionChanged();
  // "Undo" and the name of the command it would take back.
  void ShowUndoText();
  void BuildMenu();

  TFormMain& Form;
  std::vector<QAction*> EditActions_;  // the menu's edits, in table order
};

}  // namespace pixaldo
