#pragma once
// The glue between the main window's transform commands and the jpegtran
// runner: which switches a command runs with, whether it rewrites the
// current file or asks for a new name, and the run itself, which ends in
// Finished (with the file written) or Failed (with the file and the reason).
#include <QObject>
#include <QString>
#include <QThread>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "exif/Orientation.h"
#include "transforms/JpegTran.h"
#include "transforms/gui/EdgeQuestion.h"

namespace pixaldo {

namespace fs = std::filesystem;

struct MainWindowSettings;
class UndoStore;

// What a transform command will do to the current file.
struct TransformPlan {
  TransformRequest Request;  // what the runner plans again under the photo's lock
  JpegTranPlan Run;       // jpegtran's switches and the orientation written after, as things stand now
  bool Overwrite = true;  // the result replaces the source
  fs::path Proposed;      // the name offered in the save dialog otherwise
};

// The plan for `kind` on `source` under the settings, acting on the picture
// as shown upright by its EXIF orientation when `asShown`; none for a crop
// without a frame (`cropGeometry` empty) and for Rotate by EXIF on a photo
// that is upright already.
std::optional<TransformPlan> PlanTransform(TransformKind kind, const fs::path& source,
                                           const MainWindowSettings& settings, const QString& cropGeometry,
                                           bool asShown);

// The plan as the user settles the edges it would leave unturned: `ask`
// is asked about them (unless the settings trim always, or there are none;
// `offerLeave` for Rotate by EXIF) and may have it trim them, run as it is,
// or cancel it (nothing).
using AskEdges = std::function<EdgeChoice(const std::vector<PhotoEdges>& photos, bool offerLeave)>;
// The question itself (see AskAboutEdges); "Always trim" is stored in the
// settings at once, a failure to save them shown naming the settings file.
EdgeChoice AskAboutEdgesOnce(QWidget* parent, const std::vector<PhotoEdges>& photos, bool offerLeave);
std::optional<TransformPlan> PlanWithEdges(TransformKind kind, const fs::path& source, MainWindowSettings settings,
                                           const QString& cropGeometry, bool asShown, const AskEdges& ask);

class TTransformCommand : public QObject {
  Q_OBJECT

 public:
  using QObject::QObject;
  // Waits for a run in progress: the file is never left half done.
  ~TTransformCommand() override;

  // Runs the plan on `source` into `target` on a worker thread (jpegtran and
  // the new thumbnail take a while on large photos); Finished or Failed
  // follows on this object's thread. Does nothing while a run is going on.
  void Start(const TJpegTran& runner, const fs::path& source, const fs::path& target, const TransformPlan& plan,
             bool keepDate, bool refreshThumbnail, UndoStore* undo = nullptr);
  // A run has started and its outcome has not been reported yet.
  bool Busy() const { return worker_ != nullptr; }
  // Blocks until the run in progress has ended; its outcome is reported
  // when events are next processed.
  void Wait();
  // What the user should know about the last run that succeeded (see
  // TJpegTran::LastNote); empty when nothing.
  const std::string& Note() const { return Note_; }
  // The turn of the picture shown by the plan the last run ran with: the
  // view turns the picture it holds by it instead of decoding the rewritten file.
  std::optional<Orientation> Turn() const { return Turn_; }

 signals:
  void Finished(const QString& result);
  void Failed(const fs::path& file, const QString& reason);

 private:
  std::optional<Orientation> Turn_;
  std::string Note_;
  std::unique_ptr<QThread> worker_;
};

}  // namespace pixaldo
