#!/bin/sh
export LC_ALL=C
find out -printf '%M %p\n' | sort
