#!/bin/sh
ls -A small; umount small
