#pragma once
// TListFilter: the filter box above the file list. What is typed there (see
// PhotoFilter for the rules: keyword beginnings, "★3" for three stars or
// more) limits the list and the thumbnail grid alike to the photos it lets
// through; the photo shown always stays, matching or not. The photos' tags
// are read off the window's thread: rows appear as their tags arrive, and
// are looked at again whenever the folder changes on disk, so that a photo
// rewritten by Pixaldo or another program is shown or left out anew.
// Ctrl+F goes to the box; Esc in the box clears it (in an empty box it
// gives the keys back to the list). A row left out is no longer selected.
#include <QLineEdit>
#include <QObject>
#include <QTimer>

#include "file_list/PhotoFilter.h"

namespace pixaldo {

class TJpegList;
class TThumbnailGrid;
class TPhotoTagsReader;

class TListFilter : public QObject {
  Q_OBJECT

 public:
  // The box goes into the list's panel, above the list.
  TListFilter(TJpegList* list, TThumbnailGrid* grid);

  QLineEdit* Box() const { return box_; }
  TPhotoTagsReader* Reader() const { return reader_; }
  const PhotoFilter& Filter() const { return filter_; }
  // Whether the row is let through now (the shown photo always is).
  bool Shows(int row) const;
  // The box's hint and tip in the chosen language.
  void ApplyTexts();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void TextChanged(const QString& text);
  // Asks for the tags of every listed photo (only those new or changed are read).
  void Look();
  // Shows and hides the rows by what is known now.
  void Apply();

  TJpegList* list_;
  TThumbnailGrid* grid_;
  QLineEdit* box_;
  TPhotoTagsReader* reader_;
  PhotoFilter filter_;
  QTimer apply_;  // gathers arrivals into one pass over the rows
};

}  // namespace pixaldo
