// Multiplication modulo 65537 on eight 16-bit lanes with NEON, for the
// AArch64 kernels (ecb_neon.cpp, keysearch_neon.cpp), which are built with
// the same flags, so sharing these inline functions mixes no instruction
// sets. Include only where <arm_neon.h> is available.
//
// As idea_mul, lane by lane, with 0 standing for 65536. NEON has no
// multiply-high on 16-bit lanes: lo is the plain 16-bit product, and hi the
// odd 16-bit halves of the widening products of the low and the high four
// lanes, which uzp2 gathers in lane order. (Taking lo as their even halves
// costs the same on hardware but runs slower under qemu; 32-bit multiplies
// of even and odd lanes, which qemu runs fast, cost three more instructions
// on hardware, two of them multiplies.) For nonzero operands the residue is
// lo - hi, plus 1 where that borrowed (lo < hi unsigned: a compare's
// all-ones lane subtracted adds 1). lo = hi happens only with an operand 0
// (for nonzero operands it would make 65537 divide the product), and then
// the result is 1 - a - b, selected with the lane mask lo == hi.
//
// Constant time: compares make lane masks and a bitwise select applies them;
// no value of a lane reaches a branch, an address or a general register.
#ifndef MOVREL_CIPHER_NEON_MUL_H
#define MOVREL_CIPHER_NEON_MUL_H

#include <arm_neon.h>

// one_minus_b is 1 - b (a subkey's, made once). Ten instructions, three of
// them multiplies.
inline uint16x8_t neon_mul_select(uint16x8_t a, uint16x8_t b, uint16x8_t one_minus_b) {
  const uint16x8_t low_products =
      vreinterpretq_u16_u32(vmull_u16(vget_low_u16(a), vget_low_u16(b)));
  const uint16x8_t high_products = vreinterpretq_u16_u32(vmull_high_u16(a, b));
  const uint16x8_t lo = vmulq_u16(a, b);
  const uint16x8_t hi = vuzp2q_u16(low_products, high_products);
  const uint16x8_t r = vsubq_u16(vsubq_u16(lo, hi), vcgtq_u16(hi, lo));
  return vbslq_u16(vceqq_u16(lo, hi), vsubq_u16(one_minus_b, a), r);
}

// Both operands per lane.
inline uint16x8_t neon_mul(uint16x8_t a, uint16x8_t b) {
  return neon_mul_select(a, b, vsubq_u16(vdupq_n_u16(1), b));
}

#endif
