// How fast this machine tries candidates, for the sizes and times told
// before a search (--keyspace, the plan's stages) and until it has its own.
#ifndef MOVREL_MOVREL_RECOVER_RATE_H
#define MOVREL_MOVREL_RECOVER_RATE_H

#include "ecb.h"

// Candidates per second of threads threads on path: one thread runs a mask
// for about a tenth of a second, and threads (no more than the processors
// this process may use) are taken to add up.
double measured_rate(EcbPath path, unsigned threads);

#endif
