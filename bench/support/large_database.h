// The large database the benchmarks decode: 10,000 categories, 64 MiB in all.
// Made in a file of its own because the fixture writer's record offsets
// (counted from the marker) share their names with the viewer's (counted from
// the byte after it).
#ifndef MOVREL_BENCH_LARGE_DATABASE_H
#define MOVREL_BENCH_LARGE_DATABASE_H

#include <string>

constexpr int kLargeDatabaseCategories = 10000;
constexpr const char* kLargeDatabasePassword = "BENCHMARK";

// The file's bytes, made once per process; categories open with
// kLargeDatabasePassword.
const std::string& large_database();

#endif
