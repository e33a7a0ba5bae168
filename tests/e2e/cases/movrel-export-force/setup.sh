#!/bin/sh
mkdir -m 700 out && ln -s ../victim out/Personal.txt && echo victim > victim && echo old > out/Work.txt
