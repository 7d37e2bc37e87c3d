// The edit field of a path input (the database file, the SVG and output folders). A file
// manager drops a file as a "file://" URL; the field takes it as the local path it names,
// and only when that is the kind of path the field holds.
#pragma once

#include <QLineEdit>
#include <QString>
#include <optional>

class QMimeData;

namespace orlindo {

enum class PathKind { File, Folder };

// The local path of a drop that names exactly one existing entry of the kind (a link
// counts by its target, as the input checks count it); nullopt for anything else: a
// remote URL, several entries, a path of the other kind or one with a line break,
// which a single-line field cannot hold.
std::optional<QString> DroppedPath(const QMimeData& data, PathKind kind);

class PathEdit : public QLineEdit {
 public:
  PathEdit(PathKind kind, QWidget* parent);

 protected:
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  bool TakeUrlDrag(QDragMoveEvent* event) const;

  PathKind kind_;
};

}  // namespace orlindo
