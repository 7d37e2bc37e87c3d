// A message that carries a list (the import's warning about missing SVG files: a heading,
// two CRs, then one path per line) shown so that any length fits on the screen: the
// heading and the count above a bounded, scrollable, selectable text area, and a button
// that copies the list.
#pragma once

#include <QDialog>
#include <QIcon>
#include <QString>
#include <QStringList>
#include <optional>

namespace orlindo {

struct MessageList {
  QString heading;
  QStringList items;
};

// The heading and the items of a text of the list form, "<heading>\r\r" followed by
// items each ended by CR LF; nullopt for any other text.
std::optional<MessageList> SplitMessageList(const QString& text);

class ListDialog : public QDialog {
 public:
  ListDialog(const QString& caption, const QIcon& icon, const MessageList& list, QWidget* parent);

  // The items, one per line, as the "コピー" button puts them on the clipboard.
  QString ListText() const;

 private:
  QStringList items_;
};

}  // namespace orlindo
