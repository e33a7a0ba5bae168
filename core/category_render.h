// Rendering one category: its banner "******* NAME *******\n", then, when the
// password opens it, its decrypted text up to its first zero byte and "\n".
// printcat renders through a StreamSink; the viewer's batched printer through
// sinks of its own.
#ifndef MOVREL_CORE_CATEGORY_RENDER_H
#define MOVREL_CORE_CATEGORY_RENDER_H

#include "dbformat.h"
#include "password_check.h"

#include <cstddef>
#include <cstdint>

// Where a category's output goes, a piece at a time: the text is decrypted
// straight into the room the sink gives, so that it is copied nowhere else.
class TextSink {
public:
  virtual ~TextSink() = default;
  // Room for n bytes (at most kTextPieceBytes), valid until the next put.
  virtual uint8_t* room(size_t n) = 0;
  // Outputs the first n bytes of the room last given.
  virtual void put(size_t n) = 0;
};

// Most bytes a text is decrypted in at once.
constexpr uint32_t kTextPieceBytes = 64 * 1024;

// Writes category's banner to sink and, when key opens category (whose
// record must fit the image), its text and "\n". False when key does not
// open it.
bool render_category(const CategoryRecord& category, const PasswordKey& key, TextSink& sink);

// A sink that outputs each piece as it comes, to stdout's stream or straight
// to file descriptor 1, through the caller's buffer of kTextPieceBytes, which
// it wipes after each piece.
class StreamSink : public TextSink {
public:
  enum class To { Stdout, Descriptor1 };
  StreamSink(To to, uint8_t* buffer) : to_(to), buffer_(buffer) {}
  uint8_t* room(size_t n) override;
  void put(size_t n) override;
  bool failed() const { return failed_; }

private:
  To to_;
  uint8_t* buffer_;
  size_t roomBytes_ = 0;
  bool failed_ = false;
};

// Ends the run with the fatal error for category index, whose record is not
// all inside the image.
[[noreturn]] void fail_record_past_end(int32_t index);

#endif
