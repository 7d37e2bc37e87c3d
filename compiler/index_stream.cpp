#include "compiler/index_stream.h"

#include <system_error>
#include <utility>

#include "compiler/index_text.h"
#include "platform/unicode.h"

namespace zav {
namespace {

// Pieces of this size keep the compressor busy without a wake-up per line. Each is
// given its room at once (a line seldom passes the spare), so that it does not double
// its way there and hold twice its size.
constexpr std::size_t kPieceBytes = 64 * 1024;
constexpr std::size_t kPieceRoomBytes = kPieceBytes + 4 * 1024;

std::span<const std::uint8_t> AsBytes(const std::string& text) {
  return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

}  // namespace

IndexStream::IndexStream(bool inBackground) : inBackground_(inBackground) {
  current_.reserve(kPieceRoomBytes);
  current_ = kUtf8Mark;
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
  AppendIndexFileLine(current_, line);
  if (current_.size() >= kPieceBytes) CloseCurrentPiece(false);
}

void IndexStream::CloseCurrentPiece(bool last) {
  auto piece = std::make_shared<const std::string>(std::move(current_));
  current_ = std::string();
  current_.reserve(kPieceRoomBytes);
  pieces_.push_back(piece);
  if (!inBackground_) return;
  {
    std::lock_guard lock(mutex_);
    toCompress_.push_back(std::move(piece));
    last_ = last;
  }
  wake_.notify_all();
}

std::vector<std::span<const std::uint8_t>> IndexStream::FilePieces() const {
  std::vector<std::span<const std::uint8_t>> spans;
  for (const Piece& piece : pieces_) spans.push_back(AsBytes(*piece));
  if (!current_.empty()) spans.push_back(AsBytes(current_));
  return spans;
}

std::vector<std::uint8_t> IndexStream::TakeMember() {
  CloseCurrentPiece(true);
  if (!inBackground_) {
    deflater_.BeginMember(member_);
    for (const Piece& piece : pieces_) deflater_.FeedMember(AsBytes(*piece), member_);
    deflater_.FinishMember(member_);
    return std::move(member_);
  }
  std::unique_lock lock(mutex_);
  wake_.wait(lock, [this] { return done_; });
  if (failure_) std::rethrow_exception(failure_);
  return std::move(member_);
}

void IndexStream::Compress() {
  try {
    deflater_.BeginMember(member_);
    for (;;) {
      Piece piece;
      bool last = false;
      {
        std::unique_lock lock(mutex_);
        wake_.wait(lock, [this] { return stopping_ || !toCompress_.empty(); });
        if (stopping_) return;
        piece = std::move(toCompress_.front());
        toCompress_.pop_front();
        last = last_ && toCompress_.empty();
      }
      deflater_.FeedMember(AsBytes(*piece), member_);
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
