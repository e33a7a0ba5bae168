// The candidate-testing kernel, written once over a vector of 16-bit lanes,
// one candidate per lane with its own key. Only the per-instruction-set files
// include it, each with its own Ops compiled under its own flags. Ops gives:
//   Vec                      the vector type; sizeof(Vec) / 2 lanes
//   kGroups                  vectors run side by side
//   kBitsPerLane             bits per lane in a match() result
//   load(p), set1(w)         16-bit lanes from memory, one word in every lane
//   add, bxor, bor           lane-wise on 16-bit words
//   shl<s>(v), shr<s>(v)     lane-wise shifts by a constant
//   mul(a, b)                multiplication modulo 65537, both operands per lane
//   match(a, b, wa, wb)      lane bits where a == wa and b == wb, lowest lane
//                            in the lowest bits
// Everything is a template on Ops, so no function is shared between files
// compiled for different instruction sets.
//
// Frames stay small (a few KiB: the user-key vectors of each group and
// spills), well inside what the caller's scrub_stack clears, since no
// subkey table is kept.
#ifndef MOVREL_CIPHER_KEYSEARCH_VECTOR_H
#define MOVREL_CIPHER_KEYSEARCH_VECTOR_H

#include <cstddef>
#include <cstdint>
#include <utility>

#include "keysearch.h"

