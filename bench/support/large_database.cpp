#include "large_database.h"

#include "fixture.h"

#include <vector>

const std::string& large_database() {
  static const std::string database = [] {
    constexpr size_t kDatabaseBytes = size_t{64} << 20;
    const size_t textBytes = kDatabaseBytes / kLargeDatabaseCategories - 64;
    std::vector<FixtureCategory> categories;
    for (int i = 0; i < kLargeDatabaseCategories; ++i) {
      std::string text(textBytes, static_cast<char>('a' + i % 26));
      categories.push_back(
          {"Category " + std::to_string(i), text, static_cast<uint8_t>(2 + i % 2)});
    }
    return make_database(kLargeDatabasePassword, categories);
  }();
  return database;
}
