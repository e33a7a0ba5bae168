#!/bin/sh
mkdir -m 700 out && ln -s ../victim out/Work.txt && echo victim > victim
