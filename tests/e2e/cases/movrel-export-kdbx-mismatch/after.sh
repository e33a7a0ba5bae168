#!/bin/sh
ls -A
