#include "category_walk.h"

#include "data_error.h"
#include "palm_charset.h"
#include "secret_buffer.h"
#include "shown_name.h"

#include "bytestring.h"
#include "live_secrets.h"
#include "password_check.h"
#include "password_prompt.h"
#include "wipe.h"
#include "write_all.h"

#include <cstring>
#include <memory>
#include <unistd.h>

namespace {

class ExportRun {
public:
  ExportRun(const MovrelView& view, const std::vector<int32_t>& chosen, ExportFormat& format,
            bool raw, const ExportTarget& target)
      : view_(view), chosen_(chosen), format_(format), raw_(raw), target_(target) {
    hold_stack_secret(key_, sizeof key_);
  }
  ~ExportRun() {
    wipe();
    release_secret(key_);
  }
  ExportRun(const ExportRun&) = delete;
  ExportRun& operator=(const ExportRun&) = delete;

  void run(char* password);

private:
  void to_one_document();
  void to_split_folder();
  bool opens(int32_t index);
  ExportedCategory decrypt(int32_t index);
  void send(PendingFile* file);
  void check(const std::string& error);
  [[noreturn]] void fail(const std::string& message);
  void wipe();

  const MovrelView& view_;
  const std::vector<int32_t>& chosen_;
  ExportFormat& format_;
  const bool raw_;
  const ExportTarget& target_;
  char* password_ = nullptr;
  uint16_t key_[8] = {};
  CategoryRecord record_;            // the category decrypt last read
  SecretBuffer text_;                // one category's decrypted text, up to its first zero byte
  SecretBuffer body_;                // the same in UTF-8 (unused with --charset raw)
  SecretBuffer name_;                // its name in UTF-8 (or as stored)
  SecretBuffer output_;              // bytes on their way out
  std::vector<std::string> written_; // --split: files of this run, removed on failure
};

void ExportRun::run(char* password) {
  password_ = password;
  for (const int32_t index : chosen_) {
    if (!opens(index)) {
      wipe();
      sleep(3); // slows down guessing, as the viewer does
      data_error("wrong password for category " + std::to_string(index) + " (" +
                 shown_name(view_.record(index).name) + ")");
    }
  }
  format_.prepare();
  if (target_.kind == ExportTarget::Kind::Split) {
    to_split_folder();
  } else {
    to_one_document();
  }
  wipe();
}

void ExportRun::to_one_document() {
  std::unique_ptr<PendingFile> file;
  if (target_.kind == ExportTarget::Kind::File) {
    file = std::make_unique<PendingFile>(*target_.folder, target_.fileName);
    check(file->create());
  }
  format_.begin(output_);
  send(file.get());
  for (const int32_t index : chosen_) {
    format_.add(decrypt(index), output_);
    send(file.get());
  }
  format_.finish(output_);
  send(file.get());
  if (file) {
    check(file->commit(target_.force, true));
  }
}

// Files are synced together at the end: one sync for the folder, not one per file.
void ExportRun::to_split_folder() {
  for (size_t i = 0; i < chosen_.size(); ++i) {
    format_.add_alone(decrypt(chosen_[i]), output_);
    PendingFile file(*target_.folder, target_.splitNames[i]);
    check(file.create());
    send(&file);
    const std::string error = file.commit(target_.force, false);
    if (error.empty()) {
      written_.push_back(file.name());
    }
    check(error);
  }
  check(target_.folder->sync());
  written_.clear();
}

bool ExportRun::opens(int32_t index) {
  const bool match = password_opens(password_, view_.record(index).check, key_);
  secure_wipe(key_, sizeof key_);
  return match;
}

ExportedCategory ExportRun::decrypt(int32_t index) {
  record_ = view_.record(index);
  const CategoryRecord& record = record_;
  text_.clear();
  body_.clear();
  name_.clear();
  password_opens(password_, record.check, key_);
  // The record lies inside an image of at most 2^31 - 1 bytes, so L fits int32_t.
  auto* plain = reinterpret_cast<uint8_t*>(text_.reserve(record.textLength));
  decipher_string(record.cipherText, plain, key_, static_cast<int32_t>(record.textLength));
  secure_wipe(key_, sizeof key_);
  // A zero byte ends the text, as in the viewer; the bytes after it are wiped.
  const void* end = memchr(plain, 0, record.textLength);
  const size_t length = end != nullptr
                            ? static_cast<size_t>(static_cast<const uint8_t*>(end) - plain)
                            : record.textLength;
  secure_wipe(plain + length, record.textLength - length);
  text_.commit(length);
  const char* palmName = record_.name;
  if (raw_) {
    name_.append(palmName);
    return {index, palmName, {name_.data(), name_.size()}, {text_.data(), text_.size()}};
  }
  append_palm_as_utf8(name_, palmName, strlen(palmName));
  append_palm_as_utf8(body_, text_.data(), text_.size());
  return {index, palmName, {name_.data(), name_.size()}, {body_.data(), body_.size()}};
}

void ExportRun::send(PendingFile* file) {
  if (file != nullptr) {
    check(file->write(output_.data(), output_.size()));
  } else if (!write_all(STDOUT_FILENO, output_.data(), output_.size())) {
    fail("can't write to standard output");
  }
  output_.clear();
}

void ExportRun::check(const std::string& error) {
  if (!error.empty()) {
    fail(error);
  }
}

void ExportRun::fail(const std::string& message) {
  wipe();
  for (const std::string& name : written_) {
    target_.folder->remove(name);
  }
  data_error(message + (written_.empty() ? "" : "; the files written before are removed"));
}

void ExportRun::wipe() {
  if (password_ != nullptr) {
    wipe_password();
  }
  secure_wipe(key_, sizeof key_);
  text_.clear();
  body_.clear();
  name_.clear();
  output_.clear();
}

} // namespace

void export_categories(const MovrelView& view, const std::vector<int32_t>& chosen,
                       ExportFormat& format, bool raw, const ExportTarget& target, char* password) {
  ExportRun run(view, chosen, format, raw, target);
  run.run(password);
}
