#!/bin/sh
find small; umount small
