#!/bin/sh
export LC_ALL=C
find out -printf '%M %p\n' | sort
for f in out/*; do printf '%s: ' "$f"; cat "$f"; echo; done
