#include "category_output.h"

#include "bytestring.h"
#include "live_secrets.h"
#include "wipe.h"
#include "workers.h"
#include "write_all.h"

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <unistd.h>

namespace {

// Output gathered for one batch of categories, in a worker's own buffer.
class BatchSink : public TextSink {
public:
  explicit BatchSink(uint8_t* bytes) : bytes_(bytes) {}
  uint8_t* room(size_t n) override {
    used_ = std::max(used_, size_ + n);
    return bytes_ + size_;
  }
  void put(size_t n) override { size_ += n; }
  const uint8_t* bytes() const { return bytes_; }
  size_t size() const { return size_; }
  // Wipes all the room ever given, past the output too.
  void wipe() {
    secure_wipe(bytes_, used_);
    size_ = used_ = 0;
  }

private:
  uint8_t* bytes_;
  size_t size_ = 0;
  size_t used_ = 0;
};

// A batch is a run of categories whose output (at most kBannerBytes + 1 more
// than its whole blocks, each) fits kBatchBytes; a category whose output
// alone does not is a batch of its own, streamed. Large enough that taking
// turns costs nothing (64 KiB batches made a 64 MiB run a tenth slower),
// small enough to stay in a processor's own cache.
constexpr size_t kBatchBytes = size_t{128} * 1024;
constexpr size_t kBannerBytes = 8 + kNameFieldSize - 1 + 9;
// A streamed category is printed through its worker's batch buffer.
static_assert(kBatchBytes >= kTextPieceBytes);

size_t output_bound(const CategoryRecord& category) {
  return kBannerBytes + 1 + static_cast<size_t>(cipher_size(category.textLength));
}

struct Batch {
  int32_t first = 0;
  int32_t end = 0;
  uint64_t turn = 0;
  bool streamed = false;
};

// The categories not yet claimed, and whose turn it is to write.
class BatchQueue {
public:
  BatchQueue(const MovrelView& view, int32_t count) : view_(view), count_(count) {}

  // The next batch, in file order; false when none is left or printing stopped.
  bool claim(Batch& batch) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (next_ >= count_ || end_.stop != PrintStop::None) {
      return false;
    }
    batch.first = next_;
    size_t bytes = 0;
    while (next_ < count_) {
      const CategoryRecord category = view_.record(next_);
      const size_t bound = category.fits ? output_bound(category) : 0;
      if (bytes > 0 && bytes + bound > kBatchBytes) {
        break;
      }
      bytes += bound;
      ++next_;
      if (!category.fits) {
        break; // the batch's last: it stops the printing
      }
    }
    batch.end = next_;
    batch.turn = nextTurn_++;
    batch.streamed = bytes > kBatchBytes;
    return true;
  }

  // Waits until every batch before batch has been written; false when one
  // of them stopped the printing.
  bool await_turn(const Batch& batch) {
    std::unique_lock<std::mutex> lock(mutex_);
    turnDone_.wait(lock, [&] { return written_ == batch.turn || end_.stop != PrintStop::None; });
    return end_.stop == PrintStop::None;
  }

  // Ends batch's turn, with how it ended.
  void end_turn(const PrintEnd& end) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      ++written_;
      if (end.stop != PrintStop::None) {
        end_ = end;
      }
    }
    turnDone_.notify_all();
  }

  PrintEnd end() const { return end_; }

private:
  const MovrelView& view_;
  const int32_t count_;
  std::mutex mutex_;
  std::condition_variable turnDone_;
  int32_t next_ = 0;
  uint64_t nextTurn_ = 0;
  uint64_t written_ = 0;
  PrintEnd end_;
};

// Renders batch into sink; how its categories end the printing, if they do.
PrintEnd render_batch(const MovrelView& view, const Batch& batch, const PasswordKey& key,
                      BatchSink& sink) {
  for (int32_t index = batch.first; index < batch.end; ++index) {
    const CategoryRecord category = view.record(index);
    // Nothing of a record is used, not even its name, unless all of it is there.
    if (!category.fits) {
      return {PrintStop::RecordPastEnd, index};
    }
    if (!render_category(category, key, sink)) {
      return {PrintStop::WrongPassword, index};
    }
  }
  return {};
}

// Batches are decrypted by every worker at once and written by one at a
// time, in file order: the output is the same whatever the workers.
void print_batches(const MovrelView& view, const PasswordKey& key, BatchQueue& queue,
                   uint8_t* space) {
  BatchSink sink(space);
  Batch batch;
  while (queue.claim(batch)) {
    const PrintEnd rendered = batch.streamed ? PrintEnd{} : render_batch(view, batch, key, sink);
    if (!queue.await_turn(batch)) {
      sink.wipe();
      return;
    }
    PrintEnd end = rendered;
    const bool written =
        write_all(STDOUT_FILENO, reinterpret_cast<const char*>(sink.bytes()), sink.size());
    sink.wipe();
    if (!written) {
      end = {PrintStop::WriteFailed, batch.first};
    } else if (batch.streamed) {
      StreamSink stream(StreamSink::To::Descriptor1, space);
      if (!render_category(view.record(batch.first), key, stream)) {
        end = {PrintStop::WrongPassword, batch.first};
      }
      if (stream.failed()) {
        end = {PrintStop::WriteFailed, batch.first};
      }
    }
    queue.end_turn(end);
  }
}

} // namespace

PrintEnd print_categories(const MovrelView& view, int32_t count, const PasswordKey& key,
                          int workers) {
  // One batch buffer per worker, in place from the start so that nothing is
  // allocated once there are secrets. A small file needs no second thread,
  // and less than a whole buffer: a category's output is at most its banner,
  // its text (which lies inside the image) and a line end. Only the room
  // used is locked, and the pages past it stay unmapped.
  alignas(64) static uint8_t space[kMaxWorkers * kBatchBytes];
  const int64_t length = view.length;
  workers = static_cast<int>(std::clamp<int64_t>(
      std::min<int64_t>(workers, 1 + length / int64_t{kBatchBytes}), 1, kMaxWorkers));
  const auto room = static_cast<size_t>(std::min<int64_t>(
      kBatchBytes, int64_t{count} * (static_cast<int64_t>(kBannerBytes) + 1 + length)));
  hold_secret(space, static_cast<size_t>(workers) * room);
  BatchQueue queue(view, count);
  run_workers(workers, [&](int worker) {
    print_batches(view, key, queue, space + static_cast<size_t>(worker) * room);
  });
  release_secret(space);
  return queue.end();
}
