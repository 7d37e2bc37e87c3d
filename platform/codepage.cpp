#include "platform/codepage.h"

#include <iconv.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <memory>
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

// The code page in force; 0 until ZAV_CODEPAGE has been read (or a test overrode it).
std::atomic<int> codePageInForce{0};

// One converter per thread and direction, opened at the thread's first conversion and
// kept: iconv keeps shift state in its handle, so a handle is never shared between the
// compiler's workers, and none of them waits for a lock to decode a descriptor.
const UniqueIconv& ThreadConverter(bool toUtf8, int codePage) {
  struct Slot {
    int codePage = 0;
    std::unique_ptr<UniqueIconv> converter;
  };
  thread_local Slot slots[2];
  Slot& slot = slots[toUtf8 ? 0 : 1];
  if (slot.codePage != codePage || !slot.converter || !slot.converter->valid()) {
    const std::string name = IconvName(codePage);
    slot.converter = toUtf8 ? std::make_unique<UniqueIconv>("UTF-8", name.c_str())
                            : std::make_unique<UniqueIconv>(name.c_str(), "UTF-8");
    slot.codePage = codePage;
  }
  return *slot.converter;
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
  iconv(cd.get(), nullptr, nullptr, nullptr, nullptr);  // a conversion cut short left state behind
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

int CodePageFromSetting(const char* value) {
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

int AnsiCodePage() {
  if (const int inForce = codePageInForce.load(std::memory_order_acquire); inForce != 0) {
    return inForce;
  }
  // A value that fails is not kept: the programs stop at the start-up check that asks
  // first. Threads that race here read the same setting, and what is in force wins.
  const int read = CodePageFromSetting(std::getenv("ZAV_CODEPAGE"));
  int expected = 0;
  if (!codePageInForce.compare_exchange_strong(expected, read, std::memory_order_acq_rel)) {
    return expected;
  }
  return read;
}

int OverrideAnsiCodePage(int codePage) {
  return codePageInForce.exchange(codePage, std::memory_order_acq_rel);
}

std::string DecodeAnsi(std::string_view bytes) {
  const int codePage = AnsiCodePage();
  if (codePage == kUtf8CodePage) return SanitizeUtf8(bytes);
  return Convert(ThreadConverter(true, codePage), bytes, "\xEF\xBF\xBD", [](std::size_t) { return std::size_t{1}; });
}

std::string EncodeAnsi(std::string_view utf8) {
  const int codePage = AnsiCodePage();
  if (codePage == kUtf8CodePage) return SanitizeUtf8(utf8);
  const std::string valid = SanitizeUtf8(utf8);
  return Convert(ThreadConverter(false, codePage), valid, "?", [&valid](std::size_t at) {
    // Skip the whole UTF-8 character that the code page lacks.
    std::size_t length = 1;
    while (at + length < valid.size() && (static_cast<unsigned char>(valid[at + length]) & 0xC0) == 0x80) {
      ++length;
    }
    return length;
  });
}

}  // namespace zav
