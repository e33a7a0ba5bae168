#!/bin/sh
ls out | wc -l && ls out/Same.txt out/Same-2.txt out/Same-20000.txt
