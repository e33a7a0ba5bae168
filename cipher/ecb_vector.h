// The multi-block kernel, written once over a vector of 16-bit lanes. Only the
// per-instruction-set kernel files include it, each with its own Ops compiled
// under its own flags (see ecb_kernels.h for the lane layout). Ops provides:
//   Vec                         the vector type; sizeof(Vec) / 2 blocks per vector
//   kGroups                     vectors of blocks run side by side
//   add(a, b), bxor(a, b)       lane-wise on 16-bit words
//   Subkey, subkey(z)           one subkey prepared for mul; member k holds z
//                               in every lane
//   mul(a, subkey)              multiplication modulo 65537 by that subkey
//   load(p, shuffle), store(p, v, shuffle), gather(), gather_back(), transpose
//                               rows of blocks in, shuffled and transposed into
//                               one word of every block per vector; or instead
//   load_words(p, x1..x4), store_words(p, x1..x4)
//                               four rows' blocks straight to and from their
//                               word vectors, where the instruction set has
//                               such loads (NEON's de-interleaving ld4/st4)
// Everything here is a template on Ops, so no function is shared between
// files compiled for different instruction sets.
#ifndef MOVREL_CIPHER_ECB_VECTOR_H
#define MOVREL_CIPHER_ECB_VECTOR_H

#include <cstddef>
#include <cstdint>
#include <type_traits>

#include "wipe.h"

template <class Ops, class = void> struct HasWordLoads : std::false_type {};
template <class Ops>
struct HasWordLoads<Ops, std::void_t<decltype(&Ops::load_words)>> : std::true_type {};

template <class Ops> struct VectorKernel {
  using Vec = typename Ops::Vec;

  using Subkey = typename Ops::Subkey;

  static constexpr size_t kRowBytes = sizeof(Vec);
  static constexpr size_t kWidth = 4 * kRowBytes / 8; // blocks per vector

  static Vec mul(Vec a, const Subkey& b) { return Ops::mul(a, b); }

  // groups vectors of blocks at once, 4 rows each. One group is a chain of 34
  // dependent multiplications of several instructions each, which leaves the
  // vector units waiting on latency; independent groups fill the gaps.
  template <size_t groups> static void run(const uint8_t* in, uint8_t* out, const Subkey K[52]) {
    Vec x1[groups], x2[groups], x3[groups], x4[groups];
    if constexpr (HasWordLoads<Ops>::value) {
      for (size_t g = 0; g < groups; ++g) {
        Ops::load_words(in + g * 4 * kRowBytes, x1[g], x2[g], x3[g], x4[g]);
      }
    } else {
      const Vec gather = Ops::gather();
      for (size_t g = 0; g < groups; ++g) {
        const uint8_t* src = in + g * 4 * kRowBytes;
        x1[g] = Ops::load(src, gather);
        x2[g] = Ops::load(src + kRowBytes, gather);
        x3[g] = Ops::load(src + 2 * kRowBytes, gather);
        x4[g] = Ops::load(src + 3 * kRowBytes, gather);
        Ops::transpose(x1[g], x2[g], x3[g], x4[g]);
      }
    }
    const Subkey* k = K;
    // Each step is issued for every group before the next step, so that the
    // instruction stream itself alternates between independent chains: the
    // out-of-order window then always holds ready work from other groups
    // while one group waits on a multiplication.
    for (int round = 0; round < 8; ++round, k += 6) {
      Vec y1[groups], y2[groups], y3[groups], y4[groups], t1[groups], t2[groups];
      for (size_t g = 0; g < groups; ++g) {
        y1[g] = mul(x1[g], k[0]);
      }
      for (size_t g = 0; g < groups; ++g) {
        y4[g] = mul(x4[g], k[3]);
      }
      for (size_t g = 0; g < groups; ++g) {
        y2[g] = Ops::add(x2[g], k[1].k);
        y3[g] = Ops::add(x3[g], k[2].k);
        t2[g] = mul(Ops::bxor(y1[g], y3[g]), k[4]);
      }
      for (size_t g = 0; g < groups; ++g) {
        t1[g] = mul(Ops::add(t2[g], Ops::bxor(y2[g], y4[g])), k[5]);
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
    for (size_t g = 0; g < groups; ++g) {
      // Taking the middle words crosswise undoes the last round's exchange.
      Vec y1 = mul(x1[g], k[0]);
      Vec y2 = Ops::add(x3[g], k[1].k);
      Vec y3 = Ops::add(x2[g], k[2].k);
      Vec y4 = mul(x4[g], k[3]);
      uint8_t* dst = out + g * 4 * kRowBytes;
      if constexpr (HasWordLoads<Ops>::value) {
        Ops::store_words(dst, y1, y2, y3, y4);
      } else {
        const Vec gather_back = Ops::gather_back();
        Ops::transpose(y1, y2, y3, y4);
        Ops::store(dst, y1, gather_back);
        Ops::store(dst + kRowBytes, y2, gather_back);
        Ops::store(dst + 2 * kRowBytes, y3, gather_back);
        Ops::store(dst + 3 * kRowBytes, y4, gather_back);
      }
    }
  }

  // Runs groups vectors at once if that many remain.
  template <size_t groups>
  static void run_if_room(const uint8_t* in, uint8_t* out, size_t blocks, size_t& done,
                          const Subkey K[52]) {
    if (blocks - done >= groups * kWidth) {
      run<groups>(in + 8 * done, out + 8 * done, K);
      done += groups * kWidth;
    }
  }

  // The contract of idea_ecb_avx2 / idea_ecb_avx512 (ecb_kernels.h).
  static size_t blocks(const uint8_t* in, uint8_t* out, size_t blocks, const uint16_t Z[52]) {
    // More groups than the registers hold: the compiler's spills cost less
    // than the waits they hide.
    constexpr size_t kGroups = Ops::kGroups;
    // A run shorter than one vector (the check block, a text's last block)
    // is all the caller's: broadcasting the subkeys, and wiping them, would
    // cost several times the block itself.
    if (blocks < kWidth) {
      return 0;
    }
    Subkey K[52];
    for (size_t i = 0; i < 52; ++i) {
      K[i] = Ops::subkey(Z[i]);
    }
    size_t done = 0;
    for (; blocks - done >= kGroups * kWidth; done += kGroups * kWidth) {
      run<kGroups>(in + 8 * done, out + 8 * done, K);
    }
    // Fewer than kGroups vectors remain: 4, 2 and 1 at a time, since a lone
    // vector waits on every multiplication (on the AVX-512 path a 4 KiB
    // string is 16 vectors: 5 + 5 + 5 + 1).
    run_if_room<4>(in, out, blocks, done, K);
    run_if_room<2>(in, out, blocks, done, K);
    run_if_room<1>(in, out, blocks, done, K);
    // The broadcast subkeys are key material. Block words are left in
    // spill slots, which the caller's scrub_stack clears, and in vector
    // registers, which C++ cannot reach.
    secure_wipe(K, sizeof K);
    return done;
  }
};

#endif
