#include "inspect/preview_page.h"

#include <map>

#include "platform/unicode.h"

namespace zav::inspect {
namespace {

constexpr std::string_view kNoCategory = "(no category)";
// Enough images for the first screens of a large window.
constexpr std::size_t kImagesWithThePage = 200;

// No request leaves the page: images only from data: URIs, the page's own style and
// script, nothing else.
constexpr std::string_view kHead = R"(<!DOCTYPE html>
<html lang="ja">
<head>
<meta charset="utf-8">
<meta http-equiv="Content-Security-Policy" content="default-src 'none'; img-src data:; style-src 'unsafe-inline'; script-src 'unsafe-inline'">
<meta name="viewport" content="width=device-width, initial-scale=1">
<meta name="generator" content="zavinspect">
<style>
body { font-family: sans-serif; margin: 0; background: #f4f4f2; color: #222; }
header { position: sticky; top: 0; z-index: 1; background: #fff; border-bottom: 1px solid #ccc; padding: 8px 16px; }
h1 { font-size: 20px; margin: 0 0 4px; }
.copyright { margin: 0 0 6px; color: #555; font-size: 13px; white-space: pre-line; }
#filter { font-size: 15px; padding: 4px 8px; width: min(32em, 70vw); }
#count { margin-left: 8px; color: #555; font-size: 13px; }
section { padding: 4px 16px 12px; content-visibility: auto; contain-intrinsic-size: auto 400px; }
h2 { font-size: 16px; margin: 12px 0 6px; }
h2 .n { color: #777; font-weight: normal; }
.grid { display: flex; flex-wrap: wrap; gap: 8px; }
figure { margin: 0; width: 136px; background: #fff; border: 1px solid #ddd; border-radius: 4px; padding: 6px; text-align: center; }
figure img { width: 64px; height: 64px; object-fit: contain; background: repeating-conic-gradient(#eee 0 25%, #fff 0 50%) 50% / 16px 16px; }
figcaption { font-size: 12px; overflow-wrap: anywhere; }
figcaption span { display: block; }
.caption { font-weight: bold; }
.name { font-family: monospace; color: #333; }
.aliases { color: #06c; }
.size { color: #777; }
[hidden] { display: none !important; }
</style>
)";

constexpr std::string_view kScript = R"(<script>
(function () {
  var input = document.getElementById('filter');
  var count = document.getElementById('count');
  var sections = Array.prototype.slice.call(document.querySelectorAll('section'));
  var groups = sections.map(function (section) {
    return Array.prototype.slice.call(section.querySelectorAll('figure')).map(function (figure) {
      return { figure: figure, text: figure.getAttribute('data-search').toLowerCase() };
    });
  });
  var total = groups.reduce(function (n, g) { return n + g.length; }, 0);
  var pending = 0;
  function apply() {
    pending = 0;
    var words = input.value.toLowerCase().split(/\s+/).filter(Boolean);
    var shown = 0;
    groups.forEach(function (group, i) {
      var inSection = 0;
      group.forEach(function (item) {
        var match = words.every(function (w) { return item.text.indexOf(w) >= 0; });
        item.figure.hidden = !match;
        if (match) inSection++;
      });
      sections[i].hidden = inSection === 0;
      shown += inSection;
    });
    count.textContent = words.length ? shown + ' of ' + total + ' symbols' : total + ' symbols';
  }
  // Images after the first screens get their data: URI when they come near the view.
  var waiting = Array.prototype.slice.call(document.querySelectorAll('img[data-src]'));
  function show(img) { img.src = img.getAttribute('data-src'); img.removeAttribute('data-src'); }
  if ('IntersectionObserver' in window) {
    var observer = new IntersectionObserver(function (entries) {
      entries.forEach(function (entry) {
        if (entry.isIntersecting) { observer.unobserve(entry.target); show(entry.target); }
      });
    }, { rootMargin: '600px' });
    waiting.forEach(function (img) { observer.observe(img); });
  } else {
    waiting.forEach(show);
  }
  input.addEventListener('input', function () {
    if (!pending) pending = requestAnimationFrame(apply);
  });
  var asked = /^#q=(.*)$/.exec(location.hash);
  if (asked) {
    input.value = decodeURIComponent(asked[1]);
    apply();
  }
})();
</script>
)";

constexpr char kBase64[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// Base64 a piece at a time: up to two bytes wait for the next piece.
class Base64Writer {
 public:
  explicit Base64Writer(std::ostream& out) : out_(out) {}

  void Write(std::span<const std::uint8_t> bytes) {
    for (const std::uint8_t byte : bytes) {
      held_[heldCount_++] = byte;
      if (heldCount_ == 3) Flush();
    }
    if (!line_.empty()) {
      out_ << line_;
      line_.clear();
    }
  }

  void Finish() {
    if (heldCount_ > 0) {
      const std::size_t count = heldCount_;
      for (std::size_t i = count; i < 3; ++i) held_[i] = 0;
      heldCount_ = 3;
      Flush();
      for (std::size_t i = count + 1; i < 4; ++i) line_[line_.size() - (4 - i)] = '=';
    }
    out_ << line_;
    line_.clear();
  }

 private:
  void Flush() {
    const std::uint32_t v = static_cast<std::uint32_t>(held_[0]) << 16 | static_cast<std::uint32_t>(held_[1]) << 8 | held_[2];
    line_ += kBase64[v >> 18 & 63];
    line_ += kBase64[v >> 12 & 63];
    line_ += kBase64[v >> 6 & 63];
    line_ += kBase64[v & 63];
    heldCount_ = 0;
  }

  std::ostream& out_;
  std::uint8_t held_[3] = {};
  std::size_t heldCount_ = 0;
  std::string line_;
};

std::string SizeText(std::uint64_t bytes) {
  if (bytes < 10 * 1024) return std::to_string(bytes) + " B";
  return std::to_string((bytes + 512) / 1024) + " KiB";
}

}  // namespace

std::string EscapeHtml(std::string_view text) {
  const std::string valid = SanitizeUtf8(text);
  std::string escaped;
  escaped.reserve(valid.size());
  for (const char c : valid) {
    switch (c) {
      case '&': escaped += "&amp;"; break;
      case '<': escaped += "&lt;"; break;
      case '>': escaped += "&gt;"; break;
      case '"': escaped += "&quot;"; break;
      case '\'': escaped += "&#39;"; break;
      default:
        // Control characters other than tab and line breaks are not allowed in HTML.
        if (static_cast<unsigned char>(c) < 0x20 && c != '\t' && c != '\n' && c != '\r') {
          escaped += "\xEF\xBF\xBD";
        } else {
          escaped += c;
        }
    }
  }
  return escaped;
}

void WritePreviewPage(std::ostream& out, const std::string& libraryName, const std::string& copyrightText,
                      const std::vector<PreviewSymbol>& symbols, const ContentSource& content) {
  // Categories in the order they first appear; symbols in file order within each.
  std::vector<std::string> order;
  std::map<std::string, std::vector<std::size_t>> members;
  for (std::size_t i = 0; i < symbols.size(); ++i) {
    auto& list = members[symbols[i].category];
    if (list.empty()) order.push_back(symbols[i].category);
    list.push_back(i);
  }

  out << kHead << "<title>" << EscapeHtml(libraryName) << " — symbol library</title>\n</head>\n<body>\n<header>\n"
      << "<h1>" << EscapeHtml(libraryName) << "</h1>\n<p class=\"copyright\">" << EscapeHtml(copyrightText)
      << "</p>\n<input id=\"filter\" type=\"search\" placeholder=\"Filter: caption, name, category, alias\" "
         "aria-label=\"Filter\" autofocus><span id=\"count\">"
      << symbols.size() << " symbols</span>\n</header>\n<main>\n";
  Base64Writer base64(out);
  std::size_t drawn = 0;
  for (const std::string& category : order) {
    const std::vector<std::size_t>& list = members[category];
    out << "<section><h2>" << EscapeHtml(category.empty() ? kNoCategory : category) << " <span class=\"n\">("
        << list.size() << ")</span></h2>\n<div class=\"grid\">\n";
    for (const std::size_t i : list) {
      const PreviewSymbol& symbol = symbols[i];
      std::string search = symbol.caption + ' ' + symbol.name + ' ' + symbol.category;
      std::string aliases;
      for (const std::string& alias : symbol.aliases) {
        search += ' ' + alias;
        aliases += (aliases.empty() ? "" : ", ") + alias;
      }
      // The first screens' images load with the page; the others wait in data-src until
      // they scroll near, since a browser loads every data: image at once otherwise.
      out << "<figure data-search=\"" << EscapeHtml(search) << "\"><img alt=\"" << EscapeHtml(symbol.name)
          << "\" decoding=\"async\" " << (drawn++ < kImagesWithThePage ? "src" : "data-src")
          << "=\"data:image/svg+xml;base64,";
      content(i, [&base64](std::span<const std::uint8_t> piece) { base64.Write(piece); });
      base64.Finish();
      out << "\"><figcaption><span class=\"caption\">" << EscapeHtml(symbol.caption)
          << "</span><span class=\"name\">" << EscapeHtml(symbol.name) << "</span>";
      if (!aliases.empty()) out << "<span class=\"aliases\">" << EscapeHtml(aliases) << "</span>";
      out << "<span class=\"size\">" << SizeText(symbol.contentBytes) << "</span></figcaption></figure>\n";
    }
    out << "</div>\n</section>\n";
  }
  out << "</main>\n" << kScript << "</body>\n</html>\n";
}

}  // namespace zav::inspect
