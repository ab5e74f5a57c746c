#pragma once
// The about window: name and version, credits, version history in English or
// Czech, and links opened by the desktop's default handler.
#include <QDialog>
#include <functional>
#include <vector>

class QLabel;
class QPlainTextEdit;

namespace pixaldo {

class TFormAbout : public QDialog {
  Q_OBJECT
 public:
  explicit TFormAbout(QWidget* parent = nullptr);

  // Where the window learns the chosen language (index 1 is Czech).
  void SetLanguageSource(std::function<int()> languageIndex) { languageIndex_ = std::move(languageIndex); }
  // Where links go; tests replace the desktop's handler.
  void SetLinkOpener(std::function<void(const QString&)> opener) { openLink_ = std::move(opener); }

  QPlainTextEdit* MemoEN = nullptr;
  QPlainTextEdit* MemoCZ = nullptr;
  std::vector<QLabel*> HtmlLabels;  // the six link labels

  void FormShow();
  void HtmlLabelClick(QLabel* label);
  void HtmlLabelMouseMove(QLabel* label);
  void FormMouseMove();  // also what a click on a plain credit label does

 protected:
  void showEvent(QShowEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void SetUnderline(QLabel* label, bool underline);
  std::function<int()> languageIndex_;
  std::function<void(const QString&)> openLink_;
  std::vector<QLabel*> creditLabels_;
};

}  // namespace pixaldo
