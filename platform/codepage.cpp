#include "platform/codepage.h"

#include <iconv.h>

#include <cerrno>
#include <cstdlib>
#include <mutex>
#include <string>
#include <utility>

#include "platform/failure.h"
#include "platform/unicode.h"

namespace zav {
namespace {

class UniqueIconv {
 public:
  UniqueIconv(const char* to, const char* from) : handle_(iconv_open(to, from)) {}
  UniqueIconv(const UniqueIconv&) = delete;
  UniqueIconv& operator=(const UniqueIconv&) = delete;
  ~UniqueIconv() {
    if (valid()) iconv_close(handle_);
  }
  bool valid() const { return handle_ != reinterpret_cast<iconv_t>(-1); }
  iconv_t get() const { return handle_; }

 private:
  iconv_t handle_;
};

std::string IconvName(int codePage) {
  if (codePage == kUtf8CodePage) return "UTF-8";
  if (codePage == 20127) return "ASCII";
  return "CP" + std::to_string(codePage);
}

int ReadCodePage() {
  const char* value = std::getenv("ZAV_CODEPAGE");
  if (value == nullptr || *value == '\0') return kUtf8CodePage;
  char* end = nullptr;
  errno = 0;
  const long number = std::strtol(value, &end, 10);
  if (errno != 0 || *end != '\0' || number <= 0 || number > 65535) {
    throw Failure(ErrorKind::General,
                  std::string("ZAV_CODEPAGE=") + value + " is not a code page number");
  }
  const int codePage = static_cast<int>(number);
  if (codePage != kUtf8CodePage) {
    UniqueIconv probe("UTF-8", IconvName(codePage).c_str());
    if (!probe.valid()) {
      throw Failure(ErrorKind::General,
                    std::string("ZAV_CODEPAGE=") + value + " names a code page this system cannot convert");
    }
  }
  return codePage;
}

// Runs iconv over the whole input; on a sequence it cannot convert it appends
// `replacement` and skips `skip(pos)` bytes of input.
template <typename Skip>
std::string Convert(const UniqueIconv& cd, std::string_view input, std::string_view replacement,
                    Skip skip) {
  std::string out;
  out.resize(input.size() * 3 + 16);
  char* inPtr = const_cast<char*>(input.data());
  std::size_t inLeft = input.size();
  char* outPtr = out.data();
  std::size_t outLeft = out.size();
  const auto grow = [&](std::size_t extra) {
    const std::size_t used = out.size() - outLeft;
    out.resize(out.size() + extra + out.size() / 2);
    outPtr = out.data() + used;
    outLeft = out.size() - used;
  };
  while (inLeft > 0) {
    if (iconv(cd.get(), &inPtr, &inLeft, &outPtr, &outLeft) != static_cast<std::size_t>(-1)) break;
    if (errno == E2BIG) {
      grow(64);
      continue;
    }
    // EILSEQ or EINVAL (cut short at the end): replace and go on after it.
    if (outLeft < replacement.size()) grow(replacement.size());
    for (char c : replacement) *outPtr++ = c, --outLeft;
    const std::size_t consumed = input.size() - inLeft;
    const std::size_t step = std::min(inLeft, skip(consumed));
    inPtr += step;
    inLeft -= step;
    iconv(cd.get(), nullptr, nullptr, nullptr, nullptr);
  }
  // Flush a stateful encoder's closing sequence.
  if (outLeft < 16) grow(16);
  iconv(cd.get(), nullptr, nullptr, &outPtr, &outLeft);
  out.resize(out.size() - outLeft);
  return out;
}

}  // namespace

int AnsiCodePage() {
  // Looked up again whenever the variable changes, so that tests can switch it; the
  // lock keeps the cache sound when compression workers decode text.
  static std::mutex mutex;
  static std::string cachedValue;
  static int cachedCodePage = 0;
  const char* value = std::getenv("ZAV_CODEPAGE");
  const std::string current = value == nullptr ? std::string() : std::string(value);
  std::lock_guard<std::mutex> lock(mutex);
  if (cachedCodePage == 0 || current != cachedValue) {
    cachedCodePage = ReadCodePage();
    cachedValue = current;
  }
  return cachedCodePage;
}

std::string DecodeAnsi(std::string_view bytes) {
  const int codePage = AnsiCodePage();
  if (codePage == kUtf8CodePage) return SanitizeUtf8(bytes);
  UniqueIconv cd("UTF-8", IconvName(codePage).c_str());
  return Convert(cd, bytes, "\xEF\xBF\xBD", [](std::size_t) { return std::size_t{1}; });
}

std::string EncodeAnsi(std::string_view utf8) {
  const int codePage = AnsiCodePage();
  if (codePage == kUtf8CodePage) return SanitizeUtf8(utf8);
  const std::string valid = SanitizeUtf8(utf8);
  UniqueIconv cd(IconvName(codePage).c_str(), "UTF-8");
  return Convert(cd, valid, "?", [&valid](std::size_t at) {
    // Skip the whole UTF-8 character that the code page lacks.
    std::size_t length = 1;
    while (at + length < valid.size() && (static_cast<unsigned char>(valid[at + length]) & 0xC0) == 0x80) {
      ++length;
    }
    return length;
  });
}

}  // namespace zav
