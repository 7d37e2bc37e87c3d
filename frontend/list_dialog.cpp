#include "frontend/list_dialog.h"

#include <QApplication>
#include <QClipboard>
#include <QDialogButtonBox>
#include <QFontMetrics>
#include <QGridLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QTextDocument>
#include <algorithm>

namespace orlindo {
namespace {

// The text area shows this many lines at most before it scrolls, and is never wider
// than this share of the screen, nor narrower than room for the heading and the two
// buttons; the user can still enlarge the dialog.
constexpr int kVisibleLines = 15;
constexpr double kScreenShare = 0.6;
constexpr int kNarrowest = 360;

QSize TextAreaSize(const QPlainTextEdit& area, const QStringList& items) {
  const QFontMetrics metrics(area.font());
  int widest = 0;
  for (const QString& item : items) widest = std::max(widest, metrics.horizontalAdvance(item));
  const int frame = 2 * area.frameWidth() + 2 * static_cast<int>(area.document()->documentMargin());
  const int scrollBar = area.style()->pixelMetric(QStyle::PM_ScrollBarExtent);
  const int lines = std::min(static_cast<int>(items.size()), kVisibleLines);
  QSize size(widest + frame + scrollBar, lines * metrics.lineSpacing() + frame + scrollBar);
  if (const QScreen* screen = area.screen()) {
    size.setWidth(std::min(size.width(), static_cast<int>(screen->availableGeometry().width() * kScreenShare)));
  }
  return size.expandedTo(QSize(kNarrowest, 0));
}

}  // namespace

std::optional<MessageList> SplitMessageList(const QString& text) {
  const qsizetype split = text.indexOf(QStringLiteral("\r\r"));
  if (split < 0) return std::nullopt;
  const QString list = text.mid(split + 2);
  if (!list.endsWith(QStringLiteral("\r\n"))) return std::nullopt;
  MessageList message{text.left(split), list.chopped(2).split(QStringLiteral("\r\n"))};
  return message;
}

ListDialog::ListDialog(const QString& caption, const QIcon& icon, const MessageList& list,
                       QWidget* parent)
    : QDialog(parent), items_(list.items) {
  setWindowTitle(caption);
  setSizeGripEnabled(true);

  auto* iconLabel = new QLabel(this);
  const int iconSize = style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, this);
  iconLabel->setPixmap(icon.pixmap(iconSize, iconSize));

  auto* heading = new QLabel(list.heading + u'\n' + QStringLiteral("全 %1 件").arg(items_.size()), this);
  heading->setObjectName(QStringLiteral("heading"));
  // Paths are shown as they are, never read as markup.
  heading->setTextFormat(Qt::PlainText);

  auto* area = new QPlainTextEdit(items_.join(u'\n'), this);
  area->setObjectName(QStringLiteral("list"));
  area->setReadOnly(true);
  area->setLineWrapMode(QPlainTextEdit::NoWrap);
  area->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  area->setMinimumSize(TextAreaSize(*area, items_));

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
  QPushButton* copy = buttons->addButton(QStringLiteral("コピー"), QDialogButtonBox::ActionRole);
  copy->setObjectName(QStringLiteral("copy"));
  copy->setAutoDefault(false);
  buttons->button(QDialogButtonBox::Ok)->setDefault(true);
  connect(copy, &QPushButton::clicked, this, [this] { QApplication::clipboard()->setText(ListText()); });
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

  auto* layout = new QGridLayout(this);
  layout->addWidget(iconLabel, 0, 0, 2, 1, Qt::AlignTop);
  layout->addWidget(heading, 0, 1);
  layout->addWidget(area, 1, 1);
  layout->addWidget(buttons, 2, 0, 1, 2);
  layout->setColumnStretch(1, 1);
  layout->setRowStretch(1, 1);
  buttons->button(QDialogButtonBox::Ok)->setFocus();
}

QString ListDialog::ListText() const { return items_.join(u'\n') + u'\n'; }

}  // namespace orlindo
