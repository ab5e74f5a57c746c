#pragma once
// The question before a transform that would leave edges of the picture
// unturned (see transforms/UnturnedEdges.h): "The last 8 pixels of the
// right edge cannot be turned losslessly." with Trim them / Cancel, "Leave
// it as it is" where the photo is fine as it stands (Rotate by EXIF: it is
// already shown upright everywhere), and "Always trim" to trim from now on
// without asking. A run over many photos asks once for all of them.
#include <QString>
#include <vector>

#include "transforms/UnturnedEdges.h"

class QWidget;

namespace pixaldo {

struct EdgeChoice {
  enum Answer { Trim, Leave, Cancel } What = Cancel;
  bool AlwaysTrim = false;  // "Always trim" was ticked (with Trim only)
};

// The question's text for the photos of a run.
QString EdgeQuestionText(const std::vector<PhotoEdges>& photos);

// Asks modally; closing the question cancels.
EdgeChoice AskAboutEdges(QWidget* parent, const std::vector<PhotoEdges>& photos, bool offerLeave);

}  // namespace pixaldo
