// Fuzz target: arbitrary bytes as a database image, through the marker scan,
// the Palm header check and the decoding of every category, the way the
// tool's category loop runs.
//
// Input layout: when the first byte is 'P', the password follows up to the
// next zero byte (at most 32 bytes) and the image is the rest; otherwise the
// whole input is the image and the password is "FUZZ". Databases written with
// the password FUZZ are therefore seeds as they stand.
#include "category_output.h"
#include "imageload.h"
#include "movrelview.h"
#include "palm_header.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

constexpr size_t kMaxPassword = 32;
constexpr int64_t kScanChecked = 80;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  [[maybe_unused]] static const bool quiet = freopen("/dev/null", "w", stdout) != nullptr;
  std::string password = "FUZZ";
  if (size > 0 && data[0] == 'P') {
    const size_t limit = size - 1 < kMaxPassword ? size - 1 : kMaxPassword;
    const auto* end = static_cast<const uint8_t*>(memchr(data + 1, 0, limit));
    password.assign(reinterpret_cast<const char*>(data + 1),
                    end != nullptr ? static_cast<size_t>(end - data - 1) : limit);
    const size_t skip = 1 + password.size() + (end != nullptr ? 1 : 0);
    data += skip;
    size -= skip;
  }
  if (size > INT32_MAX)
    return 0;

  // The marker scan against a plain byte-by-byte search (next is its answer
  // from start), from the first and last kScanChecked starts: every
  // alignment of a marker to the scan's steps, and every way the image ends.
  int64_t next = -1;
  for (auto start = static_cast<int64_t>(size); start >= 0; --start) {
    const uint8_t* at = data + start;
    if (start + 4 <= static_cast<int64_t>(size) && at[0] == 0xFF && at[1] == 0x40 &&
        at[2] == 0x44 && (at[3] == 0x02 || at[3] == 0x03)) {
      next = start + 4;
    }
    if ((start < kScanChecked || start + kScanChecked > static_cast<int64_t>(size)) &&
        find_next_marker(data, static_cast<int32_t>(size), static_cast<int32_t>(start)) != next) {
      __builtin_trap();
    }
  }

  // The same markers when the image is searched in chunks of 5 bytes.
  std::vector<int32_t> chunked;
  fill_and_find_markers(
      data, size, [](size_t, size_t) { return true; }, chunked, 5, 1);
  size_t found = 0;
  for (int32_t at = find_next_marker(data, static_cast<int32_t>(size), 0); at >= 0;
       at = find_next_marker(data, static_cast<int32_t>(size), at), ++found)
    if (found >= chunked.size() || chunked[found] != at)
      __builtin_trap();
  if (found != chunked.size())
    __builtin_trap();

  // The Palm header check reads only inside the image (ASan says otherwise).
  (void)has_palm_header(data, static_cast<int32_t>(size));

  MovrelView view;
  const int32_t count =
      view.loadImage(reinterpret_cast<const char*>(data), static_cast<int32_t>(size));
  // The tool's category loop, in batches on two workers; it stops without a
  // fatal error, which the driver adds.
  PasswordKey key;
  make_password_key(password.c_str(), key);
  print_categories(view, count, key, 2);
  // printcat, one category after another. A record that does not fit ends the
  // tool's run with a fatal error (checked by the end-to-end cases); here the
  // loop stops there instead, as it does at a wrong password.
  for (int32_t index = 0; index < count && view.recordFits(index); ++index)
    if (view.printcat(index, password.c_str()) != 0)
      break;
  return 0;
}
