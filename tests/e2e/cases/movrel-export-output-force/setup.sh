#!/bin/sh
ln -s victim notes.json && echo victim > victim
