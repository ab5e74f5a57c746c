#pragma once
// The lossless transform commands on the main window's current photo: the
// plan, the questions (edges left unturned, the new file's name), the run
// off the window's thread, and the result shown when it has ended.
#include <QString>

namespace pixaldo {

class TFormMain;
class TTransformCommand;
class TSaveAsDialog;
enum class TransformKind : int;

class TPhotoTransforms {
 public:
  explicit TPhotoTransforms(TFormMain& form);

  // One transform of the current file, with the save dialog when the result
  // goes to a new file; then the result is shown.
  void Run(TransformKind kind);
  // A transform started by Run has not ended yet.
  bool Running() const;
  // Blocks until the transform in progress has ended.
  void Wait();
  // The save dialog for the new file's name; empty when cancelled.
  QString AskTarget(const QString& proposed);

 private:
  void Done();
  void ShowResult(const QString& result);

  TFormMain& Form;
  TTransformCommand* Command = nullptr;   // a child of the window
  TSaveAsDialog* SaveAsDialog = nullptr;  // made on first use, kept for its size
};

}  // namespace pixaldo
