#!/bin/sh
ln -s victim notes.txt && echo victim > victim
