#!/bin/sh
ls fast/out | wc -l && cd fast/out && ls Same.txt Same-2.txt Same-20000.txt
cd ../.. && umount fast
