#!/bin/sh
# A 8 KiB file system (root may mount one), which the long note fills.
mkdir small && mount -t tmpfs -o size=8k,mode=0700 tmpfs small
