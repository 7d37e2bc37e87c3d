#include "frontend/path_edit.h"

#include <QDragEnterEvent>
#include <QMimeData>
#include <QUrl>

#include "platform/dir_listing.h"

namespace orlindo {

std::optional<QString> DroppedPath(const QMimeData& data, PathKind kind) {
  const QList<QUrl> urls = data.urls();
  if (urls.size() != 1 || !urls.front().isLocalFile()) return std::nullopt;
  const QString path = urls.front().toLocalFile();
  if (path.contains(u'\r') || path.contains(u'\n')) return std::nullopt;
  const std::string pathText = path.toStdString();
  const bool fits = kind == PathKind::File ? zav::IsExistingFile(pathText) : zav::IsExistingFolder(pathText);
  if (!fits) return std::nullopt;
  return path;
}

PathEdit::PathEdit(PathKind kind, QWidget* parent) : QLineEdit(parent), kind_(kind) {}

// A drag that carries URLs is this field's own: accepted when they name a path it
// takes, refused otherwise. The path replaces the whole text, so the cursor is not moved
// under the mouse as for a text drag.
bool PathEdit::TakeUrlDrag(QDragMoveEvent* event) const {
  if (!event->mimeData()->hasUrls()) return false;
  if (DroppedPath(*event->mimeData(), kind_)) {
    event->acceptProposedAction();
  } else {
    event->ignore();
  }
  return true;
}

void PathEdit::dragEnterEvent(QDragEnterEvent* event) {
  if (!TakeUrlDrag(event)) QLineEdit::dragEnterEvent(event);
}

void PathEdit::dragMoveEvent(QDragMoveEvent* event) {
  if (!TakeUrlDrag(event)) QLineEdit::dragMoveEvent(event);
}

void PathEdit::dropEvent(QDropEvent* event) {
  if (!event->mimeData()->hasUrls()) {
    QLineEdit::dropEvent(event);
    return;
  }
  const std::optional<QString> path = DroppedPath(*event->mimeData(), kind_);
  if (!path) {
    event->ignore();
    return;
  }
  // Typed over the old text rather than set, so that Ctrl+Z brings the old text back.
  selectAll();
  insert(*path);
  setFocus(Qt::MouseFocusReason);
  event->acceptProposedAction();
}

}  // namespace orlindo
