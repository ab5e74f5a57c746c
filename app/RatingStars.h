#pragma once
// Five stars showing a photo's rating, set with the mouse: a click on a
// star gives that many stars, a click on the highest lit star clears the
// rating. The stars are drawn hollow for photos whose ratings differ.
#include <QWidget>

namespace pixaldo {

class TRatingStars : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kMost = 5;

  explicit TRatingStars(QWidget* parent = nullptr);

  void SetRating(int stars, bool different = false);
  int Rating() const { return rating_; }
  bool Different() const { return different_; }
  // The star (1-5) at a point of the widget, 0 for none.
  int StarAt(const QPoint& point) const;
  QRect StarRect(int star) const;
  QSize sizeHint() const override;

 signals:
  // The user asked for this many stars.
  void Clicked(int stars);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;

 private:
  int rating_ = 0;
  bool different_ = false;
};

}  // namespace pixaldo
