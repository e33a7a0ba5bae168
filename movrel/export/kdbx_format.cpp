// --format kdbx: a KeePass 2 database (KDBX 4, kdbx_container.h) written
// directly, so that the notes go from the Palm file into an encrypted file
// without touching the disk in clear. Its master password is asked twice;
// Notes are protected values, hidden by the inner stream even in memory.
#include "data_error.h"
#include "export_format.h"
#include "kdbx_container.h"
#include "keepass_xml.h"
#include "utf8_text.h"

#include "password_prompt.h"

#include <cstring>
#include <sodium.h>

namespace {

constexpr char kNewPrompt[] = "New KeePass password: ";
constexpr char kRepeatPrompt[] = "Repeat KeePass password: ";

bool well_formed_utf8(const char* text, size_t n) {
  const auto* bytes = reinterpret_cast<const uint8_t*>(text);
  for (size_t i = 0, length = 0; i < n; i += length) {
    length = utf8_sequence_length(bytes + i, n - i);
    if (length == 0) {
      return false;
    }
  }
  return true;
}

class KdbxFormat : public ExportFormat {
public:
  explicit KdbxFormat(const ExportContext& context)
      : label_(context.label), xml_(label_, kdbx_time_now()) {}

  void prepare() override {
    SecretBuffer typed;
    SecretBuffer repeated;
    char* first = typed.reserve(kPasswordMaxBytes + 1);
    char* second = repeated.reserve(kPasswordMaxBytes + 1);
    const bool firstWhole = read_hidden_line(kNewPrompt, first);
    const bool whole = read_hidden_line(kRepeatPrompt, second) && firstWhole;
    const size_t n = strlen(first);
    typed.commit(kPasswordMaxBytes + 1);
    repeated.commit(kPasswordMaxBytes + 1);
    const char* problem = nullptr;
    if (n == 0) {
      problem = "empty KeePass password";
    } else if (!whole) {
      problem = "KeePass password longer than 1023 bytes";
    } else if (sodium_memcmp(first, second, kPasswordMaxBytes + 1) != 0) {
      problem = "the two KeePass passwords differ";
    } else if (!well_formed_utf8(first, n)) {
      problem = "KeePass password is not UTF-8";
    }
    if (problem != nullptr) {
      data_error(std::string(problem) + "; nothing written");
    }
    keys_.derive(first, n);
  }

  void begin(SecretBuffer& out) override {
    keys_.append_header(out);
    stream_.append_inner_header(payload_);
    xml_.append_head(payload_);
  }

  void add(const ExportedCategory& category, SecretBuffer& out) override {
    xml_.append_entry_start(payload_, category.name);
    payload_.append("<Value Protected=\"True\">");
    stream_.append_protected(payload_, category.text.data(), category.text.size());
    payload_.append("</Value>");
    KeePassXml::append_entry_end(payload_);
    keys_.append_blocks(payload_, false, out);
  }

  void finish(SecretBuffer& out) override {
    KeePassXml::append_tail(payload_);
    keys_.append_blocks(payload_, true, out);
  }

private:
  const std::string label_;
  const KeePassXml xml_;
  KdbxKeys keys_;
  ProtectedStream stream_;
  SecretBuffer payload_; // inner header and XML not yet in a block
};

} // namespace

std::unique_ptr<ExportFormat> make_kdbx_format(const ExportContext& context) {
  if (sodium_init() < 0) {
    data_error("can't start libsodium");
  }
  return std::make_unique<KdbxFormat>(context);
}