template <class Ops> struct KeySearchKernel {
  using Vec = typename Ops::Vec;

  static constexpr size_t kWidth = sizeof(Vec) / 2; // lanes per vector

  // Subkey i >= 8 straight from the user key. Group g = i / 8 of the schedule
  // is the 128-bit key (word 0 most significant) rotated left by 25 g bits,
  // so word k of it starts at bit o = 16 k + 25 g of the key, counted from
  // the top and taken modulo 128: the low 16 - s bits of word o / 16 and the
  // high s bits of the next word, s = o mod 16. For g = 1..6, s is 9, 2, 11,
  // 4, 13, 6: never 0.
  template <size_t i> static Vec subkey(const Vec (&key)[8]) {
    constexpr size_t bit = (16 * (i % 8) + 25 * (i / 8)) % 128;
    constexpr int s = bit % 16;
    static_assert(s != 0, "every derived subkey straddles two key words");
    return Ops::bor(Ops::template shl<s>(key[bit / 16]),
                    Ops::template shr<16 - s>(key[(bit / 16 + 1) % 8]));
  }

  // Subkey i of a schedule: the user key's own words first.
  template <size_t i> static Vec z(const Vec (&key)[8]) {
    if constexpr (i < 8) {
      return key[i];
    } else {
      return subkey<i>(key);
    }
  }

  // One round with subkeys k .. k + 5 for every group, each step for every
  // group before the next step, so that independent chains of
  // multiplications alternate in the instruction stream. The subkeys are
  // derived as they are used: a table of all 52 per lane would be 52
  // vectors a group, in memory.
  template <size_t k, size_t groups>
  static void round(const Vec (&key)[groups][8], Vec (&x1)[groups], Vec (&x2)[groups],
                    Vec (&x3)[groups], Vec (&x4)[groups]) {
    Vec y1[groups], y2[groups], y3[groups], y4[groups], t1[groups], t2[groups];
    for (size_t g = 0; g < groups; ++g) {
      y1[g] = Ops::mul(x1[g], z<k>(key[g]));
    }
    for (size_t g = 0; g < groups; ++g) {
      y4[g] = Ops::mul(x4[g], z<k + 3>(key[g]));
    }
    for (size_t g = 0; g < groups; ++g) {
      y2[g] = Ops::add(x2[g], z<k + 1>(key[g]));
      y3[g] = Ops::add(x3[g], z<k + 2>(key[g]));
      t2[g] = Ops::mul(Ops::bxor(y1[g], y3[g]), z<k + 4>(key[g]));
    }
    for (size_t g = 0; g < groups; ++g) {
      t1[g] = Ops::mul(Ops::add(t2[g], Ops::bxor(y2[g], y4[g])), z<k + 5>(key[g]));
    }
    for (size_t g = 0; g < groups; ++g) {
      t2[g] = Ops::add(t1[g], t2[g]);
      // The middle words change places.
      x1[g] = Ops::bxor(y1[g], t1[g]);
      x2[g] = Ops::bxor(y3[g], t1[g]);
      x3[g] = Ops::bxor(y2[g], t2[g]);
      x4[g] = Ops::bxor(y4[g], t2[g]);
    }
  }

  template <size_t groups, size_t... r>
  static void rounds(const Vec (&key)[groups][8], Vec (&x1)[groups], Vec (&x2)[groups],
                     Vec (&x3)[groups], Vec (&x4)[groups], std::index_sequence<r...> /*unused*/) {
    (round<6 * r>(key, x1, x2, x3, x4), ...);
  }

  // groups vectors of candidates from lane at: the eight rounds and the two
  // added output words. Returns the offset from at of the first matching
  // lane below limit, or groups * kWidth. limit is groups * kWidth, or at
  // most kWidth for one vector.
  template <size_t groups>
  static size_t run(const uint16_t* rows, size_t stride, size_t at, const Vec (&outer)[12],
                    Vec want1, Vec want2, size_t limit) {
    Vec key[groups][8];
    Vec x1[groups], x2[groups], x3[groups], x4[groups];
    for (size_t g = 0; g < groups; ++g) {
      const uint16_t* lanes = rows + at + g * kWidth;
      for (size_t w = 0; w < 8; ++w) {
        key[g][w] = Ops::bxor(Ops::load(lanes + w * stride), outer[w]);
      }
      x1[g] = Ops::bxor(Ops::load(lanes + 8 * stride), outer[8]);
      x2[g] = Ops::bxor(Ops::load(lanes + 9 * stride), outer[9]);
      x3[g] = Ops::bxor(Ops::load(lanes + 10 * stride), outer[10]);
      x4[g] = Ops::bxor(Ops::load(lanes + 11 * stride), outer[11]);
    }
    rounds(key, x1, x2, x3, x4, std::make_index_sequence<8>{});
    // Output words 1 and 2 take the middle words crosswise.
    for (size_t g = 0; g < groups; ++g) {
      uint64_t bits =
          Ops::match(Ops::add(x3[g], z<49>(key[g])), Ops::add(x2[g], z<50>(key[g])), want1, want2);
      const size_t room = limit - g * kWidth;
      if (room < kWidth) {
        bits &= (uint64_t{1} << (room * Ops::kBitsPerLane)) - 1;
      }
      if (bits != 0) {
        return g * kWidth + static_cast<size_t>(__builtin_ctzll(bits)) / Ops::kBitsPerLane;
      }
    }
    return groups * kWidth;
  }

  // The contract of keysearch_first_match.
  static size_t first_match(const uint16_t* rows, size_t stride, size_t first, size_t count,
                            const uint16_t outer[kCandidateWords], const uint16_t check[4]) {
    constexpr size_t kGroups = Ops::kGroups;
    Vec outerV[12];
    for (size_t w = 0; w < 12; ++w) {
      outerV[w] = Ops::set1(outer[w]);
    }
    const Vec want1 = Ops::set1(check[1]);
    const Vec want2 = Ops::set1(check[2]);
    size_t done = 0;
    for (; count - done >= kGroups * kWidth; done += kGroups * kWidth) {
      const size_t hit =
          run<kGroups>(rows, stride, first + done, outerV, want1, want2, kGroups * kWidth);
      if (hit < kGroups * kWidth) {
        return done + hit;
      }
    }
    // The rest one vector at a time; the last may reach into the slack lanes,
    // whose matches are masked off.
    for (; done < count; done += kWidth) {
      const size_t left = count - done;
      const size_t hit =
          run<1>(rows, stride, first + done, outerV, want1, want2, left < kWidth ? left : kWidth);
      if (hit < kWidth) {
        return done + hit;
      }
    }
    return count;
  }
};

#endif
