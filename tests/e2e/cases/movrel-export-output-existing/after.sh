#!/bin/sh
ls -l notes.txt | cut -c1 && cat victim
