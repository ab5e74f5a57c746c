#include "transforms/gui/EdgeQuestion.h"

#include <QCheckBox>
#include <QMessageBox>
#include <QPushButton>
#include <array>

#include "platform/gui/WidgetNames.h"
#include "settings/gui/DlgOptions.h"

namespace pixaldo {
namespace {

struct EdgeName {
  int number;
  const char* english;
};
// By PictureEdge.
constexpr std::array<EdgeName, 4> kEdgeNames{
    {{155, "right edge"}, {156, "bottom edge"}, {157, "left edge"}, {158, "top edge"}}};

QString Sentence(const UnturnedEdge& edge) {
  const EdgeName& name = kEdgeNames[size_t(edge.edge)];
  return ProgramText(154, "The last %1 pixels of the %2 cannot be turned losslessly.")
      .arg(edge.pixels)
      .arg(ProgramText(name.number, name.english));
}

}  // namespace

QString EdgeQuestionText(const std::vector<PhotoEdges>& photos) {
  QStringList sentences;
  for (const PhotoEdges& photo : photos)
    for (const UnturnedEdge& edge : photo.edges)
      if (!sentences.contains(Sentence(edge))) sentences << Sentence(edge);
  const QString text = sentences.join(QLatin1Char('\n'));
  if (photos.size() == 1) return text;
  return ProgramText(163, "In %1 of the photos:").arg(photos.size()) + QLatin1Char('\n') + text;
}

EdgeChoice AskAboutEdges(QWidget* parent, const std::vector<PhotoEdges>& photos, bool offerLeave) {
  QMessageBox box(QMessageBox::Question, QStringLiteral("Pixaldo"), EdgeQuestionText(photos), QMessageBox::NoButton,
                  parent);
  box.setObjectName(QStringLiteral("EdgeQuestion"));
  QPushButton* trim = box.addButton(ProgramText(159, "Trim them"), QMessageBox::AcceptRole);
  QPushButton* leave = offerLeave ? box.addButton(ProgramText(161, "Leave it as it is"), QMessageBox::DestructiveRole)
                                  : nullptr;
  QPushButton* cancel = box.addButton(ProgramText(160, "Cancel"), QMessageBox::RejectRole);
  box.setDefaultButton(trim);
  box.setEscapeButton(cancel);
  box.setCheckBox(Named(new QCheckBox(ProgramText(162, "Always trim")), QStringLiteral("AlwaysTrim")));
  box.exec();
  EdgeChoice choice;
  if (box.clickedButton() == trim) {
    choice.What = EdgeChoice::Trim;
    choice.AlwaysTrim = box.checkBox()->isChecked();
  } else if (leave && box.clickedButton() == leave) {
    choice.What = EdgeChoice::Leave;
  }
  return choice;
}

}  // namespace pixaldo
