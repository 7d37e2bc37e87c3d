#include "index_stream.h"

#include <span>
#include <system_error>
#include <utility>

#include "index_text.h"
#include "unicode.h"

namespace zav {
namespace {

// Pieces of this size keep the compressor busy without a wake-up per line.
constexpr std::size_t kPieceBytes = 64 * 1024;

std::span<const std::uint8_t> AsBytes(const std::string& text) {
  return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

}  // namespace

IndexStream::IndexStream(bool inBackground) : bytes_(kUtf8Mark), inBackground_(inBackground) {
  if (!inBackground_) return;
  try {
    compressor_ = std::thread([this] { Compress(); });
  } catch (const std::system_error&) {
    inBackground_ = false;  // compressed at the end instead
  }
}

IndexStream::~IndexStream() {
  if (!compressor_.joinable()) return;
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  compressor_.join();
}

void IndexStream::AppendLine(const std::string& line) {
  AppendIndexFileLine(bytes_, line);
  if (inBackground_ && bytes_.size() - handedOver_ >= kPieceBytes) HandOver(false);
}

void IndexStream::HandOver(bool last) {
  {
    std::lock_guard lock(mutex_);
    pieces_.emplace_back(bytes_, handedOver_);
    last_ = last;
  }
  handedOver_ = bytes_.size();
  wake_.notify_all();
}

std::vector<std::uint8_t> IndexStream::TakeMember() {
  if (!inBackground_) {
    deflater_.CompressMember(AsBytes(bytes_), member_);
    return std::move(member_);
  }
  HandOver(true);
  std::unique_lock lock(mutex_);
  wake_.wait(lock, [this] { return done_; });
  if (failure_) std::rethrow_exception(failure_);
  return std::move(member_);
}

void IndexStream::Compress() {
  try {
    deflater_.BeginMember(member_);
    for (;;) {
      std::string piece;
      bool last = false;
      {
        std::unique_lock lock(mutex_);
        wake_.wait(lock, [this] { return stopping_ || !pieces_.empty() || last_; });
        if (stopping_) return;
        if (!pieces_.empty()) {
          piece = std::move(pieces_.front());
          pieces_.pop_front();
        }
        last = last_ && pieces_.empty();
      }
      deflater_.FeedMember(AsBytes(piece), member_);
      if (last) break;
    }
    deflater_.FinishMember(member_);
  } catch (...) {
    std::lock_guard lock(mutex_);
    failure_ = std::current_exception();
  }
  {
    std::lock_guard lock(mutex_);
    done_ = true;
  }
  wake_.notify_all();
}

}  // namespace zav
